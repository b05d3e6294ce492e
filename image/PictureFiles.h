#pragma once
#include "image/Picture.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace image {

enum class PictureFormat { Unknown, Bmp, Png, Jpeg };

// The format the bytes begin like (by signature, not by name).
PictureFormat detectPictureFormat(std::span<const std::uint8_t> bytes);

// The encoder for a file-name extension ("png", ".JPG" …), compared without regard to case:
// BMP for bmp, dib; PNG for png; JPEG for jpg, jpeg, jpe, jfif. Unknown otherwise.
PictureFormat formatForExtension(std::string_view extension);

// A PNG, BMP or JPEG picture from bytes in memory, cropped to its content (cropToContent)
// when `trim` is set. Empty when the bytes are no picture this library reads.
Picture decodePictureBytes(std::span<const std::uint8_t> bytes, bool trim = false);
// The same from a file (names are UTF-8). Empty when the file cannot be read or decoded.
Picture loadPicture(const std::filesystem::path& path, bool trim = false);

// The picture in the format of the extension. Empty for an empty picture or an extension no
// encoder lists.
std::vector<std::uint8_t> encodePicture(const Picture& picture, std::string_view extension);
// Saves the picture in the format named by the path's extension, replacing the file only once
// the new one is complete. Writes nothing and returns false for an empty picture, an unknown
// extension or a write failure.
bool savePicture(const Picture& picture, const std::filesystem::path& path);

} // namespace image
