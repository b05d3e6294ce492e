#include "items/geometry/CPixelTexture.h"

#include "platform/ByteReader.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>

namespace items {

namespace {

struct Span {
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};

void putWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

} // namespace

bool CPixelTexture::setWidth(std::int32_t width) {
    if (hasPixels()) {
        return false;
    }
    width_ = width;
    return true;
}

bool CPixelTexture::setHeight(std::int32_t height) {
    if (hasPixels()) {
        return false;
    }
    height_ = height;
    return true;
}

bool CPixelTexture::setComponents(std::int32_t components) {
    if (hasPixels()) {
        return false;
    }
    components_ = components;
    return true;
}

std::uint64_t CPixelTexture::pixelBufferSize() const {
    if (width_ < 0 || height_ < 0 || components_ < 0) {
        return 0;
    }
    // Each factor is below 2^31, so the product of the first two fits; check before the third.
    const std::uint64_t area = std::uint64_t(width_) * std::uint64_t(height_);
    if (components_ != 0 && area > kMaxPixelBufferSize / std::uint64_t(components_)) {
        return 0;
    }
    const std::uint64_t size = kPixelHeaderSize + area * std::uint64_t(components_);
    return size > kMaxPixelBufferSize ? 0 : size;
}

bool CPixelTexture::allocatePixels() {
    if (hasPixels()) {
        return true;
    }
    const std::uint64_t size = pixelBufferSize();
    if (size == 0) {
        return false;
    }
    pixelBuffer_.assign(static_cast<std::size_t>(size), 255);
    std::fill_n(pixelBuffer_.begin(), kPixelHeaderSize, 0);
    putWord(pixelBuffer_, 0, 0x5478496D); // "TxIm"
    putWord(pixelBuffer_, 4, static_cast<std::uint32_t>(size));
    putWord(pixelBuffer_, 8, static_cast<std::uint32_t>(width_));
    putWord(pixelBuffer_, 12, static_cast<std::uint32_t>(height_));
    putWord(pixelBuffer_, 16, static_cast<std::uint32_t>(components_));
    putWord(pixelBuffer_, 20, static_cast<std::uint32_t>(size - kPixelHeaderSize));
    return true;
}

void CPixelTexture::freePixels() {
    pixelBuffer_.clear();
    pixelBuffer_.shrink_to_fit();
}

std::span<const std::uint8_t> CPixelTexture::pixels() const {
    if (pixelBuffer_.size() < kPixelHeaderSize) {
        return {};
    }
    return std::span<const std::uint8_t>(pixelBuffer_).subspan(kPixelHeaderSize);
}

std::span<std::uint8_t> CPixelTexture::pixels() {
    if (pixelBuffer_.size() < kPixelHeaderSize) {
        return {};
    }
    return std::span<std::uint8_t>(pixelBuffer_).subspan(kPixelHeaderSize);
}

bool CPixelTexture::setPixel(std::size_t index, std::span<const std::uint8_t> pixel) {
    auto target = pixels();
    const auto size = static_cast<std::size_t>(components_);
    if (target.empty() || size == 0 || pixel.size() != size || index >= target.size() / size) {
        return false;
    }
    std::copy(pixel.begin(), pixel.end(),
              target.begin() + static_cast<std::ptrdiff_t>(index * size));
    return true;
}

bool CPixelTexture::setPixels(std::span<const std::uint8_t> rows) {
    const std::uint64_t size = pixelBufferSize();
    if (size == 0 || rows.size() != size - kPixelHeaderSize || !allocatePixels()) {
        return false;
    }
    auto target = pixels();
    if (target.size() != rows.size()) {
        return false;
    }
    std::copy(rows.begin(), rows.end(), target.begin());
    return true;
}

bool CPixelTexture::setEncodedImageFromFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    encodedImage_ = std::move(bytes);
    return true;
}

void CPixelTexture::clear() {
    width_ = 0;
    height_ = 0;
    components_ = 0;
    freePixels();
    firstString_.clear();
    secondString_.clear();
    encodedImage_.clear();
    backEndTexture_ = 0;
}

void CPixelTexture::copyFrom(const CPixelTexture& other) {
    if (&other == this) {
        return;
    }
    width_ = other.width_;
    height_ = other.height_;
    components_ = other.components_;
    pixelBuffer_ = other.pixelBuffer_;
    firstString_ = other.firstString_;
    secondString_ = other.secondString_;
    encodedImage_ = other.encodedImage_;
    backEndTexture_ = 0;
}

LoadStatus CPixelTexture::load(std::span<const std::uint8_t> block) {
    platform::ByteReader header(block);
    if (block.size() < kHeaderSize || !header.tag(kTextureTag)) {
        return LoadStatus::Refused;
    }
    const std::uint32_t length = header.u32();
    const std::int32_t width = header.i32();
    const std::int32_t height = header.i32();
    const std::int32_t components = header.i32();
    std::array<Span, 4> spans{};
    for (auto& span : spans) {
        span.start = header.u32();
        span.length = header.u32();
    }
    clear();
    width_ = width;
    height_ = height;
    components_ = components;

    bool clean = true;
    if (length < kHeaderSize || length > block.size()) {
        clean = false;
    } else {
        block = block.first(length);
    }
    platform::ByteReader whole(block);
    // The bytes of a present span, or nothing (and damage noted) when it leaves the block.
    const auto spanBytes = [&](const Span& span) -> std::span<const std::uint8_t> {
        if (span.start == 0 || span.length == 0) {
            return {};
        }
        if (!whole.contains(span.start, span.length)) {
            clean = false;
            return {};
        }
        return block.subspan(span.start, span.length);
    };
    const auto first = spanBytes(spans[0]);
    firstString_.assign(first.begin(), first.end());
    const auto second = spanBytes(spans[1]);
    secondString_.assign(second.begin(), second.end());
    const auto raw = spanBytes(spans[2]);
    if (!raw.empty()) {
        if (raw.size() == pixelBufferSize()) {
            pixelBuffer_.assign(raw.begin(), raw.end());
        } else {
            clean = false;
        }
    }
    const auto image = spanBytes(spans[3]);
    encodedImage_.assign(image.begin(), image.end());
    return clean ? LoadStatus::Loaded : LoadStatus::Damaged;
}

void CPixelTexture::save(platform::ByteWriter& writer) const {
    const std::size_t base = writer.size();
    std::uint32_t next = kHeaderSize;
    const auto place = [&next](std::size_t length) {
        if (length == 0) {
            return Span{};
        }
        const Span span{next, static_cast<std::uint32_t>(length)};
        next += static_cast<std::uint32_t>(length);
        return span;
    };
    const std::array<Span, 4> spans{place(firstString_.size()), place(secondString_.size()),
                                    place(pixelBuffer_.size()), place(encodedImage_.size())};
    writer.reserve(base + next);
    writer.tag(kTextureTag);
    writer.u32(next);
    writer.i32(width_);
    writer.i32(height_);
    writer.i32(components_);
    for (const Span& span : spans) {
        writer.u32(span.start);
        writer.u32(span.length);
    }
    writer.padTo(base + kHeaderSize);
    writer.bytes(
        std::span(reinterpret_cast<const std::uint8_t*>(firstString_.data()), firstString_.size()));
    writer.bytes(std::span(reinterpret_cast<const std::uint8_t*>(secondString_.data()),
                           secondString_.size()));
    writer.bytes(pixelBuffer_);
    writer.bytes(encodedImage_);
}

} // namespace items
