#pragma once
#include "image/Picture.h"

#include <cstdint>
#include <span>
#include <vector>

namespace image {

// A baseline or progressive JPEG (grayscale or YCbCr) as a 24-bit picture. Empty for corrupt,
// truncated, CMYK or oversized images.
Picture decodeJpegPicture(std::span<const std::uint8_t> bytes);

// A picture as a baseline JPEG of the given quality (1 … 100); alpha is dropped and a mask is
// widened to colour. Empty for an empty picture.
std::vector<std::uint8_t> encodeJpegPicture(const Picture& picture, int quality = 90);

} // namespace image
