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

BENCHMARK(BM_AfterEdit)->Arg(50)->Arg(200)->Arg(999)->Unit(benchmark::kMillisecond);

} // namespace
