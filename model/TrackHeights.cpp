#include "model/TrackHeights.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "model/CTrackItem.h"
#include "model/EditedCells.h"
#include "model/RampSpline.h"
#include "model/TrackJoin.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"

namespace model {

namespace {

const Pt& endPoint(const LineItem& line, bool atEnd) {
    return atEnd ? line.points().back() : line.points().front();
}

struct RunStep {
    LineItem* line;
    bool backward;
};

// Walks from a start line into a run of joined lines; see rebuildRamps for the stop rules.
std::vector<RunStep> collectRun(LineItem& start, bool backward,
                                std::unordered_set<const LineItem*>& collected) {
    std::vector<RunStep> run;
    const CTrackItem* startTile = start.getOwner();
    RunStep current{&start, backward};
    bool stop = false;
    while (true) {
        run.push_back(current);
        collected.insert(current.line);
        if (stop) {
            break;
        }
        const TrackPosition next = nextLine(*current.line, current.backward);
        if (!next) {
            stop = true;
            continue;
        }
        const CTrackItem* nextTile = next.line->getOwner();
        if (collected.contains(next.line) || nextTile == startTile || nextTile == nullptr ||
            nextTile->getLayer() == GroundLayer) {
            stop = true;
        }
        current = RunStep{next.line, next.backward != 0};
    }
    return run;
}

// Fits the run's spline through its junction points and gives every line its heights.
void buildRamp(const std::vector<RunStep>& run) {
    std::vector<Vec3d> control;
    control.reserve(run.size() + 9);
    {
        const RunStep& first = run.front();
        double a = 0, b = 0, x = 0, z = 0;
        junctionHeights(*first.line, a, b);
        const bool entryAtEnd = first.backward;
        junctionPoint(*first.line, entryAtEnd, x, z);
        control.push_back(Vec3d{x, entryAtEnd ? b : a, z});
    }
    for (const RunStep& step : run) {
        double a = 0, b = 0, x = 0, z = 0;
        junctionHeights(*step.line, a, b);
        const bool exitAtEnd = !step.backward;
        junctionPoint(*step.line, exitAtEnd, x, z);
        control.push_back(Vec3d{x, exitAtEnd ? b : a, z});
    }
    const Vec3d p0 = control[0];
    const Vec3d p1 = control[1];
    const Vec3d pm = control.back();
    const Vec3d pm1 = control[control.size() - 2];
    std::vector<Vec3d> extended;
    extended.reserve(control.size() + 8);
    for (int r = 4; r >= 1; --r) {
        extended.push_back(
            Vec3d{p0.x + r * (p0.x - p1.x), p0.y + r * (p0.y - p1.y), p0.z + r * (p0.z - p1.z)});
    }
    extended.insert(extended.end(), control.begin(), control.end());
    for (int r = 1; r <= 4; ++r) {
        extended.push_back(
            Vec3d{pm.x + r * (pm.x - pm1.x), pm.y + r * (pm.y - pm1.y), pm.z + r * (pm.z - pm1.z)});
    }
    RampSpline* spline = ramps::create(std::move(extended));
    constexpr double s0 = 4.0;
    for (std::size_t k = 0; k < run.size(); ++k) {
        LineItem& line = *run[k].line;
        const bool backward = run[k].backward;
        auto& points = line.points();
        const int n = static_cast<int>(points.size());
        for (int i = 0; i < n; ++i) {
            const double u = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
            const double s = s0 + static_cast<double>(k) + (backward ? 1.0 - u : u);
            double h = spline->at(s).y;
            if (h < 0) {
                h = 0;
            }
            points[i].height = static_cast<float>(h);
            points[i].Y = h;
        }
        const double from = s0 + static_cast<double>(k) + (backward ? 1.0 : 0.0);
        const double to = s0 + static_cast<double>(k) + (backward ? 0.0 : 1.0);
        line.setRamp(spline, from, to);
    }
    ramps::dropUnused();
    for (const RunStep& step : run) {
        if (CTrackItem* tile = step.line->getOwner()) {
            tile->dropCachedGeometry();
            tile->resetBoundsCaches();
        }
    }
}

bool unsetStart(const LineItem& line) {
    return !line.points().empty() && line.points().front().height == kHeightUnset;
}

// Whether the line runs towards the connection of flag index f (left, top, right, bottom,
// top-left, top-right, bottom-right, bottom-left).
bool runsTowards(const LineItem& line, int f) {
    const Pt& a = line.points().front();
    const Pt& b = line.points().back();
    const bool left = b.x<a.x, right = b.x> a.x, up = b.z<a.z, down = b.z> a.z;
    switch (f) {
    case 0:
        return left;
    case 1:
        return up;
    case 2:
        return right;
    case 3:
        return down;
    case 4:
        return left && up;
    case 5:
        return right && up;
    case 6:
        return right && down;
    default:
        return left && down;
    }
}

// 0 no run; 1 forward; 2 backward.
int qualifies(int pass, LineItem& line, CTrackItem& tile) {
    if (pass == 1) {
        const TrackPosition next = nextLine(line, false);
        if (!next) {
            return 0;
        }
        return nextLine(*next.line, next.backward != 0) ? 0 : 1;
    }
    if (pass == 2) {
        double a = 0, b = 0;
        junctionHeights(line, a, b);
        const float layer = static_cast<float>(tile.getLayer());
        const bool startMatches = static_cast<float>(a) == layer;
        const bool endMatches = static_cast<float>(b) == layer;
        if (startMatches == endMatches) {
            return 0;
        }
        return startMatches ? 1 : 2;
    }
    NeighbourFlags flags;
    if (!tile.downConnections(flags)) {
        return 0;
    }
    for (int f : {0, 2, 1, 3, 4, 5, 6, 7}) {
        if (flags[f]) {
            return runsTowards(line, f) ? 2 : 1;
        }
    }
    return 1;
}

// Builds the ramps of every elevated line that `tiles(layer)` lists and `take` accepts, in
// the order a pass over the whole board meets them: three passes of preferred starting lines
// from layer 4 down to 1, then every line still without heights from layer 1 up.
template <typename TilesOf, typename Take>
void rebuildRamps(const TilesOf& tiles, const Take& take) {
    std::unordered_set<const LineItem*> collected;
    for (int pass = 1; pass <= 3; ++pass) {
        for (int layer = 4; layer >= 1; --layer) {
            for (CTrackItem* tile : tiles(layer)) {
                for (const auto& line : tile->lines()) {
                    if (!take(*line) || !unsetStart(*line) || line->points().size() < 2) {
                        continue;
                    }
                    const int direction = qualifies(pass, *line, *tile);
                    if (direction != 0) {
                        buildRamp(collectRun(*line, direction == 2, collected));
                    }
                }
            }
        }
    }
    for (int layer = 1; layer <= 4; ++layer) {
        for (CTrackItem* tile : tiles(layer)) {
            for (const auto& line : tile->lines()) {
                if (take(*line) && unsetStart(*line) && line->points().size() >= 2) {
                    buildRamp(collectRun(*line, false, collected));
                }
            }
        }
    }
}

// The tiles of a whole layer map, in key order.
struct MapTiles {
    const LayerMap* map;
    struct Iterator {
        LayerMap::const_iterator it;
        CTrackItem* operator*() const { return it->second.get(); }
        Iterator& operator++() {
            ++it;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return it != other.it; }
    };
    Iterator begin() const { return {map->begin()}; }
    Iterator end() const { return {map->end()}; }
};

void rebuildAllRamps() {
    rebuildRamps([](int layer) { return MapTiles{layerMap(layer)}; },
                 [](const LineItem&) { return true; });
}

// Lays a long diagonal straight between its two junction points.
void straighten(LineItem& line, const CTrackItem& tile) {
    int ox = 0, oz = 0;
    tile.globalOrigin(ox, oz);
    double sx = 0, sz = 0, ex = 0, ez = 0;
    junctionPoint(line, false, sx, sz);
    junctionPoint(line, true, ex, ez);
    auto& points = line.points();
    const int n = static_cast<int>(points.size());
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / (n - 1);
        points[i].X = sx + t * (ex - sx) - ox;
        points[i].Z = sz + t * (ez - sz) - oz;
    }
}

void straightenLongDiagonals() {
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *layerMap(layer)) {
            for (const auto& line : tile->lines()) {
                if (line->getShape() == 6) {
                    straighten(*line, *tile);
                }
            }
        }
    }
}

void recomputeEverything() {
    // One walk of the board both clears the heights and straightens the long diagonals, as
    // straightenLongDiagonals would after the clearing: straightening reads the neighbours'
    // end points and links, never heights, and meets the lines in the same order.
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *layerMap(layer)) {
            for (const auto& line : tile->lines()) {
                line->resetHeights();
                line->releaseRamp();
                if (line->getShape() == 6) {
                    straighten(*line, *tile);
                }
            }
        }
    }
    rebuildAllRamps();
}

// How far around an edited cell lines are taken as changed. A change can alter the links of
// lines one cell away, and those links lead one cell further: with two cells every link
// between a taken and an untaken line is the same before and after the edit.
constexpr int kReach = 2;

// Redoes what the edited cells can reach and gives exactly what recomputeEverything gives.
// Heights depend only on the group of lines joined by links out of elevated lines (ground
// lines end such a group): a group without a line near the edit is the same group as before
// with the same inputs, so its heights stand; every group that has one is redone whole, in
// board order.
void recomputeAround(const std::vector<std::uint32_t>& cells) {
    std::vector<std::uint32_t> region;
    region.reserve(cells.size() * (2 * kReach + 1) * (2 * kReach + 1));
    for (std::uint32_t key : cells) {
        const TilePos pos = unpackTilePos(key);
        for (int dr = -kReach; dr <= kReach; ++dr) {
            for (int dc = -kReach; dc <= kReach; ++dc) {
                const TilePos near{static_cast<std::int16_t>(pos.column + dc),
                                   static_cast<std::int16_t>(pos.row + dr)};
                if (isValidTilePos(near)) {
                    region.push_back(packTilePos(near));
                }
            }
        }
    }
    std::sort(region.begin(), region.end());
    region.erase(std::unique(region.begin(), region.end()), region.end());

    std::vector<LineItem*> nearEdit;
    for (std::uint32_t key : region) {
        for (int layer = 0; layer < kTrackLayers; ++layer) {
            if (const CTrackItem* tile = tileAt(layer, unpackTilePos(key))) {
                for (const auto& line : tile->lines()) {
                    nearEdit.push_back(line.get());
                }
            }
        }
    }

    // Every group holding a line near the edit.
    std::unordered_set<const LineItem*> affected(nearEdit.begin(), nearEdit.end());
    std::vector<LineItem*> queue(nearEdit.begin(), nearEdit.end());
    std::vector<CTrackItem*> elevated[kTrackLayers];
    while (!queue.empty()) {
        LineItem* line = queue.back();
        queue.pop_back();
        CTrackItem* tile = line->getOwner();
        if (tile == nullptr) {
            continue;
        }
        const int layer = tile->getLayer();
        if (layer != GroundLayer) {
            elevated[layer].push_back(tile);
            for (bool backward : {true, false}) {
                const TrackPosition next = nextLine(*line, backward);
                if (next && affected.insert(next.line).second) {
                    queue.push_back(next.line);
                }
            }
        }
        // Elevated lines around that continue onto this one (a few cells of a row are
        // neighbours in the map: one search per row).
        const TilePos pos = tile->getPosition();
        for (int near = std::max(1, layer - 1); near <= std::min(4, layer + 1); ++near) {
            const LayerMap& map = *layerMap(near);
            if (map.empty()) {
                continue;
            }
            for (int row = pos.row - 1; row <= pos.row + 1; ++row) {
                if (row < 0 || row > kMaxBoardSize) {
                    continue;
                }
                const auto key = [row](int column) {
                    return packTilePos(
                        TilePos{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)});
                };
                const std::uint32_t last = key(std::min(pos.column + 1, kMaxBoardSize));
                for (auto it = map.lower_bound(key(std::max(pos.column - 1, 0)));
                     it != map.end() && it->first <= last; ++it) {
                    for (const auto& candidate : it->second->lines()) {
                        LineItem* from = candidate.get();
                        if (affected.contains(from)) {
                            continue;
                        }
                        if (nextLine(*from, false).line == line ||
                            nextLine(*from, true).line == line) {
                            affected.insert(from);
                            queue.push_back(from);
                        }
                    }
                }
            }
        }
    }

    for (const LineItem* line : affected) {
        LineItem& editable = const_cast<LineItem&>(*line);
        editable.resetHeights();
        editable.releaseRamp();
    }
    for (LineItem* line : nearEdit) {
        if (line->getShape() == 6) {
            if (const CTrackItem* tile = line->getOwner()) {
                straighten(*line, *tile);
            }
        }
    }
    for (auto& tiles : elevated) {
        std::sort(tiles.begin(), tiles.end(), [](const CTrackItem* a, const CTrackItem* b) {
            return packTilePos(a->getPosition()) < packTilePos(b->getPosition());
        });
        tiles.erase(std::unique(tiles.begin(), tiles.end()), tiles.end());
    }
    rebuildRamps([&](int layer) -> const std::vector<CTrackItem*>& { return elevated[layer]; },
                 [&](const LineItem& line) { return affected.contains(&line); });
}

} // namespace

void junctionHeights(LineItem& line, double& start, double& end) {
    start = 0;
    end = 0;
    if (line.points().empty()) {
        return;
    }
    const float a = line.startHeight();
    const float b = line.endHeight();
    if (a != kHeightUnset && b != kHeightUnset) {
        start = a;
        end = b;
        return;
    }
    const CTrackItem* tile = line.getOwner();
    if (tile == nullptr || tile->getLayer() <= GroundLayer) {
        return;
    }
    const double level = tile->level();
    auto neighbourLevel = [&](bool backward) {
        const TrackPosition next = nextLine(line, backward);
        const CTrackItem* other = next ? next.line->getOwner() : nullptr;
        return other != nullptr ? other->level() : level;
    };
    start = (level + neighbourLevel(true)) / 2.0;
    end = (level + neighbourLevel(false)) / 2.0;
}

void junctionPoint(LineItem& line, bool atEnd, double& x, double& z) {
    x = 0;
    z = 0;
    const CTrackItem* tile = line.getOwner();
    if (line.points().empty() || tile == nullptr) {
        return;
    }
    int gx = 0, gz = 0;
    const Pt& p = endPoint(line, atEnd);
    tile->globalPoint(p.x, p.z, gx, gz);
    x = gx;
    z = gz;
    if (line.getShape() != 6) {
        return;
    }
    const TrackPosition next = nextLine(line, !atEnd);
    if (!next || next.line->getShape() != 6) {
        return;
    }
    const CTrackItem* other = next.line->getOwner();
    if (other == nullptr) {
        return;
    }
    const Pt& q = endPoint(*next.line, next.backward != 0);
    int qx = 0, qz = 0;
    other->globalPoint(q.x, q.z, qx, qz);
    x = (x + qx) / 2.0;
    z = (z + qz) / 2.0;
}

void afterEdit() {
    platform::RenderLockGuard model;
    const edited::Record record = edited::take();
    std::size_t tiles = 0;
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        tiles += static_cast<std::size_t>(layerTileCount(layer));
    }
    // Past a quarter of the board the pass over every tile is the cheaper one.
    if (record.all || record.cells.size() * 4 > tiles) {
        recomputeEverything();
    } else if (!record.cells.empty()) {
        recomputeAround(record.cells);
    }
}

void recomputeAllHeights() {
    platform::RenderLockGuard model;
    edited::take();
    recomputeEverything();
}

void afterLoading(bool longDiagonals) {
    edited::take();
    if (longDiagonals) {
        straightenLongDiagonals();
    }
    rebuildAllRamps();
}

} // namespace model
