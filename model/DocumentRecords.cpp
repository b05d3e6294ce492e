#include "model/DocumentRecords.h"

#include <cstring>

namespace model {

const std::array<const char*, kWalkKeyCount> walkKeyNames = {
    "前進", "後退", "左回転", "右回転", "走る", "左移動", "右移動", "立つ", "しゃがむ"};

EnvironmentRecord EnvironmentRecord::defaults() {
    EnvironmentRecord record;
    record.groundColour = {0x3300, 0xA900, 0x1C00};
    record.hillHighColour = {0x3300, 0xA900, 0x1C00};
    record.hillLowColour = {0x9709, 0xD709, 0x7FFF};
    record.hollowColour = {0x028F, 0x3333, 0x51EB};
    return record;
}

PreferenceData PreferenceData::defaults() {
    PreferenceData data;
    data.backgroundColour[1] = 102;
    data.speedLevel = 10;
    data.newColumns = 11;
    data.newRows = 11;
    const std::int32_t keys[kWalkKeyCount] = {87, 83, 37, 39, 16, 65, 68, 88, 90};
    for (int i = 0; i < kWalkKeyCount; ++i) {
        data.keys[i].keyCode = keys[i];
    }
    return data;
}

namespace {

void putU32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t getU32(const std::uint8_t* in) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    }
    return value;
}

} // namespace

std::array<std::uint8_t, PreferenceData::kSize> PreferenceData::toBytes() const {
    std::array<std::uint8_t, kSize> out{};
    putU32(&out[0], flags);
    std::memcpy(&out[4], backgroundColour, 4);
    putU32(&out[8], static_cast<std::uint32_t>(speedLevel));
    putU32(&out[12], static_cast<std::uint32_t>(newColumns));
    putU32(&out[16], static_cast<std::uint32_t>(newRows));
    putU32(&out[20], static_cast<std::uint32_t>(reserved1));
    for (int i = 0; i < kWalkKeyCount; ++i) {
        std::uint8_t* entry = &out[24 + 16 * i];
        putU32(entry, static_cast<std::uint32_t>(keys[i].keyCode));
        std::memcpy(entry + 4, keys[i].reserved, 12);
    }
    std::memcpy(&out[168], reserved2, sizeof reserved2);
    return out;
}

std::optional<PreferenceData> PreferenceData::fromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSize) {
        return std::nullopt;
    }
    const std::uint8_t* in = bytes.data();
    PreferenceData data;
    data.flags = getU32(in);
    std::memcpy(data.backgroundColour, in + 4, 4);
    data.speedLevel = static_cast<std::int32_t>(getU32(in + 8));
    data.newColumns = static_cast<std::int32_t>(getU32(in + 12));
    data.newRows = static_cast<std::int32_t>(getU32(in + 16));
    data.reserved1 = static_cast<std::int32_t>(getU32(in + 20));
    for (int i = 0; i < kWalkKeyCount; ++i) {
        const std::uint8_t* entry = in + 24 + 16 * i;
        data.keys[i].keyCode = static_cast<std::int32_t>(getU32(entry));
        std::memcpy(data.keys[i].reserved, entry + 4, 12);
    }
    std::memcpy(data.reserved2, in + 168, sizeof data.reserved2);
    return data;
}

} // namespace model
