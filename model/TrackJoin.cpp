#include "model/TrackJoin.h"

#include <cstdlib>
#include <mutex>
#include <random>

#include "model/CTrackItem.h"
#include "model/EditedCells.h"
#include "model/TrackTiles.h"

namespace model {

namespace {

struct LineRandom {
    std::mutex mutex;
    std::mt19937 engine{12345u};
};

LineRandom& lineRandom() {
    static LineRandom random;
    return random;
}

std::size_t pickRandom(std::size_t count) {
    auto& r = lineRandom();
    std::lock_guard lock(r.mutex);
    return static_cast<std::size_t>(r.engine() % count);
}

bool onGrid(int v) {
    return v == 0 || v == 20 || v == 40;
}

struct Match {
    LineItem* line;
    bool backward;
};

} // namespace

void seedLineRandom(std::uint32_t seed) {
    auto& r = lineRandom();
    std::lock_guard lock(r.mutex);
    r.engine.seed(seed);
}

bool linesCompatible(const LineItem& moving, const LineItem& candidate, int x, int z) {
    const int k1 = moving.getKind();
    const int k2 = candidate.getKind();
    bool kindsMatch = false;
    if (k1 == LineKindTrack) {
        kindsMatch = k2 == LineKindTrack;
    } else if (moving.isKind2to4()) {
        kindsMatch = candidate.isKind2to4();
    } else if (k1 == LineKindThird || k1 == LineKindFourth) {
        kindsMatch = k2 == k1;
    }
    if (!kindsMatch) {
        return false;
    }
    if (onGrid(x) && onGrid(z)) {
        return true;
    }
    const int s1 = moving.getShape();
    const int s2 = candidate.getShape();
    static constexpr int pairs[][2] = {{3, 4}, {4, 3}, {5, 4}, {4, 5}, {6, 3},
                                       {3, 6}, {6, 5}, {5, 6}, {6, 6}};
    for (const auto& pair : pairs) {
        if (pair[0] == s1 && pair[1] == s2) {
            return true;
        }
    }
    return false;
}

// The search behind findNextLine; `fixed` turns false when the answer involved a choice (a
// random pick among road branches, or the branch a point's occupant selects) that a later
// search might make otherwise.
static TrackPosition searchNextLine(const LineItem& line, bool backward, bool& fixed) {
    const CTrackItem* origin = line.getOwner();
    if (origin == nullptr || line.points().empty()) {
        return {};
    }
    const TilePos pos = origin->getPosition();
    const Pt& end = backward ? line.points().front() : line.points().back();
    const int ex = end.x + kTileEdge * pos.column;
    const int ez = end.z + kTileEdge * pos.row;
    const int layer = origin->getLayer();
    const bool movingKind2to4 = line.isKind2to4();

    auto searchTile = [&](const CTrackItem& tile, bool diagonalNeighbour) -> TrackPosition {
        std::vector<Match> matches;
        const int ox = kTileEdge * tile.getPosition().column;
        const int oz = kTileEdge * tile.getPosition().row;
        for (const auto& owned : tile.lines()) {
            LineItem* candidate = owned.get();
            if (candidate == &line || candidate->points().empty()) {
                continue;
            }
            const bool diagonalPair = line.getShape() == 6 || candidate->getShape() == 6;
            if (!diagonalNeighbour && diagonalPair) {
                continue;
            }
            const Pt& first = candidate->points().front();
            const Pt& last = candidate->points().back();
            const Pt* entered = nullptr;
            bool enterBackward = false;
            if (first.x + ox == ex && first.z + oz == ez) {
                entered = &first;
            } else if (last.x + ox == ex && last.z + oz == ez) {
                entered = &last;
                enterBackward = true;
            } else if (diagonalNeighbour && diagonalPair) {
                auto near = [&](const Pt& p) {
                    const int dx = std::abs(p.x + ox - ex);
                    const int dz = std::abs(p.z + oz - ez);
                    return dx != 0 && dz != 0 && dx <= 5 && dz <= 5;
                };
                if (near(first)) {
                    entered = &first;
                } else if (near(last)) {
                    entered = &last;
                    enterBackward = true;
                }
            }
            if (entered != nullptr && linesCompatible(line, *candidate, entered->x, entered->z)) {
                matches.push_back({candidate, enterBackward});
                if (!movingKind2to4 && matches.size() == 2) {
                    break;
                }
            }
        }
        if (matches.empty()) {
            return {};
        }
        std::size_t chosen = 0;
        if (movingKind2to4) {
            fixed = false;
            chosen = pickRandom(matches.size());
        } else if (matches.size() > 1) {
            fixed = false;
            const CTrackControlItem* point = tile.pointItem();
            if (point != nullptr && point->getOccupant() != 0) {
                chosen = 1;
            }
        }
        const Match& m = matches[chosen];
        return TrackPosition{m.line, m.backward ? static_cast<double>(m.line->lastIndex()) : 0.0,
                             static_cast<std::uint8_t>(m.backward ? 1 : 0)};
    };

    auto searchCell = [&](int column, int row) -> TrackPosition {
        const TilePos cell{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
        if (!isValidTilePos(cell)) {
            return {};
        }
        const bool diagonalNeighbour = column != pos.column && row != pos.row;
        const int layers[3] = {layer, layer >= 1 ? layer - 1 : -1, layer <= 3 ? layer + 1 : -1};
        for (int candidateLayer : layers) {
            if (const CTrackItem* tile = tileAt(candidateLayer, cell)) {
                if (TrackPosition found = searchTile(*tile, diagonalNeighbour)) {
                    return found;
                }
            }
        }
        return {};
    };

    int borderColumn = pos.column;
    int borderRow = pos.row;
    const bool onBorder = end.x == 0 || end.x == 40 || end.z == 0 || end.z == 40;
    if (onBorder) {
        borderColumn += end.x == 0 ? -1 : (end.x == 40 ? 1 : 0);
        borderRow += end.z == 0 ? -1 : (end.z == 40 ? 1 : 0);
        if (TrackPosition found = searchCell(borderColumn, borderRow)) {
            return found;
        }
    }
    if (end.x != 20 && end.z != 20) {
        const int column = pos.column + (end.x < 20 ? -1 : 1);
        const int row = pos.row + (end.z < 20 ? -1 : 1);
        if (!onBorder || column != borderColumn || row != borderRow) {
            return searchCell(column, row);
        }
    }
    return {};
}

TrackPosition findNextLine(const LineItem& line, bool backward) {
    // Vehicles search at every line end they pass: an answer without a choice in it stands
    // until the track changes.
    const std::uint64_t revision = edited::revision();
    TrackPosition next;
    if (line.rememberedNext(backward, revision, next)) {
        return next;
    }
    bool fixed = true;
    next = searchNextLine(line, backward, fixed);
    if (fixed) {
        line.rememberNext(backward, revision, next);
    }
    return next;
}

TrackPosition nextLine(LineItem& line, bool backward) {
    const TrackPosition& cached = backward ? line.startLink() : line.endLink();
    if (cached.line != nullptr && validLine(cached.line) != nullptr) {
        return cached;
    }
    TrackPosition found = findNextLine(line, backward);
    if (found) {
        if (backward) {
            line.setStartLink(found);
        } else {
            line.setEndLink(found);
        }
    }
    return found;
}

} // namespace model
