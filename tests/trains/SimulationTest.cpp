#include <cmath>
#include <gtest/gtest.h>

#include "TrainFixtures.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/ControllerClock.h"
#include "trains/TrainSimulation.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

using SimulationTest = TrainTest;

// Two rows of track: a locomotive with a parked car ahead of it, and a second locomotive
// that runs to the end of its row.
void buildLayout() {
    straightRun(0, 59, 0);
    straightRun(0, 59, 2);
    CTrainItem* loco = createVehicle(tileAt(0, {30, 0}), TypeElectric, {});
    ASSERT_NE(loco, nullptr);
    CTrackItem* ahead = nullptr;
    ASSERT_TRUE(loco->tileAhead(ahead, 1));
    const int d = ahead->getPosition().column > 30 ? 1 : -1;
    ASSERT_NE(createVehicle(tileAt(0, {static_cast<std::int16_t>(30 + 6 * d), 0}), TypeRailCar, {}),
              nullptr);
    ASSERT_NE(createVehicle(tileAt(0, {50, 2}), TypeSteam, {}), nullptr);
}

void clearLayout() {
    deleteAllVehicles();
    deleteAllTiles();
}

} // namespace

TEST_F(SimulationTest, TheSameLayoutAndSeedGiveTheSameRun) {
    buildLayout();
    const SimulationResult first = runSimulation(6.0, 7);
    clearLayout();
    buildLayout();
    const SimulationResult second = runSimulation(6.0, 7);

    EXPECT_TRUE(first == second);
    EXPECT_EQ(first.steps, 2000);
    ASSERT_EQ(first.vehicles.size(), 3u);
    // The locomotives moved off their starting tiles; the car was coupled on the way.
    EXPECT_NE(first.vehicles[0].column, 30);
    EXPECT_NE(first.vehicles[2].column, 50);
    bool coupling = false;
    for (const auto& e : first.events) {
        coupling = coupling || (e.kind == "coupling" && (e.vehicle == 1 || e.other == 1));
    }
    EXPECT_TRUE(coupling);
    EXPECT_FALSE(getOrCreateTrainController().isRunning());
    EXPECT_FALSE(controllerClock().isManual());
}

TEST_F(SimulationTest, NoStepsForAnInvalidDuration) {
    buildLayout();
    for (double seconds : {-1.0, 0.0, std::nan("")}) {
        const SimulationResult result = runSimulation(seconds, 1);
        EXPECT_EQ(result.steps, 0) << seconds;
        EXPECT_EQ(result.vehicles.size(), 3u);
        EXPECT_EQ(result.vehicles[0].column, 30);
    }
}

// The tool starts the trains as the program's run does: from rest, accelerating. Its run
// equals one driven by hand after a plain start of the loaded layout.
TEST_F(SimulationTest, TheToolStartsTheTrainsAsTheProgramsRunDoes) {
    buildLayout();
    CTrainControler& controller = getOrCreateTrainController();
    const SimulationResult early = runSimulation(0.5, 7);
    ASSERT_EQ(early.vehicles.size(), 3u);
    EXPECT_GT(early.vehicles[0].speed, 0.0);
    EXPECT_LT(early.vehicles[0].speed, 2.0); // still accelerating, far below the running speed
    EXPECT_GT(controller.speed(), 2.0);

    clearLayout();
    buildLayout();
    const SimulationResult tool = runSimulation(6.0, 7);
    clearLayout();
    buildLayout();
    SimulationResult program;
    {
        DrivenRun run(7);
        controller.start(false);
        run.runUntil(6.0);
        program = run.result();
        controller.stop(true);
        controllerClock().useMonotonic();
    }
    EXPECT_EQ(program.steps, 2000);
    EXPECT_TRUE(tool == program);
}

// A hold begun in one run goes on waiting in the next instead of starting its count again, and
// the hold expires once its whole wait has passed in driven time.
TEST_F(SimulationTest, AHoldBegunInOneRunWaitsOnInTheNext) {
    straightRun(0, 9, 0);
    straightRun(0, 59, 2);
    CTrainItem* loco = createVehicle(tileAt(0, {30, 2}), TypeElectric, {});
    ASSERT_NE(loco, nullptr);
    CTrackItem* tile = tileAt(0, {2, 0});
    ASSERT_TRUE(tile->addControlItem(KindHolding));
    CTrackControlItem* item = tile->findControlItem(KindHolding);
    item->setValue(5);
    noticeVehicle(*item, loco->id(), true);
    noticeVehicle(*item, loco->id(), false); // the hold begins; its clock starts at the next tick
    ASSERT_TRUE(getOrCreateControlItemManager().contains(item));

    runSimulation(3.0, 1); // about 2.9 s waited
    EXPECT_EQ(item->getOccupant(), loco->id());
    runSimulation(1.5, 1); // about 4.4 s
    EXPECT_EQ(item->getOccupant(), loco->id());
    runSimulation(1.0, 1); // about 5.4 s: the 5-second hold has expired
    EXPECT_EQ(item->getOccupant(), 0u);
}
