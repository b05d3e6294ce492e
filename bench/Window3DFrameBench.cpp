// Frames per second of the 3D window itself on a real display (run it under
// `xvfb-run -a -s "-screen 0 1920x1080x24"`): the view at 1280 × 720 repainted again and again,
// on a 100 × 100 layout with 0 and 50 vehicles standing on its track, everything far shown, and
// on each shipped sample layout with its own trains and preferences.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSurfaceFormat>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "RenderBenchEnvironment.h"
#include "VehicleLayout.h"
#include "app/ProgramSetup.h"
#include "editor/COpenGLView.h"
#include "editor/Prompter.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "persistence/LayoutFile.h"
#include "render/CDocumentRenderer.h"
#include "trains/CTrainControler.h"

namespace {

constexpr int kBoard = 100;

// Repaints the view of the current document at 1280 × 720 again and again.
void repaintWindow(benchmark::State& state) {
    editor::DecliningPrompter prompter; // nobody answers during a benchmark
    editor::COpenGLView view(prompter, render::ModeLayout);
    view.resize(1280, 720);
    view.show();
    for (int i = 0; i < 200 && view.renderer() == nullptr; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (view.renderer() == nullptr) {
        state.SkipWithError("the 3D view has no usable context (is there a display?)");
    } else {
        view.renderer()->setHudVisible(false);
        view.paintNow(); // compiles the cached lists
        const long before = view.framesDrawn();
        for (auto _ : state) {
            view.paintNow();
            QCoreApplication::processEvents();
        }
        const long frames = view.framesDrawn() - before;
        state.counters["fps"] =
            benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    }
    view.releaseRenderer();
}

void BM_Window3DFrame(benchmark::State& state) {
    const int vehicles = static_cast<int>(state.range(0));
    model::CZarnoltDocument document(kBoard, kBoard);
    document.setPreferenceFlag(model::PrefShowAllFarTracks, true);
    if (!fillVehicleLayout(kBoard, vehicles)) {
        state.SkipWithError("a vehicle model of the data pack is missing");
        clearVehicleLayout();
        return;
    }
    repaintWindow(state);
    state.counters["vehicles"] = vehicles;
    clearVehicleLayout();
}

// A shipped sample layout, with the trains it holds, in its own standard view.
void windowOnSample(benchmark::State& state, const std::filesystem::path& path) {
    model::CZarnoltDocument document(10, 10);
    std::string message;
    if (persistence::readLayoutFile(document, path, {}, &message) !=
        persistence::LayoutReadResult::Read) {
        state.SkipWithError("the sample layout cannot be read");
    } else {
        repaintWindow(state);
        const trains::CTrainControler* controller = trains::trainController();
        state.counters["vehicles"] =
            controller != nullptr ? static_cast<double>(controller->vehicles().size()) : 0;
    }
    clearVehicleLayout();
}

BENCHMARK(BM_Window3DFrame)->Arg(0)->Arg(50)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    prepareRenderBenchEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QSurfaceFormat::setDefaultFormat(editor::COpenGLView::requestedFormat());
    QApplication app(argc, argv);
    app::installProgramServices();
    // One benchmark per shipped sample layout, named after its file.
    const std::filesystem::path samples = std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル";
    std::error_code error;
    std::vector<std::filesystem::path> layouts;
    for (const auto& entry : std::filesystem::directory_iterator(samples, error)) {
        if (entry.path().extension() == ".zrn") {
            layouts.push_back(entry.path());
        }
    }
    std::sort(layouts.begin(), layouts.end());
    for (const std::filesystem::path& path : layouts) {
        benchmark::RegisterBenchmark(
            ("BM_Window3DSample/" + path.stem().string()).c_str(),
            [path](benchmark::State& state) { windowOnSample(state, path); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
