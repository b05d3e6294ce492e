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
    if (chunk.size() <= kTrackChunkHeadLength || !isTag(chunk.data(), kTrackChunkTag)) {
        return {};
    }
    reserveFor(chunk);
    TrackChunkReader reader(chunk.size());
    reader.read(chunk.subspan(kTrackChunkHeadLength), kTrackChunkHeadLength);
    return reader.notes();
}

TrackChunkReader::TrackChunkReader(std::size_t chunkLength) : chunkLength_(chunkLength) {
    // A layer that was empty when the chunk began has no tile at a cell beyond the last one
    // this chunk placed there, which spares the search for records in map order.
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        wasEmpty_[layer] = model::layerTileCount(layer) == 0;
        lastKey_[layer] = -1;
    }
    done_ = chunkLength_ <= kTrackChunkHeadLength;
}

void TrackChunkReader::cut(std::size_t chunkOffset) {
    if (!done_) {
        notes_.cutAt = chunkOffset;
        done_ = true;
    }
}

std::size_t TrackChunkReader::read(std::span<const std::uint8_t> records, std::size_t chunkOffset) {
    std::size_t taken = 0;
    while (!done_) {
        const std::size_t offset = chunkOffset + taken;
        if (offset >= chunkLength_) {
            done_ = true;
            break;
        }
        // The record is judged against the rest of the chunk, as if the chunk were whole
        // here; it waits only when it is sound so far but not yet all here.
        const std::size_t chunkRest = chunkLength_ - offset;
        const auto rest = records.subspan(taken);
        if (chunkRest < kTileRecordHeadLength) {
            cut(offset);
            break;
        }
        if (rest.size() < kTileRecordHeadLength) {
            break;
        }
        std::uint32_t length = 0;
        platform::ByteReader::peekU32(rest, 4, length);
        if (!isTag(rest.data(), kTileRecordTag) || length < kTileRecordHeadLength ||
            length > chunkRest) {
            cut(offset);
            break;
        }
        if (length > rest.size()) {
            break;
        }
        TileRecordHead head;
        const auto record = rest.first(length);
        if (!readTileRecordHead(record, head)) {
            cut(offset);
            break;
        }
        taken += length;
        if (!model::isTrackLayer(head.layer) || !model::isValidTilePos(head.position)) {
            continue;
        }
        const std::int64_t key = model::packTilePos(head.position);
        model::CTrackItem* tile = nullptr;
        if (!wasEmpty_[head.layer] || key <= lastKey_[head.layer]) {
            tile = model::tileAt(head.layer, head.position);
        }
        if (tile == nullptr) {
            tile = model::createTile(head.position, head.layer);
        }
        lastKey_[head.layer] = std::max(lastKey_[head.layer], key);
        const TileReadNotes read = readTileRecordBody(record, head, *tile);
        notes_.pointsWithoutNumber += read.pointWithoutNumber ? 1 : 0;
        notes_.longDiagonals |= read.longDiagonal;
    }
    return taken;
}

} // namespace persistence
