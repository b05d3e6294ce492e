#pragma once
#include <cstdint>
#include <vector>

#include "model/Geometry.h"

namespace model {

class CTrackItem;

// The board cells whose track changed since the last height recomputation: every change of a
// board tile's lines, links, elevation or presence marks its cell, so that afterEdit can redo
// only what those cells reach. Past a few thousand cells (or after a bulk change) the record
// just says "everything".
namespace edited {

// Marks the cell of a tile on layers 0 … 4 at a valid position; other tiles are ignored.
void markTile(const CTrackItem& tile);
void markCell(int layer, TilePos pos);
// Everything may have changed: the next recomputation covers the whole board.
void markAll();

// A count that every mark (and every tile made or deleted anywhere) moves on: while it stands,
// no line, tile or layer map changed, so a search among them gives what it gave before.
std::uint64_t revision();
void bumpRevision();

struct Record {
    bool all = false;
    std::vector<std::uint32_t> cells; // packed positions, sorted, each once
};

// The record so far; the tracker starts again from nothing.
Record take();

} // namespace edited

} // namespace model
