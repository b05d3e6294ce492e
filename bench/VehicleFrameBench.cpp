// Frames of a 100 × 100 layout with 0, 10, 50 and 200 vehicles standing on its track, the
// standard view of the whole board with everything far shown, at 1280 × 720 in the offscreen
// (software) context. The counter "fps" is frames per second.
#include <benchmark/benchmark.h>

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
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"
#include "trains/VehicleTypes.h"

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
    // A straight line along every second row.
    for (int row = 0; row < kBoard; row += 2) {
        for (int column = 0; column < kBoard; ++column) {
            model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)},
                              0)
                ->setShape(1);
        }
    }
    // Locomotives and passenger cars spread over the rows, four to a row at most.
    trains::CTrainControler& controller = trains::getOrCreateTrainController();
    for (int i = 0; i < vehicles; ++i) {
        const int row = (i % (kBoard / 2)) * 2;
        const int column = 10 + (i / (kBoard / 2)) * 20;
        const bool locomotive = i % 2 == 0;
        trains::CTrainItem* vehicle = trains::createVehicle(
            model::tileAt(0, {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}),
            locomotive ? trains::TypeElectric : trains::TypeRailCar,
            locomotive ? "EL01.zn3" : "PassengerCar01.zn3");
        if (vehicle == nullptr || vehicle->findModel() == nullptr) {
            state.SkipWithError("a vehicle model of the data pack is missing");
            trains::deleteAllVehicles();
            model::deleteAllTiles();
            return;
        }
        controller.addVehicle(vehicle);
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
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}
BENCHMARK(BM_VehicleFrame)
    ->Arg(0)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->UseRealTime() // the software rasteriser draws on threads of its own
    ->Unit(benchmark::kMillisecond);

} // namespace
