// Terrain: building the grid and its surface for boards with hills, and the frame-time cost of
// the shadow pass in the offscreen context.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

#include "RenderBenchEnvironment.h"
#include "image/Picture.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/Terrain.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"

namespace {

// The resident size of the process in bytes (0 when it cannot be read).
double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    if (!(statm >> pages >> resident)) {
        return 0;
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

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

// A 100 × 100 board with 400 elevated straight tiles (layer 1) and 400 trees, every one in
// the view, with the shadow pass on (argument 1) or off (0).
void BM_ShadowFrame(benchmark::State& state) {
    prepareRenderBenchEnvironment();
    render::opengl::OffscreenContext context(1280, 720);
    if (!context.valid()) {
        state.SkipWithError("no offscreen context");
        return;
    }
    model::CZarnoltDocument document(100, 100);
    document.setPreferenceFlag(model::PrefNoShadows, state.range(0) == 0);
    for (int r = 0; r < 100; r += 5) {
        for (int c = 0; c < 100; c += 5) {
            model::createTile({static_cast<std::int16_t>(c), static_cast<std::int16_t>(r)}, 1)
                ->setShape(1);
            model::CTrackItem* tree = model::createTile(
                {static_cast<std::int16_t>(c + 2), static_cast<std::int16_t>(r + 2)}, 0);
            tree->setStructure(
                std::make_unique<model::CTrackStructureItem>(model::StructureTree, std::string()));
        }
    }
    render::CDocumentRenderer renderer(document,
                                       std::make_unique<render::opengl::COpenGLBackEnd>());
    if (!renderer.initialise(1280, 720, render::ModeLayout)) {
        state.SkipWithError("renderer not ready");
        model::deleteAllTiles();
        return;
    }
    renderer.setHudVisible(false);
    renderer.draw(); // compiles the cached lists
    for (auto _ : state) {
        renderer.draw();
    }
    state.counters["drawList"] = static_cast<double>(renderer.trackStats().drawList.size());
    model::deleteAllTiles();
}
BENCHMARK(BM_ShadowFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The first frame of a board with hills from landscape items (a 10 × 10-tile hill in every
// fourth 10-tile square): the grid built from the model and the textured terrain
// compiled into its list.
void BM_TerrainFirstFrame(benchmark::State& state) {
    prepareRenderBenchEnvironment();
    const int size = static_cast<int>(state.range(0));
    render::opengl::OffscreenContext context(640, 480);
    if (!context.valid()) {
        state.SkipWithError("no offscreen context");
        return;
    }
    model::CZarnoltDocument document(size, size);
    for (int r = 0; r + 10 <= size; r += 20) {
        for (int c = 0; c + 10 <= size; c += 20) {
            model::CLandscapeItem* item = model::createLandscapeItem();
            item->setRect(model::BoardRect{r * 40, c * 40, (r + 10) * 40, (c + 10) * 40});
            image::Picture picture(32, 32, 24);
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const double d = std::hypot(x - 15.5, y - 15.5) / 16.0;
                    const auto v = static_cast<std::uint8_t>(d < 1 ? 255 * (1 - d) : 0);
                    std::uint8_t* p = picture.pixel(x, y);
                    p[0] = p[1] = p[2] = v;
                }
            }
            item->setPicture(std::move(picture));
            item->setHeightScale(0.35);
        }
    }
    render::CDocumentRenderer renderer(document,
                                       std::make_unique<render::opengl::COpenGLBackEnd>());
    if (!renderer.initialise(640, 480, render::ModeLayout)) {
        state.SkipWithError("renderer not ready");
        model::deleteAllLandscapeItems();
        return;
    }
    renderer.setHudVisible(false);
    const double before = residentBytes();
    for (auto _ : state) {
        renderer.markTerrainDirty();
        renderer.draw();
    }
    // The grid and the compiled terrain lists (the driver keeps them in this process).
    state.counters["residentGrowth"] = residentBytes() - before;
    state.counters["gridBytes"] = static_cast<double>(renderer.terrain().memoryBytes());
    state.counters["detailedTiles"] = static_cast<double>(renderer.terrain().detailedTiles());
    model::deleteAllLandscapeItems();
}
BENCHMARK(BM_TerrainFirstFrame)->Arg(100)->Arg(999)->Unit(benchmark::kMillisecond);

} // namespace
