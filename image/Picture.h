#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace image {

// Largest width or height of a picture this library creates or decodes.
inline constexpr int kMaxPictureDimension = 32768;
// Largest pixel count of a picture this library creates or decodes (a 128 MB 32-bit picture).
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 25;

// True when a picture of this size may be created: both sides at least 1, neither side above
// kMaxPictureDimension and the area within kMaxPicturePixels.
bool pictureSizeAllowed(std::int64_t width, std::int64_t height);

// A device-independent bitmap: width × height pixels, rows from the top, no row padding.
// 24 bits per pixel store blue, green, red; 32 bits store blue, green, red, alpha; 1 bit per
// pixel is a mask (most significant bit first, bit 0 black, bit 1 white). A default picture
// is empty (no bitmap); a picture whose creation was refused is empty too.
class Picture {
public:
    Picture() = default;
    // A picture of the given size with every byte zero; empty when the size or the depth
    // (1, 24 or 32) is refused.
    Picture(int width, int height, int bitsPerPixel);

    bool empty() const { return pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    // Bytes per pixel: 3 or 4, and 0 for a 1-bit mask.
    int bytesPerPixel() const { return bitsPerPixel_ / 8; }
    bool hasAlpha() const { return bitsPerPixel_ == 32; }
    std::size_t stride() const { return stride_; }

    std::span<std::uint8_t> bytes() { return pixels_; }
    std::span<const std::uint8_t> bytes() const { return pixels_; }
    std::uint8_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t* row(int y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * stride_;
    }
    // The first byte of pixel (x, y) of a 24- or 32-bit picture; no bounds check.
    std::uint8_t* pixel(int x, int y) {
        return row(y) + static_cast<std::size_t>(x) * bytesPerPixel();
    }
    const std::uint8_t* pixel(int x, int y) const {
        return row(y) + static_cast<std::size_t>(x) * bytesPerPixel();
    }

    // The colour of pixel (x, y) as a 24-bit key value: the first stored byte in the low
    // byte, the second in the next, the third in the high byte. A mask pixel reads as
    // 0x000000 or 0xFFFFFF. Out-of-range coordinates read as 0.
    std::uint32_t colourAt(int x, int y) const;
    // Sets the colour bytes of pixel (x, y) from a 24-bit key value (alpha is left alone);
    // a mask pixel becomes white unless the value is 0. Out-of-range coordinates are ignored.
    void setColourAt(int x, int y, std::uint32_t colour);
    bool maskBit(int x, int y) const;
    void setMaskBit(int x, int y, bool white);

    // Drops the bitmap; the picture becomes empty.
    void release();

    bool operator==(const Picture&) const = default;

private:
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> pixels_;
};

} // namespace image
