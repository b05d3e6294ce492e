#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "model/Geometry.h"

namespace model {

class CTrackItem;

// One layer of the board: packed TilePos → tile, in row-by-row order. The map owns its tiles.
using LayerMap = std::map<std::uint32_t, std::unique_ptr<CTrackItem>>;

// The tile rectangle the editor's operations act on; −1 everywhere when nothing is selected.
struct TileSelection {
    std::int16_t layer = -1;
    std::int16_t minColumn = -1;
    std::int16_t minRow = -1;
    std::int16_t maxColumn = -1;
    std::int16_t maxRow = -1;
};

// The tile of a layer at a cell, or null (also for a layer outside 0 … 4).
CTrackItem* tileAt(int layer, TilePos pos);
// The tile at the cell, or a new one: entered in the layer map when the layer and position
// allow it, else kept by the tile container until the model is cleared.
CTrackItem* getOrCreateTile(TilePos pos, int layer);
// A new board tile for the cell; when the cell is taken or invalid the tile stays registered
// but outside the maps, kept by the container until deleted or the model is cleared.
CTrackItem* createTile(TilePos pos, int layer);
// The map of a layer 0 … 4, else null.
const LayerMap* layerMap(int layer);
int layerTileCount(int layer);
// The tile at a registered address, else null (a stale address reads as absent).
CTrackItem* validTile(const void* address);
// A count that every tile registration and removal moves on: a tile known registered at one
// count is still registered while the count stands.
std::uint64_t tileRegistryRevision();
// 4 if layer 4 has tiles, else 3, 2, 1 likewise, else 0.
int highestUsedLayer();
// Makes room in the tile registry for this many more tiles, so that a reader about to make
// them all does not rehash it again and again.
void reserveTileRegistry(std::size_t additional);
// Deletes one tile made by createTile or getOrCreateTile; false when the container does not
// hold it.
bool deleteTile(CTrackItem* tile);
// Deletes many tiles made off the board at once, in one pass over the off-board tiles (which
// deleteTile would walk once per tile); the ones deleted earlier or placed on the board are
// skipped. They are destroyed in the order they were made.
void deleteUnplacedTiles(const std::vector<CTrackItem*>& tiles);

void setSelection(int layer, TilePos a, TilePos b);
void clearSelection();
const TileSelection& selection();
// (|Δrow| + 1) × (|Δcolumn| + 1), or 0 when any bound is negative.
int selectionCount();
// Selects exactly this tile, or clears the selection for null; repaints what was selected.
void selectSingle(CTrackItem* tile);

// Deletes the tiles of one layer (only the empty ones when `onlyEmpty`).
void deleteLayerTiles(int layer, bool onlyEmpty);
// Deletes every tile of layers 0 … 4 and every unplaced tile; empties the deletion queue.
void deleteAllTiles();

// Queues a tile for deferred deletion (emptied by a move or a delete).
void queueForDeletion(CTrackItem* tile);
bool isQueuedForDeletion(const CTrackItem* tile);
// Deletes every queued tile, asking the 2D view to repaint its cell; true when any was.
bool purgeEmptiedTiles();

// Recomputes cover and neighbour flags of every tile.
void recomputeCoverFlags();
// Recomputes them only where a landscape change over the given cells can have changed them:
// the cover of those cells and the neighbour flags a few cells around. Gives what
// recomputeCoverFlags gives when the flags elsewhere were up to date.
void recomputeCoverFlagsAround(int firstColumn, int firstRow, int lastColumn, int lastRow);

// Calls `visit` for every tile of a layer within the cells (inclusive, clipped to the board),
// row by row.
void forTilesIn(int layer, int firstColumn, int firstRow, int lastColumn, int lastRow,
                const std::function<void(CTrackItem&)>& visit);

namespace detail {
void registerTile(CTrackItem* tile);
void unregisterTile(CTrackItem* tile);
// True while whole layers are deleted; tiles then skip dropping their neighbours' links,
// which the bulk deletion does once for what remains.
bool bulkDeletionInProgress();
} // namespace detail

} // namespace model
