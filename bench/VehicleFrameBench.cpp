// Frames of a 100 × 100 layout with 0, 10, 50 and 200 vehicles standing on its track, the
// standard view of the whole board with everything far shown, at 1280 × 720 in the offscreen
// (software) context. The counter "fps" is frames per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "RenderBenchEnvironment.h"
#include "VehicleLayout.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "render/CDocumentRenderer.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"

namespace {

constexpr int kBoard = 100;

void BM_VehicleFrame(benchmark::State& state) {
    prepareRenderBenchEnvironment();
    const int vehicles = static_cast<int>(state.range(0));
    render::opengl::OffscreenContext context(1280, 720);
    if (!context.valid()) {
        state.SkipWithError("no offscreen context");
        return;
    }
    model::CZarnoltDocument document(kBoard, kBoard);
    document.setPreferenceFlag(model::PrefShowAllFarTracks, true);
    if (!fillVehicleLayout(kBoard, vehicles)) {
        state.SkipWithError("a vehicle model of the data pack is missing");
        clearVehicleLayout();
        return;
    }
    {
        render::CDocumentRenderer renderer(document,
                                           std::make_unique<render::opengl::COpenGLBackEnd>());
        if (!renderer.initialise(1280, 720, render::ModeLayout)) {
            state.SkipWithError("renderer not ready");
        } else {
            renderer.setHudVisible(false);
            renderer.draw(); // compiles the cached lists
            for (auto _ : state) {
                renderer.draw();
            }
            state.counters["vehicles"] = vehicles;
            state.counters["fps"] =
                benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
        }
    }
    clearVehicleLayout();
}
BENCHMARK(BM_VehicleFrame)
    ->Arg(0)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->UseRealTime() // the software rasteriser draws on threads of its own
    ->Unit(benchmark::kMillisecond);

} // namespace
