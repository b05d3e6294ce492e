// Cost of rebuilding a landscape item's heights from pictures of growing size, and of moving
// a hill over a board full of ground track (terrain ranges and cover flags of every tile).
#include <benchmark/benchmark.h>

#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TerrainCommands.h"
#include "model/TrackTiles.h"

namespace {

image::Picture ramp(int edge) {
    image::Picture picture(edge, edge, 24);
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            picture.setColourAt(x, y, static_cast<std::uint32_t>((x + y) % 256) * 0x010101u);
        }
    }
    return picture;
}

void BM_RebuildHeights(benchmark::State& state) {
    const int edge = static_cast<int>(state.range(0));
    const int tiles = static_cast<int>(state.range(1));
    model::CLandscapeItem* item = model::createLandscapeItem();
    item->setRect(model::BoardRect{0, 0, 40 * tiles, 40 * tiles});
    item->setPicture(ramp(edge));
    for (auto _ : state) {
        item->rebuildHeights();
        benchmark::DoNotOptimize(item->heights().samples.data());
    }
    model::deleteAllLandscapeItems();
}
BENCHMARK(BM_RebuildHeights)
    ->Args({64, 5})
    ->Args({1024, 5})
    ->Args({4096, 5})
    ->Args({4096, 250})
    ->Unit(benchmark::kMicrosecond);

void BM_MoveHillOverTrack(benchmark::State& state) {
    const int edge = static_cast<int>(state.range(0));
    for (int row = 0; row < edge; ++row) {
        for (int column = 0; column < edge; ++column) {
            model::createTile(
                model::TilePos{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)},
                0)
                ->setShape(1);
        }
    }
    model::CLandscapeItem* hill = model::generateTerrain(1, 0, 0);
    int step = 0;
    for (auto _ : state) {
        const int offset = 40 * (step++ % 10);
        model::moveLandscapeItem(hill,
                                 model::BoardRect{offset, offset, offset + 400, offset + 400});
    }
    model::deleteAllLandscapeItems();
    model::deleteAllTiles();
}
BENCHMARK(BM_MoveHillOverTrack)->Arg(50)->Arg(999)->Unit(benchmark::kMillisecond);

} // namespace
