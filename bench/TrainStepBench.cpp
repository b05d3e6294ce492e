// Advancing 1 000 vehicles by one step each on a 100 × 100 board whose outer ring is one
// closed track of 396 tiles.
#include <benchmark/benchmark.h>

#include "model/CTrackItem.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace {

using model::Pt;

constexpr int kBoard = 100;
constexpr int kVehicles = 1000;

std::vector<Pt> mapped(int shape, Pt (*map)(const Pt&)) {
    std::vector<Pt> points = model::standardShapePoints(shape);
    for (Pt& p : points) {
        p = map(p);
    }
    return points;
}

void addLine(int column, int row, std::vector<Pt> points) {
    model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0)
        ->getTrack()
        .addLine(std::move(points), 1);
}

// The ring's tiles in travel order.
std::vector<model::CTrackItem*> buildRing() {
    const int last = kBoard - 1;
    auto same = [](const Pt& p) { return p; };
    auto vertical = [](const Pt& p) { return Pt(p.z, 40 - p.x); };
    addLine(0, 0, mapped(2, [](const Pt& p) { return Pt(40 - p.z, 40 - p.x); }));
    addLine(last, 0, mapped(2, [](const Pt& p) { return Pt(p.x, 40 - p.z); }));
    addLine(last, last, mapped(2, same));
    addLine(0, last, mapped(2, [](const Pt& p) { return Pt(40 - p.x, p.z); }));
    for (int i = 1; i < last; ++i) {
        addLine(i, 0, mapped(1, same));
        addLine(i, last, mapped(1, same));
        addLine(0, i, mapped(1, vertical));
        addLine(last, i, mapped(1, vertical));
    }
    model::afterEdit();
    std::vector<model::CTrackItem*> ring;
    for (int i = 0; i < last; ++i) {
        ring.push_back(model::tileAt(0, {static_cast<std::int16_t>(i), 0}));
    }
    for (int i = 0; i < last; ++i) {
        ring.push_back(
            model::tileAt(0, {static_cast<std::int16_t>(last), static_cast<std::int16_t>(i)}));
    }
    for (int i = last; i > 0; --i) {
        ring.push_back(
            model::tileAt(0, {static_cast<std::int16_t>(i), static_cast<std::int16_t>(last)}));
    }
    for (int i = last; i > 0; --i) {
        ring.push_back(model::tileAt(0, {0, static_cast<std::int16_t>(i)}));
    }
    return ring;
}

// Single vehicles, each moved by 2 layout units.
void BM_AdvanceSingleVehicles(benchmark::State& state) {
    const auto ring = buildRing();
    std::vector<trains::CTrainItem*> vehicles;
    for (int i = 0; i < kVehicles; ++i) {
        vehicles.push_back(trains::createVehicle(
            ring[static_cast<std::size_t>(i) * ring.size() / kVehicles], trains::TypeSteam, {}));
    }
    for (auto _ : state) {
        for (trains::CTrainItem* v : vehicles) {
            v->advance(false, 2.0, 0, 0);
        }
    }
    state.SetItemsProcessed(state.iterations() * kVehicles);
    state.counters["ns_per_vehicle_step"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kVehicles),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}
BENCHMARK(BM_AdvanceSingleVehicles)->Unit(benchmark::kMicrosecond);

// 200 trains of a locomotive and four cars: each locomotive moves its whole train at a
// steady speed, so every vehicle makes one step per round.
void BM_AdvanceTrainsOfFive(benchmark::State& state) {
    const auto ring = buildRing();
    std::vector<trains::CTrainItem*> locomotives;
    for (int t = 0; t < kVehicles / 5; ++t) {
        model::CTrackItem* tile = ring[static_cast<std::size_t>(t) * ring.size() / (kVehicles / 5)];
        trains::CTrainItem* loco = trains::createVehicle(tile, trains::TypeSteam, {});
        trains::CTrainItem* tail = loco;
        for (int c = 0; c < 4; ++c) {
            trains::CTrainItem* car = trains::createVehicle(tile, 0, {});
            tail->couple(car, true);
            tail = car;
        }
        loco->stopOrBrake(true);
        loco->advance(true, 0, 40.0, 0.05);
        locomotives.push_back(loco);
    }
    for (auto _ : state) {
        for (trains::CTrainItem* loco : locomotives) {
            loco->advance(true, 0, 40.0, 0.05);
        }
    }
    state.SetItemsProcessed(state.iterations() * kVehicles);
    state.counters["ns_per_vehicle_step"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kVehicles),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}
BENCHMARK(BM_AdvanceTrainsOfFive)->Unit(benchmark::kMicrosecond);

} // namespace
