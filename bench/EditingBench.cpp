// Turning, mirroring and pasting a whole square of track (straight lines with a point on every
// tenth tile) on a board of the same size, from 50 × 50 to 400 × 400; afterEdit included.
// "perTile" is the time per tile of the square; it should stay flat as the square grows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "editing/EditCommands.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"

namespace {

model::TilePos cell(int column, int row) {
    return {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
}

// A fresh edge × edge document whose every tile holds track.
std::unique_ptr<model::CZarnoltDocument> filledBoard(int edge) {
    const std::string config =
        (std::filesystem::temp_directory_path() / "zarnolt-bench-config").string();
    setenv("ZARNOLT_CONFIG_DIR", config.c_str(), 1);
    auto document = std::make_unique<model::CZarnoltDocument>(edge, edge);
    model::deleteAllTiles();
    for (int row = 0; row < edge; ++row) {
        for (int column = 0; column < edge; ++column) {
            model::CTrackItem* tile = model::createTile(cell(column, row), 0);
            tile->addShape(1, model::LineKindTrack);
            if ((row * edge + column) % 10 == 0) {
                tile->addShape(3, model::LineKindTrack);
            }
        }
    }
    model::afterEdit();
    return document;
}

void finish(benchmark::State& state, int edge) {
    const double tiles = static_cast<double>(edge) * edge;
    state.counters["tiles"] = tiles;
    state.counters["perTile"] =
        benchmark::Counter(tiles * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    model::deleteAllTiles();
}

void BM_RotateArea(benchmark::State& state) {
    const int edge = static_cast<int>(state.range(0));
    auto document = filledBoard(edge);
    for (auto _ : state) {
        editing::rotateArea(0, cell(0, 0), cell(edge - 1, edge - 1), 1);
        state.PauseTiming();
        model::purgeEmptiedTiles();
        state.ResumeTiming();
    }
    finish(state, edge);
}

void BM_MirrorArea(benchmark::State& state) {
    const int edge = static_cast<int>(state.range(0));
    auto document = filledBoard(edge);
    for (auto _ : state) {
        editing::mirrorArea(0, cell(0, 0), cell(edge - 1, edge - 1), true);
        state.PauseTiming();
        model::purgeEmptiedTiles();
        state.ResumeTiming();
    }
    finish(state, edge);
}

// The whole board copied once, then pasted over itself.
void BM_PasteArea(benchmark::State& state) {
    const int edge = static_cast<int>(state.range(0));
    auto document = filledBoard(edge);
    model::setSelection(0, cell(0, 0), cell(edge - 1, edge - 1));
    const auto block = editing::copySelection();
    if (!block) {
        state.SkipWithError("copy failed");
        return;
    }
    for (auto _ : state) {
        editing::pasteIntoSelection(*block);
        model::afterEdit();
        state.PauseTiming();
        model::purgeEmptiedTiles();
        state.ResumeTiming();
    }
    finish(state, edge);
}

BENCHMARK(BM_RotateArea)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MirrorArea)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PasteArea)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);

} // namespace
