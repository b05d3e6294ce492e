#pragma once
#include <cstdint>
#include <memory>
#include <span>

#include "model/CTrackItem.h"
#include "platform/ByteWriter.h"

namespace persistence {

// The tile record "TrkP" and its four sections: the lines ("trck"), the picture (a PNG file),
// the structure ("tkSt") and the control items ("tkOp" records). Writers append to a byte
// buffer; readers take exactly the bytes of their record or section and never look outside.

// What reading a record brought that the recomputation after loading needs to know.
struct TileReadNotes {
    bool pointWithoutNumber = false; // a point item without a number was added
    bool longDiagonal = false;       // a line of shape 6 was added
};

// The placement fields of a tile record's 52-byte head.
struct TileRecordHead {
    std::uint32_t length = 0;
    std::int32_t layer = 0;
    model::TilePos position;
    std::int32_t elevationOffset = 0;
};

void writeTrackSection(platform::ByteWriter& out, const model::CTrack& track);
// A section of at least 28 bytes with the tag "trck" gives the tile its lines (records with
// at least one point, all within kMaxLinePointCoordinate); the stored count is read only while
// whole records remain. Every line of the tile is removed first, whatever the section holds.
// True when a line of shape 6 was added.
bool readTrackSection(std::span<const std::uint8_t> section, model::CTrackItem& tile);

void writeStructureSection(platform::ByteWriter& out, const model::CTrackStructureItem& structure);
// The structure of a "tkSt" section of at least 28 bytes, else null. Category 200 with a
// non-empty rect gets the default rect; the model name goes through the legacy-name table.
std::unique_ptr<model::CTrackStructureItem>
readStructureSection(std::span<const std::uint8_t> section);

// Appends nothing for a tile without control items.
void writeControlSection(platform::ByteWriter& out, const model::ControlItemMap& items);
// Replaces the tile's control items when the section holds more than its 8-byte head and
// its record size is 56: reads the counted "tkOp" records that fit, stopping at a wrong tag.
// Records of kinds outside 301 … 315 are skipped; a point number held elsewhere is not taken.
// True when a point was added without a number.
bool readControlSection(std::span<const std::uint8_t> section, model::CTrackItem& tile);

// Appends the "TrkP" record of a tile.
void writeTileRecord(platform::ByteWriter& out, const model::CTrackItem& tile);
// The head of the record at the start of `data`: false when fewer than 52 bytes are there,
// the tag is not "TrkP", or the stored length is below 52 or beyond `data`.
bool readTileRecordHead(std::span<const std::uint8_t> data, TileRecordHead& head);
// Reads the sections of a record (exactly `head.length` bytes) into a tile: the elevation
// offset (elevated layers only), lines when the track section is not empty, the picture, and
// the structure and control items when their offsets are not 0. Section offsets that lie
// outside the record or run backwards make that section empty.
TileReadNotes readTileRecordBody(std::span<const std::uint8_t> record, const TileRecordHead& head,
                                 model::CTrackItem& tile);

} // namespace persistence
