#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace persistence {

// Where the trains library joins the layout file: it builds and reads the "TrnC" chunk of
// its vehicles. While nothing is registered, the writer leaves the chunk out and the reader
// skips it.
struct TrainChunkHandlers {
    // The whole "TrnC" chunk, head included; empty when there is no train controller.
    std::function<std::vector<std::uint8_t>()> write;
    // Reads a whole "TrnC" chunk, head included (its length was checked against the file).
    // Called in file order, so the tiles of the usual chunk order are already in place. The
    // result is the offset in the chunk where a damaged record ended the reading, or 0 when
    // every record was read.
    std::function<std::size_t(std::span<const std::uint8_t> chunk)> read;
};

TrainChunkHandlers& trainChunkHandlers();

} // namespace persistence
