// Drawing the largest item model of the data pack (the one with the most faces) into a
// 640 × 480 offscreen context: straight from its vertex arrays, and from a compiled display
// list as the scene renderer draws it.
#include "image/FileBytes.h"
#include "items/C3DItemObject.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/ItemPreview.h"
#include "render/opengl/OffscreenContext.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Largest {
    std::unique_ptr<items::C3DItemObject> item;
    std::string name;
};

Largest largestItem() {
    Largest best;
    const fs::path folder = fs::path(ZARNOLT_BUILD_DIR) / "bin" / "データ" / "C3DItem_File";
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
        if (entry.path().extension() != ".zn3") {
            continue;
        }
        const auto bytes = image::readFileBytes(entry.path());
        auto item = std::make_unique<items::C3DItemObject>();
        if (!bytes || !item->loadFromMemory(*bytes)) {
            continue;
        }
        if (!best.item || item->geometryCounts().faces > best.item->geometryCounts().faces) {
            best.item = std::move(item);
            best.name = entry.path().filename().string();
        }
    }
    return best;
}

const Largest& largest() {
    static const Largest model = largestItem();
    return model;
}

// Sets up the context with the model framed in the middle; false (and the state skipped)
// when anything is missing.
bool setUp(benchmark::State& state, render::opengl::OffscreenContext& context) {
    if (!largest().item) {
        state.SkipWithError("no item model in the data pack (build zarnolt_data first)");
        return false;
    }
    if (!context.valid()) {
        state.SkipWithError("no offscreen GL context");
        return false;
    }
    render::opengl::ItemView view;
    view.width = kWidth;
    view.height = kHeight;
    const auto camera = render::opengl::frameBox(largest().item->boundingBox(1.0), view);
    if (!camera) {
        state.SkipWithError("the model cannot be framed");
        return false;
    }
    render::opengl::beginPreviewFrame(*camera);
    state.SetLabel(largest().name);
    state.counters["faces"] = largest().item->geometryCounts().faces;
    return true;
}

void BM_DrawLargestItem(benchmark::State& state) {
    render::opengl::OffscreenContext context(kWidth, kHeight);
    if (!setUp(state, context)) {
        return;
    }
    render::opengl::ItemDrawer drawer;
    drawer.prepare(*largest().item);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawer.drawItem(*largest().item, 1.0);
        glFinish();
    }
}
BENCHMARK(BM_DrawLargestItem)->Unit(benchmark::kMillisecond);

void BM_CallLargestItemList(benchmark::State& state) {
    render::opengl::OffscreenContext context(kWidth, kHeight);
    if (!setUp(state, context)) {
        return;
    }
    render::opengl::ItemDrawer drawer;
    drawer.prepare(*largest().item);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawer.drawItem(*largest().item, 1.0);
    glEndList();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glCallList(list);
        glFinish();
    }
    glDeleteLists(list, 1);
}
BENCHMARK(BM_CallLargestItemList)->Unit(benchmark::kMillisecond);

} // namespace
