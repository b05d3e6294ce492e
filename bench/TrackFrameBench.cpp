// Frames of boards filled with straight track, everything far shown, at 1280 × 720 in the
// offscreen (software) context: warm frames call each tile's cached list, cold frames compile
// them all again. The counter "perTile" is the frame time divided by the tiles drawn.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "RenderBenchEnvironment.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"

namespace {

void trackFrames(benchmark::State& state, bool cold) {
    prepareRenderBenchEnvironment();
    const int size = static_cast<int>(state.range(0));
    render::opengl::OffscreenContext context(1280, 720);
    if (!context.valid()) {
        state.SkipWithError("no offscreen context");
        return;
    }
    model::CZarnoltDocument document(size, size);
    document.setPreferenceFlag(model::PrefShowAllFarTracks, true);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)},
                              0)
                ->setShape(1);
        }
    }
    {
        render::CDocumentRenderer renderer(document,
                                           std::make_unique<render::opengl::COpenGLBackEnd>());
        if (!renderer.initialise(1280, 720, render::ModeLayout)) {
            state.SkipWithError("renderer not ready");
            return;
        }
        renderer.setHudVisible(false);
        renderer.draw();
        for (auto _ : state) {
            if (cold) {
                renderer.invalidateAllLists();
            }
            renderer.draw();
        }
        const double drawn = static_cast<double>(renderer.trackStats().drawList.size());
        state.counters["tiles"] = drawn;
        state.counters["farChunks"] = renderer.trackStats().farChunks;
        state.counters["perTile"] = benchmark::Counter(
            drawn, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }
    model::deleteAllTiles();
}

void BM_TrackFrameWarm(benchmark::State& state) {
    trackFrames(state, false);
}
void BM_TrackFrameCold(benchmark::State& state) {
    trackFrames(state, true);
}

BENCHMARK(BM_TrackFrameWarm)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrackFrameCold)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
