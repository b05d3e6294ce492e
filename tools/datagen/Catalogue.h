#pragma once
#include "items/C3DItemObject.h"
#include "tools/datagen/ModelKit.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace datagen {

// One generated item model file: where it goes below the data folder ('/'-separated, UTF-8)
// and its bytes.
struct GeneratedItem {
    std::string relativePath;
    std::vector<std::uint8_t> bytes;
};

// The folders of the pack, relative to the data folder.
inline constexpr std::string_view kBuiltinItemFolder = "C3DItem_Buildin";
inline constexpr std::string_view kTrainsFolder = "C3DItem_File/列車、客車、貨車";
inline constexpr std::string_view kTrackFolder = "C3DItem_File/線路";
inline constexpr std::string_view kStructuresFolder = "C3DItem_File/ストラクチャ";

// The item as file bytes, with a thumbnail rendered from its geometry (unless it already has
// one) and, when `fitSize` is set, the item size that draws the model at its modelled size.
GeneratedItem finishItem(std::string relativePath, items::C3DItemObject& item, ThumbnailView view,
                         bool fitSize = true);

// Every item model file of the pack, in a fixed order: the built-in models, then the track
// pieces, structures and vehicles of the catalogue folders.
std::vector<GeneratedItem> allItemModels();

// Writes the files below `dataFolder`, creating folders as needed. A file whose bytes are
// already there is left untouched (so that rebuilding does not touch its time). False with a
// one-line message on the first file or folder that cannot be written.
bool writeGeneratedItems(const std::filesystem::path& dataFolder,
                         const std::vector<GeneratedItem>& files, std::string& error);

} // namespace datagen
