#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "model/TrackTiles.h"

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

// The same reading for a chunk whose bytes arrive in pieces (a file read through a window):
// each call reads the whole records at the start of the bytes given and says how many bytes
// it took; a record that is not whole there waits for the next call.
class TrackChunkReader {
public:
    // For the records of a chunk `chunkLength` bytes long, head included.
    explicit TrackChunkReader(std::size_t chunkLength);
    // `records` are the chunk's bytes from `chunkOffset` on (the first call starts after the
    // head). Returns the bytes of the whole records read; fewer than given when the next
    // record is not whole in them, none when the chunk ended or was cut.
    std::size_t read(std::span<const std::uint8_t> records, std::size_t chunkOffset);
    // Every record was read, or damage ended the chunk.
    bool done() const { return done_; }
    // Ends the chunk at `chunkOffset` because its bytes could not be had.
    void cut(std::size_t chunkOffset);
    const TrackChunkNotes& notes() const { return notes_; }

private:
    std::size_t chunkLength_;
    bool done_ = false;
    TrackChunkNotes notes_;
    std::array<bool, model::kTrackLayers> wasEmpty_{};
    std::array<std::int64_t, model::kTrackLayers> lastKey_{};
};

} // namespace persistence
