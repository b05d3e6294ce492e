#pragma once
#include <map>
#include <memory>
#include <vector>

#include "model/CTrackItem.h"
#include "model/Geometry.h"

namespace editing {

// Scratch tiles outside the board (cells from 1000 on), so that they enter no layer map.
// They are deleted with the set.
class ScratchTiles {
public:
    ScratchTiles() = default;
    // Room for this many tiles ahead.
    explicit ScratchTiles(std::size_t expected) { tiles_.reserve(expected); }
    ~ScratchTiles();
    ScratchTiles(const ScratchTiles&) = delete;
    ScratchTiles& operator=(const ScratchTiles&) = delete;

    // A new scratch tile of the layer for pattern cell (dc, dr).
    model::CTrackItem* make(int layer, int dc, int dr);

private:
    std::vector<model::CTrackItem*> tiles_;
};

// Point numbers while tiles are rewritten: the numbers of the tiles about to be overwritten are
// released first, so that the incoming tiles can keep theirs; at the end a surviving tile whose
// point lost its number gets it back when it is still free, and every point left without a
// number takes the lowest free one.
class PointNumberKeeper {
public:
    PointNumberKeeper();
    ~PointNumberKeeper();
    PointNumberKeeper(const PointNumberKeeper&) = delete;
    PointNumberKeeper& operator=(const PointNumberKeeper&) = delete;

    void release(model::CTrackItem& tile);
    // Holds a number that no point takes until after finish (as a source tile would hold
    // it until it is deleted).
    void park(int number);
    void finish();

private:
    std::map<model::CTrackItem*, int> released_;
    std::vector<std::unique_ptr<model::CTrackControlItem>> parked_;
};

// Writes a source tile into a target board tile: a copy, or in merge mode a merge (the target
// is cleared first when it has a structure and the source brings control items or lines). The
// source's point number passes to the target when the target's point has none. A target on
// the ground layer then loses its piers; its cached geometry is dropped.
void writeTileInto(model::CTrackItem& target, model::CTrackItem& source, bool merge);
// Moves a content into a target board tile, ending as writeTileInto (without merge) from a
// tile holding the content ends; a point number that the target cannot take is parked in
// `numbers`, as the source tile would hold it.
void moveTileInto(model::CTrackItem& target, model::TileContent content,
                  PointNumberKeeper& numbers);

// Empties a board tile and queues it for deferred deletion; `cleared` collects it so that the
// caller can keep a tile that was written again (see queueStillEmpty).
void clearTile(model::CTrackItem& tile, std::vector<model::CTrackItem*>& cleared);
// Queues for deletion every collected tile that is still empty; the tiles must still exist
// (tiles are deleted only by purgeEmptiedTiles, which an edit does not run meanwhile).
void queueStillEmpty(const std::vector<model::CTrackItem*>& cleared);

// The board size of the current document; false without a document.
bool boardSize(int& columns, int& rows);

} // namespace editing
