#pragma once
#include "items/geometry/GeometryTypes.h"
#include "platform/ByteWriter.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace items {

class C3DObject;

// A texture of a geometry node: its size, an optional pixel buffer, two texture strings and
// an optional encoded image (the bytes of a PNG file, kept undecoded; the renderer decodes
// it into the pixel buffer when it first builds the back-end texture).
//
// The pixel buffer is one allocation of 32 + width * height * components bytes: a 32-byte
// header of big-endian words ("TxIm", total size, width, height, components, pixel byte count,
// 0, 0) followed by the rows of pixels from the top, components 3 as R G B, 4 as R G B A.
class CPixelTexture {
public:
    static constexpr std::size_t kHeaderSize = 156;
    static constexpr std::size_t kPixelHeaderSize = 32;
    // Largest pixel buffer allocatePixels() makes; larger sizes are refused.
    static constexpr std::uint64_t kMaxPixelBufferSize = 512ull * 1024 * 1024;

    explicit CPixelTexture(C3DObject* owner = nullptr) : owner_(owner) {}

    C3DObject* owner() const { return owner_; }
    void setOwner(C3DObject* owner) { owner_ = owner; }

    // The size can change only while there is no pixel buffer; then these return false.
    bool setWidth(std::int32_t width);
    bool setHeight(std::int32_t height);
    bool setComponents(std::int32_t components);
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t components() const { return components_; }

    // 32 + width * height * components, or 0 when a size field is negative or the result is
    // above kMaxPixelBufferSize.
    std::uint64_t pixelBufferSize() const;

    // Allocates the pixel buffer (header written, every pixel byte 255) unless one exists.
    // False when the size is invalid or too large.
    bool allocatePixels();
    void freePixels();
    bool hasPixels() const { return !pixelBuffer_.empty(); }
    // The whole buffer with its 32-byte header, and the pixels after the header.
    std::span<const std::uint8_t> pixelBuffer() const { return pixelBuffer_; }
    std::span<const std::uint8_t> pixels() const;
    std::span<std::uint8_t> pixels();
    // Copies one pixel (`components` bytes) to pixel number `index`; false when out of range,
    // without a buffer or with a wrong byte count.
    bool setPixel(std::size_t index, std::span<const std::uint8_t> pixel);
    // Copies decoded rows (width * components bytes each, from the top) into the buffer,
    // allocating it when needed; false when the byte count does not match.
    bool setPixels(std::span<const std::uint8_t> rows);

    const std::string& firstString() const { return firstString_; }
    const std::string& secondString() const { return secondString_; }
    void setFirstString(std::string text) { firstString_ = std::move(text); }
    void setSecondString(std::string text) { secondString_ = std::move(text); }
    bool hasFirstString() const { return !firstString_.empty(); }
    bool hasSecondString() const { return !secondString_.empty(); }

    std::span<const std::uint8_t> encodedImage() const { return encodedImage_; }
    void setEncodedImage(std::vector<std::uint8_t> bytes) { encodedImage_ = std::move(bytes); }
    // Reads a whole file as the encoded image; false (image unchanged) when it cannot be read.
    bool setEncodedImageFromFile(const std::filesystem::path& path);

    // Whether there is anything to build a back-end texture from (pixels or an encoded image).
    bool hasImageData() const { return hasPixels() || !encodedImage_.empty(); }

    // The back-end texture made from this texture by the renderer (0 = none). The renderer
    // creates and deletes it; this object only carries the handle.
    std::uint32_t backEndTexture() const { return backEndTexture_; }
    void setBackEndTexture(std::uint32_t handle) { backEndTexture_ = handle; }
    bool ready() const { return backEndTexture_ != 0; }

    // Empties everything but the owner (the back-end handle is forgotten, not released).
    void clear();
    void copyFrom(const CPixelTexture& other);

    // Reads a "PxTx" block. Refused (texture unchanged) when shorter than 156 bytes or tagged
    // otherwise. Otherwise the texture is cleared and takes the size words, the two texture
    // strings, the raw pixel buffer (only when its span length is exactly the buffer size for
    // the stored width, height and components) and the encoded image. Spans that do not lie
    // inside the block, and a raw buffer of the wrong length, are skipped and reported as
    // damage.
    LoadStatus load(std::span<const std::uint8_t> block);
    // Appends a "PxTx" block: the 156-byte header, then the first and second texture strings,
    // the raw pixel buffer and the encoded image, back to back; absent parts get start and
    // length 0.
    void save(platform::ByteWriter& writer) const;

private:
    C3DObject* owner_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t components_ = 0;
    std::vector<std::uint8_t> pixelBuffer_;
    std::string firstString_;
    std::string secondString_;
    std::vector<std::uint8_t> encodedImage_;
    std::uint32_t backEndTexture_ = 0;
};

} // namespace items
