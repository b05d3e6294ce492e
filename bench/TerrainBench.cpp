// Terrain: building the grid and its surface for boards with hills, and the frame-time cost of
// the shadow pass in the offscreen context.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "RenderBenchEnvironment.h"
#include "model/CZarnoltDocument.h"
#include "render/CDocumentRenderer.h"
#include "render/Terrain.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"

namespace {

// A 10 × 10-tile round hill in every fourth 10-tile square: a quarter of the board is hilly.
std::vector<render::TerrainPatch> hills(int size) {
    std::vector<render::TerrainPatch> patches;
    for (int r = 0; r + 10 <= size; r += 20) {
        for (int c = 0; c + 10 <= size; c += 20) {
            render::TerrainPatch patch{c, r, c + 9, r + 9, false, nullptr};
            const double cx = c + 5.0;
            const double cz = r + 5.0;
            patch.height = [cx, cz](double x, double z) {
                const double d = std::hypot(x - cx, z - cz) / 5.0;
                return d < 1 ? 2.0 * std::cos(d * 1.5707963) : 0.0;
            };
            patches.push_back(std::move(patch));
        }
    }
    return patches;
}

void BM_TerrainBuild(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const auto patches = hills(size);
    render::Terrain terrain;
    std::size_t triangles = 0;
    for (auto _ : state) {
        terrain.build(size, size, patches, {}, 1.2);
        triangles = 0;
        terrain.visitTriangles({}, [&](const render::TerrainVertex* v) {
            benchmark::DoNotOptimize(v);
            ++triangles;
        });
    }
    state.counters["gridBytes"] = static_cast<double>(terrain.memoryBytes());
    state.counters["detailedTiles"] = static_cast<double>(terrain.detailedTiles());
    state.counters["triangles"] = static_cast<double>(triangles);
}
BENCHMARK(BM_TerrainBuild)->Arg(100)->Arg(999)->Unit(benchmark::kMillisecond);

// A 100 × 100 board with 400 one-tile squares a tile above the ground casting shadows
// (argument 1) or with the shadow pass off (0).
void BM_ShadowFrame(benchmark::State& state) {
    prepareRenderBenchEnvironment();
    render::opengl::OffscreenContext context(1280, 720);
    if (!context.valid()) {
        state.SkipWithError("no offscreen context");
        return;
    }
    model::CZarnoltDocument document(100, 100);
    document.setPreferenceFlag(model::PrefNoShadows, state.range(0) == 0);
    render::CDocumentRenderer renderer(document,
                                       std::make_unique<render::opengl::COpenGLBackEnd>());
    if (!renderer.initialise(1280, 720, render::ModeLayout)) {
        state.SkipWithError("renderer not ready");
        return;
    }
    renderer.setHudVisible(false);
    renderer.hooks().drawShadowCasters = [] {
        glBegin(GL_QUADS);
        for (int r = 0; r < 100; r += 5) {
            for (int c = 0; c < 100; c += 5) {
                glVertex3d(c, 1, r);
                glVertex3d(c, 1, r + 1);
                glVertex3d(c + 1, 1, r + 1);
                glVertex3d(c + 1, 1, r);
            }
        }
        glEnd();
    };
    renderer.draw(); // compiles the cached lists
    for (auto _ : state) {
        renderer.draw();
    }
}
BENCHMARK(BM_ShadowFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
