#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "model/Geometry.h"

namespace model {
class CTrackItem;
}

namespace editing {

// The tile block "TrkV": a rectangle of tiles as tile records of the layout file. It is the
// clipboard payload, the undo snapshot and the carrier of tiles during a board resize.
inline constexpr std::size_t kBlockHeadLength = 152;

// The non-empty tiles of the rectangle (corners in any order, clipped to 0 … 999) of a layer,
// row by row and within a row by column. The stored corners are the ordered rectangle.
std::vector<std::uint8_t> saveBlock(int layer, model::TilePos a, model::TilePos b);
// A block of one tile outside the board (a catalogue entry), as if it stood at (0, 0).
std::vector<std::uint8_t> saveTileAsBlock(const model::CTrackItem& tile);

// Whether the bytes are a whole, undamaged tile block: the tag, a stored length within the
// bytes, an ordered rectangle of at most 1000 × 1000 cells, and exactly the counted records,
// each whole, inside the rectangle and each cell at most once.
bool isTileBlock(std::span<const std::uint8_t> block);

// Writes a block into the rectangle a … b (inclusive, any order) of a layer; the block's
// pattern repeats over a larger target. Target cells outside the board are skipped. A source
// tile replaces the target tile, or, in merge mode, is merged into it when the two together
// have fewer than two branch points; with keepLinedTargets a source without lines leaves a
// target with lines alone. An empty source cell clears the target unless in merge mode;
// cleared tiles are queued for deferred deletion. Points keep the block's numbers where those
// are free (numbers of the overwritten tiles are free); every other point takes the lowest
// free number. A block that isTileBlock refuses changes nothing and gives false.
bool loadBlock(std::span<const std::uint8_t> block, int layer, model::TilePos a, model::TilePos b,
               bool keepLinedTargets, bool mergeMode);

namespace reference {
// loadBlock as first built: every block tile is copied into each of its targets. loadBlock
// moves a block tile into its last target instead and must leave exactly the same board.
bool loadBlockByCopy(std::span<const std::uint8_t> block, int layer, model::TilePos a,
                     model::TilePos b, bool keepLinedTargets, bool mergeMode);
} // namespace reference

// The width and height of a valid block's rectangle; false for anything isTileBlock refuses.
bool blockSize(std::span<const std::uint8_t> block, int& width, int& height);

} // namespace editing
