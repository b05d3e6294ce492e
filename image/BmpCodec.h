#pragma once
#include "image/Picture.h"

#include <cstdint>
#include <span>
#include <vector>

namespace image {

// Reads an uncompressed Windows bitmap: 1-, 4- and 8-bit palette images, 24-bit and 32-bit
// (plain or with bit-field masks) images, bottom-up or top-down, with a core (12-byte) or any
// later information header. A 1-bit image whose palette is black then white becomes a mask
// picture, a 32-bit image a 32-bit picture (opaque when every alpha byte is 0), everything else
// a 24-bit picture. Empty for compressed, truncated, corrupt or oversized files.
Picture decodeBmpPicture(std::span<const std::uint8_t> bytes);

// Writes a picture as an uncompressed bottom-up bitmap with a 40-byte information header:
// 24-bit, 32-bit with alpha, or a 1-bit mask with a black and white palette. Empty for an
// empty picture.
std::vector<std::uint8_t> encodeBmpPicture(const Picture& picture);

} // namespace image
