#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/ByteWriter.h"

namespace items {

inline constexpr std::size_t kItemHeaderSize = 548;
inline constexpr std::uint32_t kItemMagicVersion1 = 0x33644F6A; // "3dOj"
inline constexpr std::uint32_t kItemMagicVersion2 = 0x33644F32; // "3dO2"

// The 548-byte header of an item model file, in host byte order. Both versions share the
// layout; the magic tells them apart. Reserved areas are not kept: they read as ignored and
// are written as zeros.
struct ItemHeader {
    std::uint32_t magic = kItemMagicVersion2;
    std::uint32_t totalLength = 0;
    std::int32_t kind = 0;
    float size = 1.0f;
    std::array<float, 3> offset{};
    float yaw = 0.0f;
    std::array<float, 3> viewpoint1{};
    float pitch = 0.0f;
    std::uint32_t drawFlags = 0;
    std::int32_t itemValue1 = 0;
    std::int32_t itemValue2 = 0;
    std::array<float, 3> viewpoint2{};
    std::array<float, 3> viewpoint3{};
    std::int32_t vehicleCountValue = 0;
    float vehicleFloatValue = 0.0f;
    std::array<std::uint8_t, 4> baseColour{}; // R, G, B, A
    std::array<float, 3> eyeOffset{};
    std::uint32_t lampMask = 0;
    std::uint32_t lampMirrorMask = 0;
    std::array<std::array<float, 3>, 2> lampPosition{};
    std::array<float, 2> lampSize{};
    std::array<float, 2> lampRoll{};
    std::array<std::array<std::uint8_t, 4>, 2> lampColour{};
    std::array<float, 2> lampTurn{};
    std::uint32_t thumbnailOffset = 0;
    std::uint32_t geometryOffset = 0;
    std::uint32_t wheelOffset = 0;

    bool isVersion1() const { return magic == kItemMagicVersion1; }
    bool isVersion2() const { return magic == kItemMagicVersion2; }
    bool hasKnownMagic() const { return isVersion1() || isVersion2(); }

    // Reads the first 548 bytes; nothing when fewer are given. The magic is not checked.
    static std::optional<ItemHeader> read(std::span<const std::uint8_t> bytes);
    // Appends exactly 548 bytes.
    void write(platform::ByteWriter& writer) const;
};

// The header of an item model file, reading only its first 548 bytes; nothing when the file
// cannot be read, is shorter or carries neither magic.
std::optional<ItemHeader> readItemHeader(const std::filesystem::path& path);

// The thumbnail PNG bytes of an item model file (the bytes from the thumbnail offset up to the
// geometry offset); empty when there is none or the file cannot be read.
std::vector<std::uint8_t> readThumbnail(const std::filesystem::path& path);

// Where the thumbnail of a file of `fileSize` bytes lies: from the thumbnail offset up to the
// geometry offset, or, in a file without geometry, up to the wheel offset or the end of the
// file. Nothing when there is no thumbnail offset or the span is empty or outside the file.
std::optional<std::pair<std::size_t, std::size_t>> thumbnailSpan(const ItemHeader& header,
                                                                 std::size_t fileSize);

} // namespace items
