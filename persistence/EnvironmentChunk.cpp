#include "persistence/EnvironmentChunk.h"

#include "persistence/LayoutFormat.h"
#include "platform/ByteReader.h"

namespace persistence {

namespace {

void writeColour(platform::ByteWriter& out, const model::RGBColor16& colour) {
    out.u16(colour.red);
    out.u16(colour.green);
    out.u16(colour.blue);
}

model::RGBColor16 readColour(platform::ByteReader& in) {
    model::RGBColor16 colour;
    colour.red = in.u16();
    colour.green = in.u16();
    colour.blue = in.u16();
    return colour;
}

} // namespace

void writeEnvironmentChunk(platform::ByteWriter& out, const model::EnvironmentRecord& record) {
    out.tag(kEnvironmentChunkTag);
    out.u32(kEnvironmentChunkLength);
    out.i32(record.skyType);
    out.u32(record.flags);
    writeColour(out, record.groundColour);
    writeColour(out, record.hillHighColour);
    writeColour(out, record.hillLowColour);
    writeColour(out, record.hollowColour);
    out.f32(record.lightPosition.x);
    out.f32(record.lightPosition.y);
    out.f32(record.lightPosition.z);
    out.bytes(record.reserved);
}

std::optional<model::EnvironmentRecord> readEnvironmentChunk(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < kEnvironmentChunkLength || !isTag(chunk.data(), kEnvironmentChunkTag)) {
        return std::nullopt;
    }
    platform::ByteReader in(chunk);
    in.skip(kChunkHeadLength);
    model::EnvironmentRecord record;
    record.skyType = in.i32();
    record.flags = in.u32();
    record.groundColour = readColour(in);
    record.hillHighColour = readColour(in);
    record.hillLowColour = readColour(in);
    record.hollowColour = readColour(in);
    record.lightPosition.x = in.f32();
    record.lightPosition.y = in.f32();
    record.lightPosition.z = in.f32();
    const auto reserved = in.bytes(sizeof(record.reserved));
    std::copy(reserved.begin(), reserved.end(), record.reserved);
    return record;
}

} // namespace persistence
