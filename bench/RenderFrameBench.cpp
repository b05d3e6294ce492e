// One whole frame of an empty layout's standard view at 1280 × 720 in the offscreen (software)
// context: the base plate's cached list, the floor, the lights and the HUD.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "RenderBenchEnvironment.h"
#include "model/CZarnoltDocument.h"
#include "render/CDocumentRenderer.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"

namespace {

void BM_EmptyLayoutFrame(benchmark::State& state) {
    prepareRenderBenchEnvironment();
    const int size = static_cast<int>(state.range(0));
    render::opengl::OffscreenContext context(1280, 720);
    if (!context.valid()) {
        state.SkipWithError("no offscreen context");
        return;
    }
    model::CZarnoltDocument document(size, size);
    render::CDocumentRenderer renderer(document,
                                       std::make_unique<render::opengl::COpenGLBackEnd>());
    if (!renderer.initialise(1280, 720, render::ModeLayout)) {
        state.SkipWithError("renderer not ready");
        return;
    }
    renderer.draw(); // compiles the cached lists
    for (auto _ : state) {
        renderer.draw();
    }
    state.counters["tiles"] = static_cast<double>(size) * size;
}
BENCHMARK(BM_EmptyLayoutFrame)->Arg(11)->Arg(100)->Unit(benchmark::kMillisecond);

} // namespace
