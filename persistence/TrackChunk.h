#pragma once
#include <cstdint>
#include <span>

#include "platform/ByteWriter.h"

namespace persistence {

// Appends the "TrkD" chunk: its 24-byte head (also for an empty board), then the "TrkP"
// record of every non-empty tile of layers 0 … 4, layer by layer in map order.
void writeTrackChunk(platform::ByteWriter& out);

// Reads a whole "TrkD" chunk, head included, into the board. Records are taken from offset
// 24 while a whole record head fits; a record with another tag, a stored length below its
// 52-byte head or reaching past the chunk ends the chunk. A record whose layer is not 0 … 4
// or whose position is outside 0 … 999 is stepped over (no board cell could show it); a tile
// already standing at the record's cell is reused.
struct TrackChunkNotes {
    std::size_t pointsWithoutNumber = 0;
    bool longDiagonals = false; // a line of shape 6 was read
    // Where in the chunk a damaged record ended it; 0 when every record was read.
    std::size_t cutAt = 0;
};
TrackChunkNotes readTrackChunk(std::span<const std::uint8_t> chunk);

} // namespace persistence
