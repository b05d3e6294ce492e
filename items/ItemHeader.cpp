#include "items/ItemHeader.h"

#include "image/FileBytes.h"
#include "platform/ByteReader.h"

#include <fstream>

namespace items {
namespace {

void readFloats(platform::ByteReader& in, std::span<float> values) {
    for (float& value : values) {
        value = in.f32();
    }
}

void writeFloats(platform::ByteWriter& out, std::span<const float> values) {
    for (float value : values) {
        out.f32(value);
    }
}

void readColour(platform::ByteReader& in, std::array<std::uint8_t, 4>& colour) {
    for (std::uint8_t& byte : colour) {
        byte = in.u8();
    }
}

void writeColour(platform::ByteWriter& out, const std::array<std::uint8_t, 4>& colour) {
    for (std::uint8_t byte : colour) {
        out.u8(byte);
    }
}

} // namespace

std::optional<ItemHeader> ItemHeader::read(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kItemHeaderSize) {
        return std::nullopt;
    }
    platform::ByteReader in(bytes.first(kItemHeaderSize));
    ItemHeader h;
    h.magic = in.u32();                // 0x000
    h.totalLength = in.u32();          // 0x004
    h.kind = in.i32();                 // 0x008
    h.size = in.f32();                 // 0x00C
    readFloats(in, h.offset);          // 0x010
    h.yaw = in.f32();                  // 0x01C
    readFloats(in, h.viewpoint1);      // 0x020
    h.pitch = in.f32();                // 0x02C
    h.drawFlags = in.u32();            // 0x030
    h.itemValue1 = in.i32();           // 0x034
    h.itemValue2 = in.i32();           // 0x038
    readFloats(in, h.viewpoint2);      // 0x03C
    readFloats(in, h.viewpoint3);      // 0x048
    h.vehicleCountValue = in.i32();    // 0x054
    h.vehicleFloatValue = in.f32();    // 0x058
    readColour(in, h.baseColour);      // 0x05C
    readFloats(in, h.eyeOffset);       // 0x060
    h.lampMask = in.u32();             // 0x06C
    h.lampMirrorMask = in.u32();       // 0x070
    readFloats(in, h.lampPosition[0]); // 0x074
    readFloats(in, h.lampPosition[1]); // 0x080
    readFloats(in, h.lampSize);        // 0x08C
    readFloats(in, h.lampRoll);        // 0x094
    readColour(in, h.lampColour[0]);   // 0x09C
    readColour(in, h.lampColour[1]);   // 0x0A0
    in.skip(8);                        // 0x0A4 reserved
    readFloats(in, h.lampTurn);        // 0x0AC
    in.skip(8 + 96);                   // 0x0B4 reserved
    h.thumbnailOffset = in.u32();      // 0x11C
    h.geometryOffset = in.u32();       // 0x120
    h.wheelOffset = in.u32();          // 0x124
    in.skip(8 + 244);                  // 0x128 version-specific integers, reserved
    if (!in.ok() || !in.atEnd()) {
        return std::nullopt;
    }
    return h;
}

void ItemHeader::write(platform::ByteWriter& out) const {
    const std::size_t start = out.size();
    out.u32(magic);
    out.u32(totalLength);
    out.i32(kind);
    out.f32(size);
    writeFloats(out, offset);
    out.f32(yaw);
    writeFloats(out, viewpoint1);
    out.f32(pitch);
    out.u32(drawFlags);
    out.i32(itemValue1);
    out.i32(itemValue2);
    writeFloats(out, viewpoint2);
    writeFloats(out, viewpoint3);
    out.i32(vehicleCountValue);
    out.f32(vehicleFloatValue);
    writeColour(out, baseColour);
    writeFloats(out, eyeOffset);
    out.u32(lampMask);
    out.u32(lampMirrorMask);
    writeFloats(out, lampPosition[0]);
    writeFloats(out, lampPosition[1]);
    writeFloats(out, lampSize);
    writeFloats(out, lampRoll);
    writeColour(out, lampColour[0]);
    writeColour(out, lampColour[1]);
    out.zeros(8);
    writeFloats(out, lampTurn);
    out.zeros(8 + 96);
    out.u32(thumbnailOffset);
    out.u32(geometryOffset);
    out.u32(wheelOffset);
    out.zeros(8 + 244);
    out.padTo(start + kItemHeaderSize);
}

std::optional<std::pair<std::size_t, std::size_t>> thumbnailSpan(const ItemHeader& header,
                                                                 std::size_t fileSize) {
    const std::size_t begin = header.thumbnailOffset;
    if (begin == 0 || begin >= fileSize) {
        return std::nullopt;
    }
    std::size_t end = fileSize;
    if (header.geometryOffset != 0) {
        end = header.geometryOffset;
    } else if (header.wheelOffset > begin) {
        end = header.wheelOffset;
    }
    if (end <= begin || end > fileSize) {
        return std::nullopt;
    }
    return std::pair{begin, end};
}

std::optional<ItemHeader> readItemHeader(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(kItemHeaderSize);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), kItemHeaderSize)) {
        return std::nullopt;
    }
    auto header = ItemHeader::read(bytes);
    if (!header || !header->hasKnownMagic()) {
        return std::nullopt;
    }
    return header;
}

std::vector<std::uint8_t> readThumbnail(const std::filesystem::path& path) {
    const auto bytes = image::readFileBytes(path);
    if (!bytes) {
        return {};
    }
    const auto header = ItemHeader::read(*bytes);
    if (!header || !header->hasKnownMagic()) {
        return {};
    }
    const auto span = thumbnailSpan(*header, bytes->size());
    if (!span) {
        return {};
    }
    return {bytes->begin() + static_cast<std::ptrdiff_t>(span->first),
            bytes->begin() + static_cast<std::ptrdiff_t>(span->second)};
}

} // namespace items
