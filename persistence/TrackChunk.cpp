#include "persistence/TrackChunk.h"

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFormat.h"
#include "persistence/TileRecord.h"

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

void readTrackChunk(std::span<const std::uint8_t> chunk) {
    if (chunk.size() <= kTrackChunkHeadLength || !isTag(chunk.data(), kTrackChunkTag)) {
        return;
    }
    std::size_t offset = kTrackChunkHeadLength;
    while (offset < chunk.size()) {
        TileRecordHead head;
        const auto rest = chunk.subspan(offset);
        if (!readTileRecordHead(rest, head)) {
            break;
        }
        const auto record = rest.first(head.length);
        offset += head.length;
        if (!model::isTrackLayer(head.layer) || !model::isValidTilePos(head.position)) {
            continue;
        }
        model::CTrackItem* tile = model::tileAt(head.layer, head.position);
        if (tile == nullptr) {
            tile = model::createTile(head.position, head.layer);
        }
        readTileRecordBody(record, head, *tile);
    }
}

} // namespace persistence
