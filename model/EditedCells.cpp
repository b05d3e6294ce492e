#include "model/EditedCells.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "model/CTrackItem.h"

namespace model::edited {

namespace {

// Past this many marks a full recomputation is cheaper than sorting them out.
constexpr std::size_t kMaxCells = 1u << 15;

struct Tracker {
    std::mutex mutex;
    std::atomic<bool> all{true}; // nothing recomputed yet
    std::vector<std::uint32_t> cells;
    std::uint32_t lastCell = 0xFFFFFFFFu;
};

Tracker& tracker() {
    static Tracker instance;
    return instance;
}

std::atomic<std::uint64_t> trackRevision{1};

} // namespace

void markCell(int layer, TilePos pos) {
    bumpRevision();
    if (layer < 0 || layer >= kTrackLayers || !isValidTilePos(pos)) {
        return;
    }
    auto& t = tracker();
    if (t.all.load(std::memory_order_relaxed)) {
        return;
    }
    const std::uint32_t key = packTilePos(pos);
    std::lock_guard lock(t.mutex);
    if (key == t.lastCell) {
        return; // the lines of one tile mark their cell many times over
    }
    t.lastCell = key;
    if (t.cells.size() >= kMaxCells) {
        t.all.store(true, std::memory_order_relaxed);
        t.cells.clear();
        t.cells.shrink_to_fit();
        return;
    }
    t.cells.push_back(key);
}

void markTile(const CTrackItem& tile) {
    markCell(tile.getLayer(), tile.getPosition());
}

void markAll() {
    bumpRevision();
    auto& t = tracker();
    std::lock_guard lock(t.mutex);
    t.all.store(true, std::memory_order_relaxed);
    t.cells.clear();
    t.cells.shrink_to_fit();
}

std::uint64_t revision() {
    return trackRevision.load(std::memory_order_acquire);
}

void bumpRevision() {
    trackRevision.fetch_add(1, std::memory_order_acq_rel);
}

Record take() {
    auto& t = tracker();
    std::lock_guard lock(t.mutex);
    Record record;
    record.all = t.all.load(std::memory_order_relaxed);
    record.cells.swap(t.cells);
    t.all.store(false, std::memory_order_relaxed);
    t.lastCell = 0xFFFFFFFFu;
    std::sort(record.cells.begin(), record.cells.end());
    record.cells.erase(std::unique(record.cells.begin(), record.cells.end()), record.cells.end());
    return record;
}

} // namespace model::edited
