#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace items {
class C3DObject;
}

namespace import {

// Results of the text model readers: 0 or kImportEnd is success (the reader stops at the end
// of the bytes with kImportEnd); kImportFailed means no bytes, no node or an exception while
// reading; kImportBadHeader means the file does not start the way its format must.
inline constexpr int kImportDone = 0;
inline constexpr int kImportEnd = -2;
inline constexpr int kImportFailed = -1;
inline constexpr int kImportBadHeader = -3;

inline bool importSucceeded(int result) {
    return result == kImportDone || result == kImportEnd;
}

// The text model formats; the numbers of VRML and DXF are the item object's load-by-type
// numbers (3 there is an item model file).
enum class ModelFormat : int { Vrml = 1, Dxf = 2, Rib = 4 };

// The format named by a file's extension (".wrl", ".vrml", ".rib", ".dxf", any case); false
// for any other.
bool formatFromExtension(const std::filesystem::path& path, ModelFormat& format);

// Reads a text model into `node`: the node is cleared first, and cleared again when the reader
// does not succeed, so a failed import leaves an empty node. Returns the reader's result.
int importModel(ModelFormat format, std::span<const std::uint8_t> bytes, items::C3DObject* node);
// The same from a file (read whole, at most 256 MB); kImportFailed when it cannot be read.
int importModelFile(ModelFormat format, const std::filesystem::path& path, items::C3DObject* node);

// Lets the item objects' load by type (1 VRML, 2 DXF) reach these readers.
void registerModelImporter();

// Whether a tree holds anything that draws: a primitive, a face set with a face of three or
// four points, a DXF face of three or four corners or a RIB polygon.
bool hasImportedGeometry(const items::C3DObject& root);

} // namespace import
