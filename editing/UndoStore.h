#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "model/Geometry.h"

namespace model {
class CLandscapeItem;
}

namespace editing {

// The undo store of the layout view: at most one snapshot per tag, "LndI" (one landscape
// item) and "TrkP" (a rectangle of one track layer). Undo swaps each snapshot with the
// present state, so a second undo redoes. Snapshots belong to the layout they were taken of:
// after a new, an open or a board resize the store reads as empty.
class UndoStore {
public:
    void clear();
    bool empty() const;

    // Empties the store, then keeps the tiles of the rectangle (corners in any order).
    void snapshotTiles(int layer, model::TilePos a, model::TilePos b);
    // Empties the store, then keeps the item's record; nothing is kept for no item.
    void snapshotLandscape(const model::CLandscapeItem* item);

    // Restores every snapshot and keeps the state it replaced; ends with afterEdit. False
    // when the store is empty.
    bool undo();

private:
    struct TileSnapshot {
        int layer = 0;
        model::TilePos first;
        model::TilePos second;
        std::vector<std::uint8_t> block;
    };
    struct LandscapeSnapshot {
        const void* identity = nullptr;
        std::vector<std::uint8_t> record;
    };

    std::optional<TileSnapshot> tiles_;
    std::optional<LandscapeSnapshot> landscape_;
    std::uint64_t generation_ = 0;
};

} // namespace editing
