#pragma once
#include "image/Picture.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace image {

// PNG pixel rows as the file stores them: top row first, rows of width × bytesPerPixel bytes
// without padding, channels in file order (gray, gray + alpha, RGB, RGBA or palette index;
// 16-bit samples big-endian). Samples of fewer than 8 bits are widened to one byte each.
struct RawPixels {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    std::vector<std::uint8_t> pixels;
};

// True when the bytes are longer than 4 and begin with the first four bytes of the PNG
// signature.
bool isPngSignature(std::span<const std::uint8_t> bytes);

// Decodes a PNG file held in memory into raw pixel rows. Nothing for a corrupt, truncated or
// oversized image (see kMaxPicturePixels); never allocates more than the data can describe.
std::optional<RawPixels> decodePngBytes(std::span<const std::uint8_t> bytes);
std::optional<RawPixels> readPngFile(const std::filesystem::path& path);

// Encodes rows of 8-bit RGB (3 bytes per pixel) or RGBA (4 bytes per pixel) samples, row i
// starting at pixels + i × width × bytesPerPixel. Empty when the size of `pixels` is not
// width × height × bytesPerPixel or the depth is neither 3 nor 4.
std::vector<std::uint8_t> encodePngBytes(std::span<const std::uint8_t> pixels, int width,
                                         int height, int bytesPerPixel);
bool writePngFile(const std::filesystem::path& path, std::span<const std::uint8_t> pixels,
                  int width, int height, int bytesPerPixel);

// A PNG of any colour type as a picture: 32-bit when the image has alpha or a transparency
// chunk, else 24-bit. Empty on failure.
Picture decodePngPicture(std::span<const std::uint8_t> bytes);
// A picture as an 8-bit RGB PNG (RGBA for a 32-bit picture; a mask is widened to RGB).
// Empty for an empty picture.
std::vector<std::uint8_t> encodePngPicture(const Picture& picture);

} // namespace image
