// The vehicle record "TrnP": written and read side by side so that a field changes in both.
#include <cstring>

#include "items/LegacyNames.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "platform/ByteReader.h"
#include "platform/TextEncoding.h"
#include "trains/CTrainItem.h"

namespace trains {

namespace {

constexpr std::size_t kLineRecordHead = 20;

// Model names are UTF-8 in memory and Shift-JIS in the file; a name that does not convert
// travels as its raw bytes, so that a file is written back as it was read.
std::string nameToFile(const std::string& name) {
    if (auto sjis = platform::utf8ToSjis(name)) {
        return *sjis;
    }
    return name;
}

std::string nameFromFile(std::string_view raw) {
    if (auto utf8 = platform::sjisToUtf8(raw)) {
        return *utf8;
    }
    return std::string(raw);
}

} // namespace

void CTrainItem::writeRecord(platform::ByteWriter& out, std::int32_t rearNumber,
                             std::int32_t frontNumber) {
    const bool lineOrderFlag = reversedRunning_ != (position_.backward != 0);
    const model::LineItem* line = model::validLine(position_.line);
    const std::size_t pointCount = line != nullptr ? line->points().size() : 0;
    const std::size_t lineLength = kLineRecordHead + 8 * pointCount;
    const std::string name = nameToFile(modelName_);
    const model::CTrackItem* tile = currentTile();
    const model::TilePos tilePos = tile != nullptr ? tile->getPosition() : model::TilePos{};

    const std::size_t start = out.size();
    out.tag("TrnP");
    out.u32(static_cast<std::uint32_t>(kVehicleRecordHead + lineLength + name.size()));
    out.i32(typeCode_);
    out.i32(reversedRunning_ ? 1 : 0);
    out.i32(rearNumber);
    out.i32(frontNumber);
    out.i16(tilePos.column);
    out.i16(tilePos.row);
    out.i16(static_cast<std::int16_t>(grid1_[0])); // the record's field wraps past 32 767
    out.i16(static_cast<std::int16_t>(grid1_[1]));
    out.u32(static_cast<std::uint32_t>(kVehicleRecordHead));
    out.i32(layer1_);
    out.u8(lineOrderFlag ? 1 : 0);
    out.u8(position_.backward ? 1 : 0);
    out.u8(isHead() ? 1 : 0);
    out.u8(isTail() ? 1 : 0);
    out.u32(static_cast<std::uint32_t>(kVehicleRecordHead + lineLength));
    out.f32(static_cast<float>(speedRatio_));
    while (out.size() - start < kVehicleRecordHead) {
        out.u8(0);
    }
    out.i32(static_cast<std::int32_t>(pointCount));
    out.i32(line != nullptr ? line->getKind() : 0);
    for (int i = 0; i < 12; ++i) {
        out.u8(0);
    }
    for (std::size_t i = 0; i < pointCount; ++i) {
        const model::Pt& p = line->points()[lineOrderFlag ? pointCount - 1 - i : i];
        out.i32(p.x);
        out.i32(p.z);
    }
    out.bytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
}

bool CTrainItem::readRecord(std::span<const std::uint8_t> bytes, model::TilePos tileOffset) {
    if (bytes.size() <= kVehicleRecordHead) {
        return false;
    }
    platform::ByteReader in(bytes.first(kVehicleRecordHead));
    if (!in.tag("TrnP")) {
        return false;
    }
    const std::uint32_t total = in.u32();
    const std::int32_t type = in.i32();
    const std::int32_t reversed = in.i32();
    const std::int32_t rear = in.i32();
    const std::int32_t front = in.i32();
    const std::int16_t column = in.i16();
    const std::int16_t row = in.i16();
    in.skip(4 + 4); // grid point and line offset: derived again from the placement
    const std::int32_t layer = in.i32();
    in.skip(1); // line-order flag
    const std::uint8_t direction = in.u8();
    in.skip(1); // was head
    const std::uint8_t wasTail = in.u8();
    const std::uint32_t nameOffset = in.u32();
    const float ratio = in.f32();

    speedRatio_ = (ratio > 0.0f && ratio <= 1.0f) ? ratio : 1.0;
    typeCode_ = type;
    reversedRunning_ = reversed != 0;

    modelName_.clear();
    const std::size_t end = std::min<std::size_t>(total, bytes.size());
    if (nameOffset != 0 && nameOffset < end) {
        const std::string_view raw(reinterpret_cast<const char*>(bytes.data()) + nameOffset,
                                   end - nameOffset);
        const std::string translated = items::translateLegacyName(raw);
        modelName_ = translated.empty() ? nameFromFile(raw) : translated;
    }

    const int c = column + tileOffset.column;
    const int r = row + tileOffset.row;
    if (c < 0 || r < 0 || c > model::kMaxBoardSize || r > model::kMaxBoardSize) {
        return false;
    }
    model::CTrackItem* tile = model::tileAt(
        layer, model::TilePos{static_cast<std::int16_t>(c), static_cast<std::int16_t>(r)});
    if (tile == nullptr || !placeOnTile(tile, direction != 0)) {
        return false;
    }
    recordedRear_ = rear;
    recordedFront_ = front;
    savedAsTail_ = wasTail != 0;
    return true;
}

} // namespace trains
