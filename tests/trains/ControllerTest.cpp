#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "TrainFixtures.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "support/RenderLockHeldElsewhere.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainControlerThread.h"
#include "trains/ControllerClock.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

// Every test drives time by hand and leaves the controller idle.
class ControllerTest : public TrainTest {
protected:
    void SetUp() override {
        TrainTest::SetUp();
        controllerClock().setManual(100.0);
        controller_ = &getOrCreateTrainController();
        controller_->stop(true);
        controller_->setSpeedSetting(10, 10);
    }
    void TearDown() override {
        controller_->stop(true);
        platform::frameInProgress() = false;
        controllerClock().useMonotonic();
        TrainTest::TearDown();
    }
    // One hand-driven step after `dt` seconds, then a tick of the hold timers; true when
    // running has ended.
    bool step(double dt) {
        controllerClock().advance(dt);
        const bool ended = controller_->stepByHand();
        getOrCreateControlItemManager().tick();
        return ended;
    }
    CTrainControler* controller_ = nullptr;
};

constexpr int kRow = 0;

// +1 when the vehicle runs towards higher columns, −1 otherwise.
int directionOf(const CTrainItem& v) {
    CTrackItem* ahead = nullptr;
    EXPECT_TRUE(v.tileAhead(ahead, 1));
    return ahead != nullptr && ahead->getPosition().column > v.currentTile()->getPosition().column
               ? 1
               : -1;
}

CTrainItem* vehicleAt(int column, std::int32_t type) {
    return createVehicle(tileAt(0, {static_cast<std::int16_t>(column), kRow}), type, {});
}

} // namespace

TEST_F(ControllerTest, SpeedLevels) {
    const double expected[] = {10, 20, 40, 60, 80, 120, 160, 200, 240, 280, 320};
    for (int level = 0; level <= 10; ++level) {
        controller_->setSpeedSetting(level, 10);
        EXPECT_EQ(controller_->speed(), expected[level]) << level;
    }
    // Levels outside the range are clamped.
    controller_->setSpeedSetting(42, 10);
    EXPECT_EQ(controller_->speed(), 320.0);
    controller_->setSpeedSetting(-3, 10);
    EXPECT_EQ(controller_->speed(), 10.0);
}

TEST_F(ControllerTest, AcceleratesToTheLevelSpeedAndBrakesToAStop) {
    straightRun(0, 119, kRow);
    CTrainItem* loco = vehicleAt(60, TypeElectric);
    ASSERT_NE(loco, nullptr);
    controller_->start(false);
    ASSERT_TRUE(controller_->isRunning());

    int increases = 0;
    double last = loco->speed();
    for (int i = 0; i < 200 && loco->accelState() != 0; ++i) {
        ASSERT_FALSE(step(0.1));
        if (loco->speed() > last && loco->speed() != 320.0) {
            ++increases;
        }
        last = loco->speed();
    }
    EXPECT_EQ(increases, 28);
    EXPECT_EQ(loco->speed(), 320.0);
    EXPECT_EQ(loco->accelState(), 0.0);

    controller_->stop(false);
    EXPECT_TRUE(controller_->isRunning()); // braking still runs the worker
    EXPECT_FALSE(controller_->isStopping());
    int reductions = 0;
    last = loco->speed();
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = step(0.1);
        if (loco->speed() < last) {
            ++reductions;
        }
        last = loco->speed();
    }
    ASSERT_TRUE(ended);
    EXPECT_EQ(reductions, 14);
    EXPECT_FALSE(controller_->isRunning());
    EXPECT_EQ(controller_->thread(), nullptr);
    EXPECT_EQ(loco->speed(), 0.0);
    EXPECT_EQ(loco->accelState(), 1.0);
}

TEST_F(ControllerTest, AutomaticTrainStopKeepsAFollowingTrainBehindAStandingOne) {
    straightRun(0, 59, kRow);
    CTrainItem* runner = vehicleAt(30, TypeElectric);
    ASSERT_NE(runner, nullptr);
    const int d = directionOf(*runner);
    CTrainItem* standing = vehicleAt(30 + 12 * d, TypeSteam);
    ASSERT_NE(standing, nullptr);
    standing->halt(); // a train with a locomotive, standing without a driver
    const int standingColumn = standing->currentTile()->getPosition().column;

    controller_->start(false);
    for (int i = 0; i < 400; ++i) {
        ASSERT_FALSE(step(0.05));
        const int gap = (standingColumn - runner->currentTile()->getPosition().column) * d;
        ASSERT_GE(gap, 1) << "ran into the standing train at step " << i;
    }
    // It has come up behind the standing train and waits there.
    const int gap = (standingColumn - runner->currentTile()->getPosition().column) * d;
    EXPECT_GE(gap, 1);
    EXPECT_LE(gap, 5);
    EXPECT_EQ(runner->speed(), 0.0);
    EXPECT_FALSE(runner->isSameTrain(standing));
}

TEST_F(ControllerTest, ARunningLocomotiveCouplesAParkedCarAhead) {
    straightRun(0, 59, kRow);
    CTrainItem* loco = vehicleAt(30, TypeElectric);
    ASSERT_NE(loco, nullptr);
    const int d = directionOf(*loco);
    CTrainItem* car = vehicleAt(30 + 6 * d, TypeRailCar);
    ASSERT_NE(car, nullptr);

    // Every step asks the 3D views to repaint; a coupling marks the panels for refresh.
    int repaints = 0;
    int panelRefreshes = 0;
    TrainHooks& hooks = trainHooks();
    const TrainHooks saved = hooks;
    hooks.requestViewRepaint = [&] { ++repaints; };
    hooks.requestPanelRefresh = [&] { ++panelRefreshes; };
    controller_->start(false);
    int steps = 0;
    while (steps < 400 && !loco->isSameTrain(car)) {
        ASSERT_FALSE(step(0.05));
        ++steps;
        ASSERT_EQ(panelRefreshes, loco->isSameTrain(car) ? 1 : 0) << "step " << steps;
    }
    hooks = saved;
    ASSERT_TRUE(loco->isSameTrain(car));
    EXPECT_EQ(loco->head(), car); // picked up at the front
    EXPECT_EQ(repaints, steps);
    EXPECT_EQ(panelRefreshes, 1);
}

TEST_F(ControllerTest, AnOccupiedStationOrCrossingAheadHoldsTheTrain) {
    for (int kind : {KindStation1, KindCrossing}) {
        SCOPED_TRACE(kind);
        straightRun(0, 59, kRow);
        CTrainItem* loco = vehicleAt(30, TypeElectric);
        ASSERT_NE(loco, nullptr);
        const int d = directionOf(*loco);
        CTrackItem* held = tileAt(0, {static_cast<std::int16_t>(30 + 3 * d), kRow});
        ASSERT_TRUE(held->addControlItem(kind));
        CTrackControlItem* item = held->findControlItem(kind);
        item->setValue(-1); // a station that does not stop trains
        // Another train, standing on a siding of its own, holds the item.
        straightRun(0, 3, kRow + 4);
        CTrainItem* holder = createVehicle(tileAt(0, {1, kRow + 4}), TypeElectric, {});
        ASSERT_NE(holder, nullptr);
        controller_->start(false);
        holder->halt();
        item->setOccupant(holder->id());
        // The locomotive waits one line before it, and reports that it stands.
        for (int i = 0; i < 200; ++i) {
            ASSERT_FALSE(step(0.05));
        }
        CTrackItem* ahead = nullptr;
        ASSERT_TRUE(loco->tileAhead(ahead, 1));
        EXPECT_EQ(ahead, held);
        EXPECT_EQ(loco->speed(), 0.0);
        EXPECT_EQ(holder->speed(), 0.0);
        // The holder is deleted: its hold reads as no vehicle, and the locomotive runs on
        // through without stopping there.
        ASSERT_TRUE(destroyVehicle(holder));
        bool stoppedOnIt = false;
        for (int i = 0; i < 400; ++i) {
            step(0.05);
            stoppedOnIt = stoppedOnIt || (loco->currentTile() == held && loco->speed() == 0);
        }
        EXPECT_FALSE(stoppedOnIt);
        EXPECT_GT((loco->currentTile()->getPosition().column - held->getPosition().column) * d, 0);
        controller_->stop(true);
        deleteAllVehicles();
        deleteAllTiles();
    }
}

TEST_F(ControllerTest, AStopEngineStationHaltsTheTrainAndReleasesTheStation) {
    straightRun(0, 59, kRow);
    CTrainItem* loco = vehicleAt(30, TypeElectric);
    ASSERT_NE(loco, nullptr);
    CTrackItem* here = loco->currentTile();
    ASSERT_TRUE(here->addControlItem(KindStation1));
    here->stationItem()->setValue(-2);
    here->stationItem()->setOccupant(loco->id());
    ASSERT_TRUE(controller_->pathIsClear(*loco, controller_->trainLeaders()));
    EXPECT_FALSE(controller_->mayLeaveStation(*loco));
    EXPECT_TRUE(loco->isEngineStopped());
    EXPECT_FALSE(loco->isActive());
    EXPECT_EQ(here->stationItem()->getOccupant(), 0u);
    // Code −1 never holds.
    here->stationItem()->setValue(-1);
    here->stationItem()->setOccupant(loco->id());
    EXPECT_TRUE(controller_->mayLeaveStation(*loco));
}

TEST_F(ControllerTest, NothingMovesWhileAFrameIsDrawn) {
    straightRun(0, 59, kRow);
    CTrainItem* loco = vehicleAt(30, TypeElectric);
    ASSERT_NE(loco, nullptr);
    controller_->start(false);
    for (int i = 0; i < 20; ++i) {
        step(0.21);
    }
    const double before = loco->position().pointIndex;
    const auto line = loco->position().line;
    platform::frameInProgress() = true;
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(step(0.21));
    }
    EXPECT_EQ(loco->position().pointIndex, before);
    EXPECT_EQ(loco->position().line, line);
    platform::frameInProgress() = false;
    step(0.21);
    EXPECT_TRUE(loco->position().pointIndex != before || loco->position().line != line);
}

TEST_F(ControllerTest, TheWorkerThreadStartsAndStops) {
    straightRun(0, 59, kRow);
    CTrainItem* loco = vehicleAt(30, TypeElectric);
    ASSERT_NE(loco, nullptr);
    controllerClock().useMonotonic();
    controller_->start();
    ASSERT_TRUE(controller_->isRunning());
    ASSERT_NE(controller_->thread(), nullptr);
    EXPECT_TRUE(controller_->thread()->isLaunched());
    EXPECT_FALSE(controller_->stepByHand()); // a launched worker is not stepped by hand
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    controller_->stop(true);
    EXPECT_FALSE(controller_->isRunning());
    EXPECT_EQ(controller_->thread(), nullptr);
    EXPECT_EQ(loco->speed(), 0.0);
    EXPECT_EQ(loco->accelState(), 1.0);
}

TEST_F(ControllerTest, AStationHoldsTheTrainForItsWaitThenLetsItGo) {
    straightRun(0, 59, kRow);
    CTrainItem* loco = vehicleAt(20, TypeElectric);
    ASSERT_NE(loco, nullptr);
    const int d = directionOf(*loco);
    // A two-tile station; the head stops on the last one, in its direction of travel.
    CTrackItem* last = nullptr;
    for (int k : {4, 5}) {
        CTrackItem* tile = tileAt(0, {static_cast<std::int16_t>(20 + k * d), kRow});
        ASSERT_TRUE(tile->addControlItem(KindStation1));
        tile->stationItem()->setValue(10);
        last = tile;
    }
    controller_->start(false);
    double stoppedAt = -1;
    double leftAt = -1;
    double time = 0;
    for (int i = 0; i < 2000 && leftAt < 0; ++i) {
        step(0.01);
        time += 0.01;
        const bool onLast = loco->currentTile() == last;
        if (stoppedAt < 0 && onLast && loco->speed() == 0) {
            stoppedAt = time;
        } else if (stoppedAt >= 0 && loco->speed() > 0) {
            leftAt = time;
        }
    }
    ASSERT_GE(stoppedAt, 0) << "never stopped at the station";
    ASSERT_GE(leftAt, 0) << "never left the station";
    EXPECT_GE(leftAt - stoppedAt, 10.0);
    EXPECT_LE(leftAt - stoppedAt, 10.3);
}

TEST_F(ControllerTest, AReversingPointAtADeadEndTurnsTheTrainAfterItsWait) {
    straightRun(0, 11, kRow);
    CTrainItem* loco = vehicleAt(6, TypeElectric);
    ASSERT_NE(loco, nullptr);
    const int d = directionOf(*loco);
    const int endColumn = d > 0 ? 11 : 0;
    CTrackItem* end = tileAt(0, {static_cast<std::int16_t>(endColumn), kRow});
    ASSERT_TRUE(end->addControlItem(KindReversing)); // value 0: a wait of 2 s
    controller_->start(false);
    double haltedAt = -1;
    double time = 0;
    for (int i = 0; i < 2000 && haltedAt < 0; ++i) {
        step(0.01);
        time += 0.01;
        if (loco->currentTile() == end && !loco->isActive()) {
            haltedAt = time;
        }
    }
    ASSERT_GE(haltedAt, 0) << "never halted at the reversing point";
    EXPECT_FALSE(loco->isReversedRunning());
    for (int i = 0; i < 150; ++i) { // 1.5 s: still waiting
        step(0.01);
    }
    EXPECT_FALSE(loco->isActive());
    for (int i = 0; i < 300; ++i) {
        step(0.01);
    }
    EXPECT_TRUE(loco->isActive());
    EXPECT_TRUE(loco->isReversedRunning());
    EXPECT_NE(loco->currentTile(), end) << "ran back off the reversing point";
}

TEST_F(ControllerTest, WithoutAutomaticTrainStopATrainRunsIntoAStandingOne) {
    CZarnoltDocument document(60, 4);
    ASSERT_EQ(currentDocument(), &document);
    document.setPreferenceFlags(document.getPreferenceFlags() | PrefNoATS);
    straightRun(0, 59, kRow);
    CTrainItem* runner = vehicleAt(30, TypeElectric);
    ASSERT_NE(runner, nullptr);
    const int d = directionOf(*runner);
    CTrainItem* standing = vehicleAt(30 + 8 * d, TypeSteam);
    ASSERT_NE(standing, nullptr);
    standing->halt();
    const int standingColumn = standing->currentTile()->getPosition().column;
    controller_->start(false);
    bool reached = false;
    for (int i = 0; i < 400 && !reached; ++i) {
        step(0.05);
        reached = runner->currentTile()->getPosition().column == standingColumn;
    }
    EXPECT_TRUE(reached);
    controller_->stop(true);

    // Automobiles still stop behind any vehicle.
    straightRun(0, 59, 2, 0, 2);
    CTrainItem* car = createVehicle(tileAt(0, {30, 2}), TypeAutomobile, {});
    ASSERT_NE(car, nullptr);
    const int carDirection = directionOf(*car);
    CTrainItem* parked = createVehicle(
        tileAt(0, {static_cast<std::int16_t>(30 + 8 * carDirection), 2}), TypeAutomobile, {});
    ASSERT_NE(parked, nullptr);
    const int parkedColumn = parked->currentTile()->getPosition().column;
    controller_->start(false);
    parked->halt(); // starting restarts every automobile
    for (int i = 0; i < 400; ++i) {
        step(0.05);
        ASSERT_GE((parkedColumn - car->currentTile()->getPosition().column) * carDirection, 1);
    }
    EXPECT_GT((car->currentTile()->getPosition().column - 30) * carDirection, 0); // it drove
    EXPECT_EQ(car->speed(), 0.0);
}

TEST_F(ControllerTest, TheAutomaticTrainStopLooksFourLinesAheadForTrainsAndAutomobiles) {
    enum class Obstacle { ParkedCar, StandingLocomotive, AutomobileOnCrossing };
    for (Obstacle obstacle :
         {Obstacle::ParkedCar, Obstacle::StandingLocomotive, Obstacle::AutomobileOnCrossing}) {
        for (int lines = 1; lines <= 6; ++lines) {
            SCOPED_TRACE(testing::Message()
                         << "obstacle " << static_cast<int>(obstacle) << ", lines ahead " << lines);
            deleteAllVehicles();
            deleteAllTiles();
            straightRun(0, 59, kRow);
            CTrainItem* runner = vehicleAt(30, TypeElectric);
            ASSERT_NE(runner, nullptr);
            const int column = 30 + lines * directionOf(*runner);
            CTrainItem* other = nullptr;
            if (obstacle == Obstacle::AutomobileOnCrossing) {
                // A level crossing: a road across the rail line, the road first so that the
                // automobile is placed on it.
                deleteTile(tileAt(0, {static_cast<std::int16_t>(column), kRow}));
                CTrackItem* crossing =
                    tileWithLine(column, kRow, 0,
                                 shapePoints(1, [](const Pt& p) { return Pt(p.z, 40 - p.x); }), 2);
                crossing->getTrack().addLine(shapePoints(1), 1);
                other = createVehicle(crossing, TypeAutomobile, {});
                ASSERT_TRUE(other != nullptr && other->isOnRoadLine());
            } else {
                other =
                    vehicleAt(column, obstacle == Obstacle::ParkedCar ? TypeRailCar : TypeElectric);
                ASSERT_NE(other, nullptr);
                other->halt();
            }
            CTrackItem* ahead = nullptr;
            ASSERT_TRUE(runner->tileAhead(ahead, lines));
            ASSERT_EQ(ahead, other->currentTile());
            // Parked cars are no obstacle, so that trains can run up to them and couple.
            const bool blocks = obstacle != Obstacle::ParkedCar && lines <= 4;
            EXPECT_EQ(controller_->pathIsClear(*runner, controller_->trainLeaders()), !blocks);
            // Without leaders every train counts as parked cars; an automobile still blocks.
            const bool blocksWithoutLeaders =
                obstacle == Obstacle::AutomobileOnCrossing && lines <= 4;
            EXPECT_EQ(controller_->pathIsClear(*runner, {}), !blocksWithoutLeaders);
        }
    }
}

TEST_F(ControllerTest, AStepWhileAnEditHoldsTheModelMovesNothingAndNoStepCoversMoreThanATenth) {
    straightRun(0, 59, kRow);
    CTrainItem* loco = vehicleAt(30, TypeElectric);
    ASSERT_NE(loco, nullptr);
    controller_->start(false);
    controller_->setSpeedSetting(5, 10); // 120 units per second
    for (int i = 0; i < 200 && loco->accelState() != 0.0; ++i) {
        step(0.05);
    }
    ASSERT_EQ(loco->accelState(), 0.0);
    ASSERT_EQ(loco->speed(), 120.0);
    auto x = [&] {
        Vec3d p;
        EXPECT_TRUE(loco->layoutPoint1(p));
        return p.x;
    };
    const double before = x();
    step(0.05);
    EXPECT_NEAR(std::abs(x() - before), 6.0, 1e-6);
    // However late a step runs, it moves the trains by at most 100 ms.
    const double late = x();
    step(1.0);
    EXPECT_NEAR(std::abs(x() - late), 12.0, 1e-6);

    const double stalled = x();
    {
        const testsupport::RenderLockHeldElsewhere edit;
        EXPECT_FALSE(step(1.0));
        EXPECT_EQ(x(), stalled);
    }
    step(1.0);
    EXPECT_NEAR(std::abs(x() - stalled), 12.0, 1e-6);
}

TEST_F(ControllerTest, ATrainStaysCoupledWhereLayoutUnitsPassSixteenBits) {
    // Layout unit 32 767, the most a 16-bit grid point holds, lies in column 819 (32 760 …
    // 32 800): a train starting at that column's middle passes it whichever way it runs.
    straightRun(780, 860, kRow);
    CTrainItem* loco = vehicleAt(819, TypeElectric);
    ASSERT_NE(loco, nullptr);
    CTrainItem* car = vehicleAt(819, TypeRailCar);
    ASSERT_NE(car, nullptr);
    ASSERT_TRUE(loco->couple(car, true));
    const int start = car->currentTile()->getPosition().column;
    controller_->start(false);
    // Up to full speed (about 5.6 s) and on for two seconds more: some 15 tiles.
    for (int i = 0; i < 150; ++i) {
        ASSERT_FALSE(step(0.05));
        ASSERT_TRUE(loco->isSameTrain(car)) << "step " << i;
    }
    EXPECT_GE(std::abs(car->currentTile()->getPosition().column - start), 5);
}
