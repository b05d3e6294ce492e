#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "editing/EditCommands.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"

namespace {

constexpr int kEdge = 200;

// A 200 × 200 board filled with track (straight lines with a point on every tenth tile).
void fillBoard() {
    model::deleteAllTiles();
    for (int row = 0; row < kEdge; ++row) {
        for (int column = 0; column < kEdge; ++column) {
            model::CTrackItem* tile = model::createTile(
                {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
            tile->addShape(1, model::LineKindTrack);
            if ((row * kEdge + column) % 10 == 0) {
                tile->addShape(3, model::LineKindTrack);
            }
        }
    }
}

// Turning a whole 200 × 200 selection of track by a quarter turn: every tile moves to its
// turned cell and its lines, point and label turn with it; afterEdit included.
void BM_RotateArea200(benchmark::State& state) {
    const std::string config =
        (std::filesystem::temp_directory_path() / "zarnolt-bench-config").string();
    setenv("ZARNOLT_CONFIG_DIR", config.c_str(), 1);
    auto document = std::make_unique<model::CZarnoltDocument>(kEdge, kEdge);
    fillBoard();
    for (auto _ : state) {
        editing::rotateArea(0, {0, 0}, {kEdge - 1, kEdge - 1}, 1);
        state.PauseTiming();
        model::purgeEmptiedTiles();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEdge * kEdge);
    state.counters["tiles/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kEdge * kEdge, benchmark::Counter::kIsRate);
    model::deleteAllTiles();
}
BENCHMARK(BM_RotateArea200)->Unit(benchmark::kMillisecond);

} // namespace
