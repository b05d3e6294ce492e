#include "model/TrackTiles.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

#include "model/AddressSet.h"
#include "model/CTrackItem.h"
#include "model/EditedCells.h"
#include "model/LineItem.h"
#include "model/LookupMemo.h"
#include "model/ModelSeams.h"
#include "model/TileGrid.h"
#include "platform/RenderLock.h"

namespace model {

namespace {

// The process-wide tile containers. The registry is guarded because the train threads
// validate addresses while the user-interface thread creates and deletes tiles.
struct TileContainers {
    // The line and control-item registries are made first, so that they are destroyed after
    // the tiles at exit: a tile still on the board at exit unregisters its lines and items.
    TileContainers() {
        (void)validLine(nullptr);
        (void)validControlItem(nullptr);
    }
    // Tiles still on the board at exit are destroyed here, while every member is alive and
    // with bulk deletion set, so no tile looks into a layer map that is being torn down.
    ~TileContainers() {
        bulkDeletion = true;
        for (int layer = 0; layer < kTrackLayers; ++layer) {
            grids[layer].clear();
            layers[layer].clear();
        }
        unplaced.clear();
    }
    std::array<LayerMap, kTrackLayers> layers;
    // The same tiles by cell; every change of a layer map is made here too.
    std::array<TileGrid, kTrackLayers> grids;
    std::vector<std::unique_ptr<CTrackItem>> unplaced;
    std::set<CTrackItem*> deferred;
    TileSelection selection;
    std::mutex registryMutex;
    AddressSet registry;
    std::atomic<std::uint64_t> registryRevision{1}; // bumped by every registration and removal
    bool bulkDeletion = false;
};

TileContainers& containers() {
    static TileContainers instance;
    return instance;
}

void repaintSelectionRect(const TileSelection& s) {
    if (!isTrackLayer(s.layer) || s.minColumn < 0 || s.minRow < 0) {
        return;
    }
    const LayerMap& map = containers().layers[s.layer];
    for (int row = s.minRow; row <= s.maxRow; ++row) {
        auto it = map.lower_bound(packTilePos({s.minColumn, static_cast<std::int16_t>(row)}));
        const auto end =
            map.upper_bound(packTilePos({s.maxColumn, static_cast<std::int16_t>(row)}));
        for (; it != end; ++it) {
            it->second->refresh();
        }
    }
}

} // namespace

ModelHooks& modelHooks() {
    static ModelHooks hooks;
    return hooks;
}

namespace detail {

void registerTile(CTrackItem* tile) {
    auto& c = containers();
    std::lock_guard lock(c.registryMutex);
    c.registry.insert(tile);
    c.registryRevision.fetch_add(1, std::memory_order_release);
    edited::bumpRevision();
}

void unregisterTile(CTrackItem* tile) {
    auto& c = containers();
    {
        std::lock_guard lock(c.registryMutex);
        c.registry.erase(tile);
        c.registryRevision.fetch_add(1, std::memory_order_release);
        edited::bumpRevision();
    }
    c.deferred.erase(tile);
}

bool bulkDeletionInProgress() {
    return containers().bulkDeletion;
}

} // namespace detail

CTrackItem* tileAt(int layer, TilePos pos) {
    if (!isTrackLayer(layer) || !isValidTilePos(pos)) {
        return nullptr;
    }
    return containers().grids[layer].at(pos);
}

CTrackItem* createTile(TilePos pos, int layer) {
    auto& c = containers();
    auto tile = std::make_unique<CTrackItem>(pos, layer);
    CTrackItem* raw = tile.get();
    if (isTrackLayer(layer) && isValidTilePos(pos)) {
        LayerMap& map = c.layers[layer];
        const std::uint32_t key = packTilePos(pos);
        // Tiles made in map order (a file being read) go in at the end without a search.
        const auto hint =
            !map.empty() && std::prev(map.end())->first < key ? map.end() : map.lower_bound(key);
        const auto it = map.try_emplace(hint, key, nullptr);
        if (it->second == nullptr) {
            it->second = std::move(tile);
            c.grids[layer].set(pos, raw);
            edited::markCell(layer, pos);
            return raw;
        }
    }
    c.unplaced.push_back(std::move(tile));
    return raw;
}

void reserveTileRegistry(std::size_t additional) {
    auto& c = containers();
    std::lock_guard lock(c.registryMutex);
    c.registry.reserve(c.registry.size() + additional);
}

CTrackItem* getOrCreateTile(TilePos pos, int layer) {
    if (CTrackItem* tile = tileAt(layer, pos)) {
        return tile;
    }
    return createTile(pos, layer);
}

const LayerMap* layerMap(int layer) {
    return isTrackLayer(layer) ? &containers().layers[layer] : nullptr;
}

int layerTileCount(int layer) {
    return isTrackLayer(layer) ? static_cast<int>(containers().layers[layer].size()) : 0;
}

CTrackItem* validTile(const void* address) {
    if (address == nullptr) {
        return nullptr;
    }
    auto& c = containers();
    thread_local LookupMemo<CTrackItem*> memo;
    return memo.get(reinterpret_cast<std::uintptr_t>(address),
                    c.registryRevision.load(std::memory_order_acquire), [&]() -> CTrackItem* {
                        std::lock_guard lock(c.registryMutex);
                        return c.registry.contains(address)
                                   ? static_cast<CTrackItem*>(const_cast<void*>(address))
                                   : nullptr;
                    });
}

std::uint64_t tileRegistryRevision() {
    return containers().registryRevision.load(std::memory_order_acquire);
}

int highestUsedLayer() {
    for (int layer = kTrackLayers - 1; layer >= 1; --layer) {
        if (!containers().layers[layer].empty()) {
            return layer;
        }
    }
    return 0;
}

bool deleteTile(CTrackItem* tile) {
    if (validTile(tile) == nullptr) {
        return false;
    }
    auto& c = containers();
    const int layer = tile->getLayer();
    if (isTrackLayer(layer)) {
        LayerMap& map = c.layers[layer];
        auto it = map.find(packTilePos(tile->getPosition()));
        if (it != map.end() && it->second.get() == tile) {
            // Destroy outside the map so the tile never sees itself half-erased.
            std::unique_ptr<CTrackItem> owned = std::move(it->second);
            map.erase(it);
            c.grids[layer].set(owned->getPosition(), nullptr);
            edited::markCell(layer, owned->getPosition());
            return true;
        }
    }
    auto it = std::find_if(c.unplaced.begin(), c.unplaced.end(),
                           [tile](const auto& owned) { return owned.get() == tile; });
    if (it == c.unplaced.end()) {
        return false;
    }
    std::unique_ptr<CTrackItem> owned = std::move(*it);
    c.unplaced.erase(it);
    return true;
}

void deleteUnplacedTiles(const std::vector<CTrackItem*>& tiles) {
    if (tiles.empty()) {
        return;
    }
    auto& c = containers();
    // An open-addressed set: no allocation per tile, unlike a node-based one.
    AddressSet doomed;
    doomed.reserve(tiles.size());
    for (const CTrackItem* tile : tiles) {
        doomed.insert(tile);
    }
    std::vector<std::unique_ptr<CTrackItem>> owned;
    owned.reserve(doomed.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < c.unplaced.size(); ++i) {
        if (doomed.contains(c.unplaced[i].get())) {
            owned.push_back(std::move(c.unplaced[i]));
        } else if (kept++ != i) {
            c.unplaced[kept - 1] = std::move(c.unplaced[i]);
        }
    }
    c.unplaced.resize(kept);
    // Destroyed outside the container, as deleteTile does, one after the other.
    for (auto& tile : owned) {
        tile.reset();
    }
}

void setSelection(int layer, TilePos a, TilePos b) {
    TileSelection& s = containers().selection;
    s.layer = static_cast<std::int16_t>(layer);
    s.minColumn = std::min(a.column, b.column);
    s.maxColumn = std::max(a.column, b.column);
    s.minRow = std::min(a.row, b.row);
    s.maxRow = std::max(a.row, b.row);
}

void clearSelection() {
    containers().selection = TileSelection{};
}

const TileSelection& selection() {
    return containers().selection;
}

int selectionCount() {
    const TileSelection& s = containers().selection;
    if (s.minColumn < 0 || s.minRow < 0 || s.maxColumn < 0 || s.maxRow < 0) {
        return 0;
    }
    return (std::abs(s.maxRow - s.minRow) + 1) * (std::abs(s.maxColumn - s.minColumn) + 1);
}

void selectSingle(CTrackItem* tile) {
    const TileSelection old = containers().selection;
    if (old.minColumn >= 0 && old.minColumn == old.maxColumn && old.minRow == old.maxRow) {
        if (CTrackItem* previous = tileAt(old.layer, {old.minColumn, old.minRow})) {
            previous->refresh();
        }
    } else {
        repaintSelectionRect(old);
    }
    if (tile == nullptr) {
        clearSelection();
        return;
    }
    setSelection(tile->getLayer(), tile->getPosition(), tile->getPosition());
    tile->refresh();
}

void deleteLayerTiles(int layer, bool onlyEmpty) {
    if (!isTrackLayer(layer)) {
        return;
    }
    auto& c = containers();
    LayerMap& map = c.layers[layer];
    if (!onlyEmpty) {
        edited::markAll();
        LayerMap doomed;
        doomed.swap(map);
        c.grids[layer].clear();
        const bool wasBulk = c.bulkDeletion;
        c.bulkDeletion = true;
        doomed.clear();
        c.bulkDeletion = wasBulk;
        if (!wasBulk) {
            // Links from the other layers may point into the deleted lines.
            for (LayerMap& other : c.layers) {
                for (auto& [key, tile] : other) {
                    tile->dropLinks();
                }
            }
        }
        return;
    }
    for (auto it = map.begin(); it != map.end();) {
        if (it->second->isEmpty()) {
            edited::markTile(*it->second);
            std::unique_ptr<CTrackItem> owned = std::move(it->second);
            it = map.erase(it);
            c.grids[layer].set(owned->getPosition(), nullptr);
        } else {
            ++it;
        }
    }
}

void deleteAllTiles() {
    edited::markAll();
    auto& c = containers();
    c.bulkDeletion = true;
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        deleteLayerTiles(layer, false);
    }
    std::vector<std::unique_ptr<CTrackItem>> doomed;
    doomed.swap(c.unplaced);
    doomed.clear();
    c.bulkDeletion = false;
    c.deferred.clear();
    clearSelection();
}

void queueForDeletion(CTrackItem* tile) {
    if (validTile(tile) != nullptr) {
        containers().deferred.insert(tile);
    }
}

bool isQueuedForDeletion(const CTrackItem* tile) {
    return containers().deferred.contains(const_cast<CTrackItem*>(tile));
}

bool purgeEmptiedTiles() {
    platform::RenderLockGuard model;
    auto& c = containers();
    std::set<CTrackItem*> queued;
    queued.swap(c.deferred);
    bool any = false;
    for (CTrackItem* tile : queued) {
        if (validTile(tile) == nullptr) {
            continue;
        }
        const int layer = tile->getLayer();
        const TilePos pos = tile->getPosition();
        if (deleteTile(tile)) {
            any = true;
            if (auto& repaint = modelHooks().repaintCell) {
                repaint(layer, pos);
            }
        }
    }
    return any;
}

void forTilesIn(int layer, int firstColumn, int firstRow, int lastColumn, int lastRow,
                const std::function<void(CTrackItem&)>& visit) {
    if (!isTrackLayer(layer)) {
        return;
    }
    firstColumn = std::max(firstColumn, 0);
    firstRow = std::max(firstRow, 0);
    lastColumn = std::min(lastColumn, kMaxBoardSize);
    lastRow = std::min(lastRow, kMaxBoardSize);
    if (firstColumn > lastColumn || firstRow > lastRow) {
        return;
    }
    LayerMap& map = containers().layers[layer];
    for (int row = firstRow; row <= lastRow && !map.empty(); ++row) {
        auto it = map.lower_bound(
            packTilePos({static_cast<std::int16_t>(firstColumn), static_cast<std::int16_t>(row)}));
        const auto end = map.upper_bound(
            packTilePos({static_cast<std::int16_t>(lastColumn), static_cast<std::int16_t>(row)}));
        for (; it != end; ++it) {
            visit(*it->second);
        }
    }
}

void recomputeCoverFlagsAround(int firstColumn, int firstRow, int lastColumn, int lastRow) {
    if (firstColumn > lastColumn || firstRow > lastRow) {
        return;
    }
    // The same three passes as the full recompute. Cover depends on the tile alone; the B
    // flags read the cover one cell away (and, through a ramp on the layer above, two); the A
    // flags read the B flags of the next cell.
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        forTilesIn(layer, firstColumn, firstRow, lastColumn, lastRow, [layer](CTrackItem& tile) {
            if (tile.isEmpty() || layer != GroundLayer) {
                tile.resetCoverFlags();
            } else {
                tile.computeCovered();
            }
        });
    }
    forTilesIn(GroundLayer, firstColumn - 2, firstRow - 2, lastColumn + 2, lastRow + 2,
               [](CTrackItem& tile) {
                   if (!tile.isEmpty()) {
                       tile.computeNeighbourFlagsB();
                   }
               });
    forTilesIn(GroundLayer, firstColumn - 3, firstRow - 3, lastColumn + 3, lastRow + 3,
               [](CTrackItem& tile) {
                   if (!tile.isEmpty()) {
                       tile.computeNeighbourFlagsA();
                   }
               });
}

void recomputeCoverFlags() {
    auto& c = containers();
    // Without landscape items no tile is covered and no tunnel mouth exists, so every flag is
    // clear; this spares the neighbour lookups of every tile on large boards.
    const auto& provider = modelHooks().landscapeItems;
    if (!provider || provider().empty()) {
        for (auto& layer : c.layers) {
            for (auto& [key, tile] : layer) {
                tile->resetCoverFlags();
            }
        }
        return;
    }
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (auto& [key, tile] : c.layers[layer]) {
            if (tile->isEmpty() || layer != GroundLayer) {
                tile->resetCoverFlags();
            } else {
                tile->computeCovered();
            }
        }
    }
    for (auto& [key, tile] : c.layers[GroundLayer]) {
        if (!tile->isEmpty()) {
            tile->computeNeighbourFlagsB();
        }
    }
    for (auto& [key, tile] : c.layers[GroundLayer]) {
        if (!tile->isEmpty()) {
            tile->computeNeighbourFlagsA();
        }
    }
}

} // namespace model
