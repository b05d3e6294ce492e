#include "persistence/TileRecord.h"

#include <algorithm>
#include <array>

#include "persistence/CImageItem.h"
#include "persistence/FileText.h"
#include "persistence/LayoutFormat.h"
#include "persistence/LineRecord.h"
#include "platform/ByteReader.h"

namespace persistence {

namespace {

using platform::ByteReader;
using platform::ByteWriter;

void writeRect(ByteWriter& out, const model::LayoutRect& rect) {
    out.i16(rect.top);
    out.i16(rect.left);
    out.i16(rect.bottom);
    out.i16(rect.right);
}

model::LayoutRect readRect(ByteReader& in) {
    model::LayoutRect rect;
    rect.top = in.i16();
    rect.left = in.i16();
    rect.bottom = in.i16();
    rect.right = in.i16();
    return rect;
}

bool isEmptyRect(const model::LayoutRect& rect) {
    return rect.right == rect.left || rect.bottom == rect.top;
}

bool isControlKind(std::int32_t kind) {
    return kind >= model::KindPoint && kind <= model::KindPierLast;
}

void writeControlItem(ByteWriter& out, const model::CTrackControlItem& item) {
    out.tag(kControlItemTag);
    out.u32(kControlItemRecordLength);
    out.i32(item.getKind());
    writeRect(out, item.getRect());
    // Only a point's state (its setting) means anything in a file; the other kinds keep a
    // vehicle address there while running, which is written as 0.
    const bool point = item.getKind() == model::KindPoint;
    out.i32(point ? static_cast<std::int32_t>(item.getOccupant()) : 0);
    out.i32(0);
    out.i32(item.getNumber());
    out.i32(item.getValue());
    out.zeros(20);
}

} // namespace

void writeTrackSection(ByteWriter& out, const model::CTrack& track) {
    const std::size_t start = out.size();
    out.tag(kTrackSectionTag);
    out.u32(0);
    out.u32(static_cast<std::uint32_t>(track.lineCount()));
    out.zeros(16);
    for (const auto& line : track.lines()) {
        writeLineRecord(out, line->points(), line->getKind());
    }
    out.patchU32(start + 4, static_cast<std::uint32_t>(out.size() - start));
}

bool readTrackSection(std::span<const std::uint8_t> section, model::CTrackItem& tile) {
    model::CTrack& track = tile.getTrack();
    track.deleteLines();
    bool longDiagonal = false;
    if (section.size() < kTrackSectionHeadLength || !isTag(section.data(), kTrackSectionTag)) {
        return longDiagonal;
    }
    ByteReader in(section);
    in.skip(8);
    const std::uint32_t count = in.u32();
    in.seek(kTrackSectionHeadLength);
    // A usable line takes at least one point, which bounds what the stored count can ask for.
    track.reserveLines(std::min<std::size_t>(count, (section.size() - kTrackSectionHeadLength) /
                                                        (kLineRecordHeadLength + 8)));
    std::vector<model::Pt> points;
    for (std::uint32_t i = 0; i < count; ++i) {
        int kind = 0;
        if (!readLineRecord(in, points, kind)) {
            break;
        }
        const bool usable =
            !points.empty() && std::all_of(points.begin(), points.end(), [](const model::Pt& p) {
                return p.x >= -kMaxLinePointCoordinate && p.x <= kMaxLinePointCoordinate &&
                       p.z >= -kMaxLinePointCoordinate && p.z <= kMaxLinePointCoordinate;
            });
        if (usable) {
            longDiagonal |= track.addLine(std::move(points), kind).getShape() == 6;
            points = {};
        }
    }
    return longDiagonal;
}

void writeStructureSection(ByteWriter& out, const model::CTrackStructureItem& structure) {
    const std::string name = toFileText(structure.getModelName());
    const std::size_t nameLength = name.size();
    out.tag(kStructureSectionTag);
    out.u32(static_cast<std::uint32_t>(kStructureSectionHeadLength + nameLength));
    out.i32(structure.getCategory());
    writeRect(out, structure.getRect());
    out.u32(nameLength > 0 ? static_cast<std::uint32_t>(kStructureSectionHeadLength) : 0);
    out.zeros(4);
    out.bytes({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
}

std::unique_ptr<model::CTrackStructureItem>
readStructureSection(std::span<const std::uint8_t> section) {
    if (section.size() < kStructureSectionHeadLength ||
        !isTag(section.data(), kStructureSectionTag)) {
        return nullptr;
    }
    ByteReader in(section);
    in.skip(4);
    const std::uint32_t storedLength = in.u32();
    auto structure = std::make_unique<model::CTrackStructureItem>();
    structure->setCategory(in.i32());
    model::LayoutRect rect = readRect(in);
    if (structure->getCategory() == model::StructureTree && !isEmptyRect(rect)) {
        rect = model::CTrackItemobject::defaultRect();
    }
    structure->setRect(rect);
    const std::uint32_t nameOffset = in.u32();
    // The name runs to the section's end, or to the stored length when that is shorter.
    std::size_t end = section.size();
    if (storedLength >= kStructureSectionHeadLength && storedLength < end) {
        end = storedLength;
    }
    if (nameOffset != 0 && nameOffset >= kStructureSectionHeadLength && nameOffset < end) {
        structure->setModelName(modelNameFromFile(section.subspan(nameOffset, end - nameOffset)));
    }
    return structure;
}

void writeControlSection(ByteWriter& out, const model::ControlItemMap& items) {
    if (items.empty()) {
        return;
    }
    out.u32(static_cast<std::uint32_t>(items.size()));
    out.u32(kControlItemRecordLength);
    for (const auto& [kind, item] : items) {
        writeControlItem(out, *item);
    }
}

bool readControlSection(std::span<const std::uint8_t> section, model::CTrackItem& tile) {
    if (section.size() <= kControlSectionHeadLength) {
        return false;
    }
    tile.removeControlItems(model::KindReading);
    ByteReader in(section);
    const std::uint32_t count = in.u32();
    if (in.u32() != kControlItemRecordLength) {
        return false;
    }
    for (std::uint32_t i = 0; i < count && in.has(kControlItemRecordLength); ++i) {
        ByteReader record = in.sub(in.position(), kControlItemRecordLength);
        in.skip(kControlItemRecordLength);
        if (!record.tag(kControlItemTag)) {
            break;
        }
        record.skip(4);
        const std::int32_t kind = record.i32();
        const model::LayoutRect rect = readRect(record);
        const std::int32_t state = record.i32();
        record.skip(4);
        const std::int32_t number = record.i32();
        const std::int32_t value = record.i32();
        if (!isControlKind(kind)) {
            continue;
        }
        auto item = std::make_unique<model::CTrackControlItem>(kind);
        item->setRect(rect);
        if (kind == model::KindPoint) {
            item->setOccupant(static_cast<std::uint32_t>(state));
        }
        item->setValue(value);
        model::CTrackControlItem* raw = item.get();
        if (tile.addControlItem(std::move(item)) && kind == model::KindPoint && number > 0) {
            raw->setNumber(number);
        }
    }
    const model::CTrackControlItem* point = tile.pointItem();
    return point != nullptr && point->getNumber() == 0;
}

void writeTileRecord(ByteWriter& out, const model::CTrackItem& tile) {
    const std::size_t start = out.size();
    out.tag(kTileRecordTag);
    out.u32(0);
    out.u32(kTileRecordHeadLength);
    out.zeros(12); // the picture, structure and control-item offsets, filled in below
    out.i32(tile.getLayer());
    out.i16(tile.getPosition().column);
    out.i16(tile.getPosition().row);
    out.i32(tile.getElevationOffset());
    out.zeros(16);

    writeTrackSection(out, tile.getTrack());
    out.patchU32(start + 12, static_cast<std::uint32_t>(out.size() - start));
    if (const model::TilePicture* picture = tile.getPicture()) {
        out.bytes(picture->encodePng());
    }
    out.patchU32(start + 16, static_cast<std::uint32_t>(out.size() - start));
    if (const model::CTrackStructureItem* structure = tile.getStructure()) {
        writeStructureSection(out, *structure);
    }
    out.patchU32(start + 20, static_cast<std::uint32_t>(out.size() - start));
    writeControlSection(out, tile.controlItems());
    out.patchU32(start + 4, static_cast<std::uint32_t>(out.size() - start));
}

bool readTileRecordHead(std::span<const std::uint8_t> data, TileRecordHead& head) {
    if (data.size() < kTileRecordHeadLength || !isTag(data.data(), kTileRecordTag)) {
        return false;
    }
    ByteReader in(data);
    in.skip(4);
    head.length = in.u32();
    if (head.length < kTileRecordHeadLength || head.length > data.size()) {
        return false;
    }
    in.seek(24);
    head.layer = in.i32();
    head.position.column = in.i16();
    head.position.row = in.i16();
    head.elevationOffset = in.i32();
    return true;
}

TileReadNotes readTileRecordBody(std::span<const std::uint8_t> record, const TileRecordHead& head,
                                 model::CTrackItem& tile) {
    TileReadNotes notes;
    if (head.layer > 0) {
        tile.setElevationOffset(head.elevationOffset);
    }
    std::array<std::uint32_t, 4> offsets{};
    ByteReader in(record);
    in.seek(8);
    for (auto& offset : offsets) {
        offset = in.u32();
    }
    // Section i runs from its offset to the next non-zero offset (the record's end for the
    // last); a range outside the record or inside the head counts as an empty section.
    const auto section = [&](std::size_t i) -> std::span<const std::uint8_t> {
        std::size_t end = record.size();
        for (std::size_t j = i + 1; j < offsets.size(); ++j) {
            if (offsets[j] != 0) {
                end = offsets[j];
                break;
            }
        }
        const std::size_t begin = offsets[i];
        if (begin < kTileRecordHeadLength || begin > end || end > record.size()) {
            return {};
        }
        return record.subspan(begin, end - begin);
    };

    if (const auto track = section(0); !track.empty()) {
        notes.longDiagonal = readTrackSection(track, tile);
    }
    tile.setPicture(CImageItem::fromPng(section(1)));
    if (offsets[2] != 0) {
        tile.setStructure(readStructureSection(section(2)));
    }
    notes.pointWithoutNumber = offsets[3] != 0 && readControlSection(section(3), tile);
    return notes;
}

} // namespace persistence
