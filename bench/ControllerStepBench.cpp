// One controller step (stop rules, advancing, automatic coupling) with 10, 100, 1 000 and
// 4 000 vehicles running as trains of a locomotive and four cars, spread evenly round one closed
// track of 3 992 tiles on a 999 × 999 board, all at full speed. Time is driven by hand, 3 ms
// per step.
#include <benchmark/benchmark.h>

#include "model/CTrackItem.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/VehicleRegistry.h"

namespace {

using model::Pt;

constexpr int kBoard = 999;

void addLine(int column, int row, int shape, Pt (*map)(const Pt&)) {
    std::vector<Pt> points = model::standardShapePoints(shape);
    for (Pt& p : points) {
        p = map(p);
    }
    model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0)
        ->getTrack()
        .addLine(std::move(points), 1);
}

model::CTrackItem* at(int column, int row) {
    return model::tileAt(0, {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)});
}

// The ring round the board's edge; its tiles in travel order.
std::vector<model::CTrackItem*> buildRing() {
    const int last = kBoard - 1;
    auto same = [](const Pt& p) { return p; };
    auto vertical = [](const Pt& p) { return Pt(p.z, 40 - p.x); };
    addLine(0, 0, 2, [](const Pt& p) { return Pt(40 - p.z, 40 - p.x); });
    addLine(last, 0, 2, [](const Pt& p) { return Pt(p.x, 40 - p.z); });
    addLine(last, last, 2, same);
    addLine(0, last, 2, [](const Pt& p) { return Pt(40 - p.x, p.z); });
    for (int i = 1; i < last; ++i) {
        addLine(i, 0, 1, same);
        addLine(i, last, 1, same);
        addLine(0, i, 1, vertical);
        addLine(last, i, 1, vertical);
    }
    model::afterEdit();
    std::vector<model::CTrackItem*> ring;
    for (int i = 0; i < last; ++i) {
        ring.push_back(at(i, 0));
    }
    for (int i = 0; i < last; ++i) {
        ring.push_back(at(last, i));
    }
    for (int i = last; i > 0; --i) {
        ring.push_back(at(i, last));
    }
    for (int i = last; i > 0; --i) {
        ring.push_back(at(0, i));
    }
    return ring;
}

void BM_ControllerStep(benchmark::State& state) {
    const auto vehicles = static_cast<int>(state.range(0));
    const auto ring = buildRing();
    const int trainCount = vehicles / 5;
    for (int t = 0; t < trainCount; ++t) {
        model::CTrackItem* tile =
            ring[static_cast<std::size_t>(t) * ring.size() / static_cast<std::size_t>(trainCount)];
        trains::CTrainItem* tail = trains::createVehicle(tile, trains::TypeElectric, {});
        for (int c = 0; c < 4; ++c) {
            trains::CTrainItem* car = trains::createVehicle(tile, 0, {});
            tail->couple(car, true);
            tail = car;
        }
    }
    trains::installControlItemSeams();
    trains::ControllerClock& clock = trains::controllerClock();
    clock.setManual(0);
    trains::CTrainControler& controller = trains::getOrCreateTrainController();
    controller.setSpeedSetting(10, 10);
    controller.start(false);
    // Bring every train up to the full running speed (28 increases, one every 0.2 s) first,
    // so that each measured step moves the trains as far as a running layout does.
    double now = 0;
    for (int i = 0; i < 2200; ++i) {
        now += 0.003;
        clock.setManual(now);
        controller.stepByHand();
    }
    for (auto _ : state) {
        now += 0.003;
        clock.setManual(now);
        controller.stepByHand();
    }
    controller.stop(true);
    clock.useMonotonic();
    state.SetItemsProcessed(state.iterations() * vehicles);
    state.counters["ns_per_vehicle_step"] =
        benchmark::Counter(static_cast<double>(state.iterations() * vehicles),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}
BENCHMARK(BM_ControllerStep)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(4000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
