// afterEdit on a board of ground track with a viaduct on layer 1 over the middle fifth of every
// row, the same mix at every size: the cost per tile ("perTile") should not grow with the board.
#include <benchmark/benchmark.h>

#include "model/CTrackItem.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"

namespace {

void buildBoard(int size) {
    model::deleteAllTiles();
    const int viaductWidth = size / 5;
    const int viaductStart = (size - viaductWidth) / 2;
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const model::TilePos pos{static_cast<std::int16_t>(column),
                                     static_cast<std::int16_t>(row)};
            model::createTile(pos, 0)->setShape(1);
            if (column >= viaductStart && column < viaductStart + viaductWidth) {
                model::createTile(pos, 1)->setShape(1);
            }
        }
    }
}

// Every iteration first drops all cached links, as after an edit of every tile, so that the
// next-line searches are measured too.
void BM_AfterEdit(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    buildBoard(size);
    for (auto _ : state) {
        for (int layer = 0; layer < 2; ++layer) {
            for (const auto& [key, tile] : *model::layerMap(layer)) {
                tile->dropLinks();
            }
        }
        model::afterEdit();
    }
    const double tiles = static_cast<double>(size) * size;
    state.counters["tiles"] = tiles;
    state.counters["perTile"] =
        benchmark::Counter(tiles * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    model::deleteAllTiles();
}

// One tile edited and afterEdit, as after a one-tile command: range(1) 0 lays a ground tile
// anew, 1 raises or lowers a viaduct tile (its whole run of size / 5 tiles gets a new ramp),
// 2 does the same followed by the recomputation over the whole board instead, for comparison.
// The cost should follow what the edit reaches, not the board.
void BM_AfterOneTileEdit(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const bool viaduct = state.range(1) != 0;
    const bool whole = state.range(1) == 2;
    buildBoard(size);
    model::afterEdit();
    const model::TilePos middle{static_cast<std::int16_t>(size / 2),
                                static_cast<std::int16_t>(size / 2)};
    const model::TilePos edge{0, static_cast<std::int16_t>(size / 2)};
    model::CTrackItem* tile = viaduct ? model::tileAt(1, middle) : model::tileAt(0, edge);
    int offset = 0;
    for (auto _ : state) {
        if (viaduct) {
            offset = 1 - offset;
            tile->setElevationOffset(offset);
        } else {
            tile->setShape(1);
        }
        if (whole) {
            model::recomputeAllHeights();
        } else {
            model::afterEdit();
        }
    }
    state.counters["tiles"] = static_cast<double>(size) * size;
    model::deleteAllTiles();
}

BENCHMARK(BM_AfterEdit)->Arg(50)->Arg(200)->Arg(999)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AfterOneTileEdit)
    ->ArgsProduct({{50, 200, 999}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond);

} // namespace
