#pragma once
#include <array>
#include <memory>

#include "model/Geometry.h"

namespace model {

class CTrackItem;

// The tiles of one layer by cell, beside the layer map, so that finding the tile of a cell
// is two array reads whatever the board's size. Cells are kept in blocks of 32 × 32 made on
// first use: an empty or small board costs a few kilobytes, a full one 8 bytes per cell.
class TileGrid {
public:
    // The tile at a valid cell (see isValidTilePos), or null.
    CTrackItem* at(TilePos pos) const {
        const Block* block = blocks_[blockIndex(pos)].get();
        return block != nullptr ? (*block)[cellIndex(pos)] : nullptr;
    }
    // Enters (or with null removes) the tile of a valid cell.
    void set(TilePos pos, CTrackItem* tile) {
        auto& block = blocks_[blockIndex(pos)];
        if (block == nullptr) {
            if (tile == nullptr) {
                return;
            }
            block = std::make_unique<Block>();
            block->fill(nullptr);
        }
        (*block)[cellIndex(pos)] = tile;
    }
    void clear() {
        for (auto& block : blocks_) {
            block.reset();
        }
    }

private:
    static constexpr int kShift = 5;
    static constexpr int kEdge = 1 << kShift;
    static constexpr int kBlocksPerRow = (kMaxBoardSize + kEdge) / kEdge;
    using Block = std::array<CTrackItem*, kEdge * kEdge>;

    static int blockIndex(TilePos pos) {
        return (pos.row >> kShift) * kBlocksPerRow + (pos.column >> kShift);
    }
    static int cellIndex(TilePos pos) {
        return (pos.row & (kEdge - 1)) * kEdge + (pos.column & (kEdge - 1));
    }

    std::array<std::unique_ptr<Block>, kBlocksPerRow * kBlocksPerRow> blocks_{};
};

} // namespace model
