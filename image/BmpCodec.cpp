#include "image/BmpCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace image {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint16_t u16At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t u32At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// The value of a bit-field mask within a pixel, scaled to 0 … 255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t maximum = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask == 0) {
            return;
        }
        while (((mask >> shift) & 1u) == 0) {
            ++shift;
        }
        maximum = mask >> shift;
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (mask == 0) {
            return 0;
        }
        const std::uint64_t value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>(value * 255 / maximum);
    }
};

} // namespace

Picture decodeBmpPicture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M') {
        return {};
    }
    const std::uint32_t pixelOffset = u32At(bytes, 10);
    const std::uint32_t headerSize = u32At(bytes, 14);
    if (headerSize != 12 && headerSize < kInfoHeaderSize) {
        return {};
    }
    if (headerSize > bytes.size() - kFileHeaderSize) {
        return {};
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t coloursUsed = 0;
    std::size_t paletteEntrySize = 4;
    std::uint32_t masks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0};
    bool haveAlphaMask = false;
    std::size_t paletteStart = kFileHeaderSize + headerSize;
    if (headerSize == 12) {
        width = u16At(bytes, 18);
        height = u16At(bytes, 20);
        bitCount = u16At(bytes, 24);
        paletteEntrySize = 3;
    } else {
        width = static_cast<std::int32_t>(u32At(bytes, 18));
        height = static_cast<std::int32_t>(u32At(bytes, 22));
        bitCount = u16At(bytes, 28);
        compression = u32At(bytes, 30);
        coloursUsed = u32At(bytes, 46);
        if (compression == kBiBitfields) {
            // The masks follow a 40-byte header and lie inside any longer one.
            const std::size_t maskAt = kFileHeaderSize + kInfoHeaderSize;
            if (bytes.size() < maskAt + 16) {
                return {};
            }
            if (headerSize < 52) {
                paletteStart = maskAt + 12;
            }
            for (int i = 0; i < 3; ++i) {
                masks[i] = u32At(bytes, maskAt + 4 * i);
            }
            if (headerSize >= 56) {
                masks[3] = u32At(bytes, maskAt + 12);
                haveAlphaMask = masks[3] != 0;
            }
        }
    }
    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (!pictureSizeAllowed(width, height)) {
        return {};
    }
    const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (!(paletted || bitCount == 24 || bitCount == 32)) {
        return {};
    }
    if (!(compression == kBiRgb || (compression == kBiBitfields && bitCount == 32))) {
        return {};
    }

    std::array<std::uint32_t, 256> palette{};
    std::size_t paletteSize = 0;
    if (paletted) {
        const std::size_t maximum = std::size_t{1} << bitCount;
        paletteSize = coloursUsed == 0 ? maximum : std::min<std::size_t>(coloursUsed, maximum);
        if (paletteStart > bytes.size() ||
            (bytes.size() - paletteStart) / paletteEntrySize < paletteSize) {
            return {};
        }
        for (std::size_t i = 0; i < paletteSize; ++i) {
            const std::size_t at = paletteStart + i * paletteEntrySize;
            palette[i] = static_cast<std::uint32_t>(bytes[at]) |
                         (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
                         (static_cast<std::uint32_t>(bytes[at + 2]) << 16);
        }
    }

    // The rows must all be present; the last one may lack its padding.
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * bitCount + 7) / 8;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t needed = stride * (height - 1) + rowBytes;
    if (pixelOffset > bytes.size() || bytes.size() - pixelOffset < needed) {
        return {};
    }

    const bool blackWhite =
        bitCount == 1 && paletteSize == 2 && palette[0] == 0 && palette[1] == 0xFFFFFFu;
    const int outBits = blackWhite ? 1 : (bitCount == 32 ? 32 : 24);
    Picture picture(static_cast<int>(width), static_cast<int>(height), outBits);
    if (picture.empty()) {
        return {};
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    bool anyAlpha = false;
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* source =
            bytes.data() + pixelOffset + stride * static_cast<std::uint64_t>(y);
        const int targetRow = static_cast<int>(topDown ? y : height - 1 - y);
        std::uint8_t* target = picture.row(targetRow);
        if (blackWhite) {
            std::memcpy(target, source, picture.stride());
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* out = target + x * picture.bytesPerPixel();
            if (paletted) {
                const int perByte = 8 / bitCount;
                const std::uint8_t byte = source[x / perByte];
                const int shift = 8 - bitCount * (static_cast<int>(x % perByte) + 1);
                const std::size_t index = (byte >> shift) & ((1u << bitCount) - 1);
                const std::uint32_t colour = index < paletteSize ? palette[index] : 0;
                out[0] = static_cast<std::uint8_t>(colour);
                out[1] = static_cast<std::uint8_t>(colour >> 8);
                out[2] = static_cast<std::uint8_t>(colour >> 16);
            } else if (bitCount == 24) {
                std::memcpy(out, source + x * 3, 3);
            } else if (compression == kBiBitfields) {
                const std::uint32_t value = u32At(bytes, pixelOffset + stride * y + x * 4);
                out[0] = blue(value);
                out[1] = green(value);
                out[2] = red(value);
                out[3] = haveAlphaMask ? alpha(value) : 0;
                anyAlpha = anyAlpha || out[3] != 0;
            } else {
                std::memcpy(out, source + x * 4, 4);
                anyAlpha = anyAlpha || out[3] != 0;
            }
        }
    }
    if (outBits == 32 && !anyAlpha) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                picture.pixel(x, y)[3] = 255;
            }
        }
    }
    return picture;
}

std::vector<std::uint8_t> encodeBmpPicture(const Picture& picture) {
    if (picture.empty()) {
        return {};
    }
    const int bits = picture.bitsPerPixel();
    const std::size_t stride = (static_cast<std::size_t>(picture.width()) * bits + 31) / 32 * 4;
    const std::size_t paletteBytes = bits == 1 ? 8 : 0;
    const std::size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
    const std::size_t imageBytes = stride * picture.height();
    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    putU32(out, static_cast<std::uint32_t>(pixelOffset + imageBytes));
    putU32(out, 0);
    putU32(out, static_cast<std::uint32_t>(pixelOffset));
    putU32(out, kInfoHeaderSize);
    putU32(out, static_cast<std::uint32_t>(picture.width()));
    putU32(out, static_cast<std::uint32_t>(picture.height()));
    putU16(out, 1);
    putU16(out, static_cast<std::uint16_t>(bits));
    putU32(out, kBiRgb);
    putU32(out, static_cast<std::uint32_t>(imageBytes));
    putU32(out, 3780); // 96 dots per inch
    putU32(out, 3780);
    putU32(out, bits == 1 ? 2 : 0);
    putU32(out, 0);
    if (bits == 1) {
        putU32(out, 0x000000);
        putU32(out, 0xFFFFFF);
    }
    for (int y = picture.height() - 1; y >= 0; --y) {
        const std::uint8_t* row = picture.row(y);
        out.insert(out.end(), row, row + picture.stride());
        out.insert(out.end(), stride - picture.stride(), 0);
    }
    return out;
}

} // namespace image
