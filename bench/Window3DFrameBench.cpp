// Frames per second of the 3D window itself on a real display (run it under
// `xvfb-run -a -s "-screen 0 1920x1080x24"`): the view at 1280 × 720 repainted again and again,
// on a 100 × 100 layout with 0 and 50 vehicles standing on its track, everything far shown.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSurfaceFormat>

#include <memory>

#include "RenderBenchEnvironment.h"
#include "VehicleLayout.h"
#include "app/ProgramSetup.h"
#include "editor/COpenGLView.h"
#include "editor/Prompter.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "render/CDocumentRenderer.h"

namespace {

constexpr int kBoard = 100;

void BM_Window3DFrame(benchmark::State& state) {
    const int vehicles = static_cast<int>(state.range(0));
    model::CZarnoltDocument document(kBoard, kBoard);
    document.setPreferenceFlag(model::PrefShowAllFarTracks, true);
    if (!fillVehicleLayout(kBoard, vehicles)) {
        state.SkipWithError("a vehicle model of the data pack is missing");
        clearVehicleLayout();
        return;
    }
    long frames = 0;
    {
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
            view.repaint(); // compiles the cached lists
            const long before = view.framesDrawn();
            for (auto _ : state) {
                view.repaint();
                QCoreApplication::processEvents();
            }
            frames = view.framesDrawn() - before;
            state.counters["vehicles"] = vehicles;
            state.counters["fps"] =
                benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
        }
        view.releaseRenderer();
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
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
