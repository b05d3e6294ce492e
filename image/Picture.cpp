#include "image/Picture.h"

namespace image {

bool pictureSizeAllowed(std::int64_t width, std::int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureDimension &&
           height <= kMaxPictureDimension && width * height <= kMaxPicturePixels;
}

Picture::Picture(int width, int height, int bitsPerPixel) {
    if (!pictureSizeAllowed(width, height) ||
        (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32)) {
        return;
    }
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    stride_ = bitsPerPixel == 1 ? (static_cast<std::size_t>(width) + 7) / 8
                                : static_cast<std::size_t>(width) * (bitsPerPixel / 8);
    pixels_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

std::uint32_t Picture::colourAt(int x, int y) const {
    if (empty() || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    if (bitsPerPixel_ == 1) {
        return maskBit(x, y) ? 0xFFFFFFu : 0u;
    }
    const std::uint8_t* p = pixel(x, y);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}

void Picture::setColourAt(int x, int y, std::uint32_t colour) {
    if (empty() || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    if (bitsPerPixel_ == 1) {
        setMaskBit(x, y, (colour & 0xFFFFFFu) != 0);
        return;
    }
    std::uint8_t* p = pixel(x, y);
    p[0] = static_cast<std::uint8_t>(colour);
    p[1] = static_cast<std::uint8_t>(colour >> 8);
    p[2] = static_cast<std::uint8_t>(colour >> 16);
}

bool Picture::maskBit(int x, int y) const {
    if (bitsPerPixel_ != 1 || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return false;
    }
    return (row(y)[x / 8] >> (7 - x % 8)) & 1;
}

void Picture::setMaskBit(int x, int y, bool white) {
    if (bitsPerPixel_ != 1 || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
    std::uint8_t& byte = row(y)[x / 8];
    byte = white ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

void Picture::release() {
    *this = Picture();
}

} // namespace image
