#include "persistence/TrackChunk.h"

#include <algorithm>
#include <array>

#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFormat.h"
#include "persistence/TileRecord.h"
#include "platform/ByteReader.h"

namespace persistence {

void writeTrackChunk(platform::ByteWriter& out) {
    const std::size_t start = out.size();
    out.tag(kTrackChunkTag);
    out.u32(0);
    out.zeros(16);
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            if (!tile->isEmpty()) {
                writeTileRecord(out, *tile);
            }
        }
    }
    out.patchU32(start + 4, static_cast<std::uint32_t>(out.size() - start));
}

namespace {

// Counts the records and their lines ahead (a walk over the record heads) and makes room for
// them in the registries.
void reserveFor(std::span<const std::uint8_t> chunk) {
    std::size_t tiles = 0;
    std::size_t lines = 0;
    std::size_t offset = kTrackChunkHeadLength;
    TileRecordHead head;
    while (offset < chunk.size() && readTileRecordHead(chunk.subspan(offset), head)) {
        ++tiles;
        std::uint32_t trackOffset = 0;
        std::uint32_t count = 0;
        if (platform::ByteReader::peekU32(chunk, offset + 8, trackOffset) &&
            trackOffset <= head.length &&
            platform::ByteReader::peekU32(chunk, offset + trackOffset + 8, count)) {
            // A line needs at least one point, so a record cannot hold more than this.
            lines += std::min<std::size_t>(count, head.length / (kLineRecordHeadLength + 8));
        }
        offset += head.length;
    }
    model::reserveTileRegistry(tiles);
    model::reserveLineRegistry(lines);
}

} // namespace

TrackChunkNotes readTrackChunk(std::span<const std::uint8_t> chunk) {
    TrackChunkNotes notes;
    if (chunk.size() <= kTrackChunkHeadLength || !isTag(chunk.data(), kTrackChunkTag)) {
        return notes;
    }
    // A layer that was empty when the chunk began has no tile at a cell beyond the last one
    // this chunk placed there, which spares the search for records in map order.
    std::array<bool, model::kTrackLayers> wasEmpty{};
    std::array<std::int64_t, model::kTrackLayers> lastKey{};
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        wasEmpty[layer] = model::layerTileCount(layer) == 0;
        lastKey[layer] = -1;
    }
    reserveFor(chunk);
    std::size_t offset = kTrackChunkHeadLength;
    while (offset < chunk.size()) {
        TileRecordHead head;
        const auto rest = chunk.subspan(offset);
        if (!readTileRecordHead(rest, head)) {
            notes.cutAt = offset;
            break;
        }
        const auto record = rest.first(head.length);
        offset += head.length;
        if (!model::isTrackLayer(head.layer) || !model::isValidTilePos(head.position)) {
            continue;
        }
        const std::int64_t key = model::packTilePos(head.position);
        model::CTrackItem* tile = nullptr;
        if (!wasEmpty[head.layer] || key <= lastKey[head.layer]) {
            tile = model::tileAt(head.layer, head.position);
        }
        if (tile == nullptr) {
            tile = model::createTile(head.position, head.layer);
        }
        lastKey[head.layer] = std::max(lastKey[head.layer], key);
        const TileReadNotes read = readTileRecordBody(record, head, *tile);
        notes.pointsWithoutNumber += read.pointWithoutNumber ? 1 : 0;
        notes.longDiagonals |= read.longDiagonal;
    }
    return notes;
}

} // namespace persistence
