// Editing the layout on this thread while the controller and the hold-timer threads run the
// trains. In the sanitizer builds these tests catch data races and use-after-free between the
// editing commands and the running steps; everywhere they check that stopping never hangs or
// leaves a thread behind.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "EditingFixture.h"
#include "editing/EditCommands.h"
#include "editing/TileBlock.h"
#include "model/CTrackControlItem.h"
#include "model/TileCommands.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainControlerThread.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/PointState.h"
#include "trains/VehicleRegistry.h"

using namespace editingtest;
using model::Pt;

namespace {

constexpr int kLast = 11; // the ring runs round cells 0 … 11 of rows 0 … 11

model::CTrackItem* ringTile(int column, int row) {
    return model::tileAt(0, cell(column, row));
}

void addLine(int column, int row, const std::function<Pt(const Pt&)>& map, int shape) {
    std::vector<Pt> points = model::standardShapePoints(shape);
    for (Pt& p : points) {
        p = map(p);
    }
    model::createTile(cell(column, row), 0)->getTrack().addLine(std::move(points), 1);
}

// One closed loop of track round the edge of a 12 × 12 square.
void buildRing() {
    auto same = [](const Pt& p) { return p; };
    auto vertical = [](const Pt& p) { return Pt(p.z, 40 - p.x); };
    addLine(
        0, 0, [](const Pt& p) { return Pt(40 - p.z, 40 - p.x); }, 2);
    addLine(
        kLast, 0, [](const Pt& p) { return Pt(p.x, 40 - p.z); }, 2);
    addLine(kLast, kLast, same, 2);
    addLine(
        0, kLast, [](const Pt& p) { return Pt(40 - p.x, p.z); }, 2);
    for (int i = 1; i < kLast; ++i) {
        addLine(i, 0, same, 1);
        addLine(i, kLast, same, 1);
        addLine(0, i, vertical, 1);
        addLine(kLast, i, vertical, 1);
    }
}

class EditWhileRunningTest : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        newBoard(40, 40);
        trains::installTrainSeams();
        trains::installControlItemSeams();
        trains::controllerClock().useMonotonic();
        controller_ = &trains::getOrCreateTrainController();
        controller_->stop(true);
        controller_->setSpeedSetting(10, 10);
    }
    void TearDown() override {
        controller_->stop(true);
        if (trains::CTrackControlItemManager* manager = trains::controlItemManager()) {
            manager->stopThread();
        }
        trains::deleteAllVehicles();
        EditingTest::TearDown();
    }
    trains::CTrainControler* controller_ = nullptr;
};

} // namespace

TEST_F(EditWhileRunningTest, EditsDuringARunAreSafeAndTheRunStopsCleanly) {
    buildRing();
    // A square of straight track off the ring, turned and mirrored while the trains run.
    for (int row = 20; row < 26; ++row) {
        for (int column = 0; column < 6; ++column) {
            straight(column, row);
        }
    }
    model::afterEdit();
    model::CTrackItem* station = ringTile(0, 5);
    ASSERT_TRUE(station->addControlItem(model::KindStation1));
    station->stationItem()->setValue(2);
    ASSERT_TRUE(ringTile(kLast, 6)->addControlItem(model::KindCrossing));

    trains::CTrainItem* first = trains::createVehicle(ringTile(5, 0), trains::TypeElectric, {});
    trains::CTrainItem* second = trains::createVehicle(ringTile(kLast, 4), trains::TypeSteam, {});
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const trains::VehicleId firstId = first->id();

    controller_->start();
    ASSERT_TRUE(controller_->isRunning());
    ASSERT_TRUE(trains::getOrCreateControlItemManager().startThread());

    // The tile the first train's block is copied from and written back over, lines and all,
    // so that vehicles standing on it see their lines replaced.
    const auto block = editing::saveBlock(0, cell(6, kLast), cell(6, kLast));
    const model::TrackPosition start = first->position();
    bool moved = false;
    // At least 600 ms of edits, and on until the first train has moved (a slow or busy
    // machine steps the controller less often), but never past 20 s.
    const auto begin = std::chrono::steady_clock::now();
    const auto end = begin + std::chrono::milliseconds(600);
    const auto limit = begin + std::chrono::seconds(20);
    for (int i = 0;; ++i) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= limit || (now >= end && moved)) {
            break;
        }
        switch (i % 6) {
        case 0:
            editing::rotateArea(0, cell(0, 20), cell(5, 25), 1);
            break;
        case 1:
            editing::mirrorArea(0, cell(0, 20), cell(5, 25), i % 12 == 1);
            break;
        case 2:
            model::setStationStop(*station, i % 5);
            trains::setPointState(1, i % 2);
            break;
        case 3:
            if (model::CTrackItem* spare = model::tileAt(0, cell(2, 22))) {
                trains::queueVehicleDeletion(trains::createVehicle(spare, trains::TypeRailCar, {}));
            }
            trains::flushVehicleDeletions();
            break;
        case 4:
            EXPECT_TRUE(editing::loadBlock(block, 0, cell(6, kLast), cell(6, kLast), false, false));
            model::afterEdit();
            break;
        default:
            model::purgeEmptiedTiles();
            break;
        }
        {
            platform::RenderLockGuard model;
            if (trains::findVehicle(firstId) == first) {
                const model::TrackPosition& now = first->position();
                moved = moved || now.line != start.line || now.pointIndex != start.pointIndex;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    controller_->stop(true);
    EXPECT_FALSE(controller_->isRunning());
    EXPECT_EQ(controller_->thread(), nullptr);
    trains::getOrCreateControlItemManager().stopThread();
    EXPECT_FALSE(trains::getOrCreateControlItemManager().hasThread());
    // The trains really ran while the edits went on.
    EXPECT_TRUE(moved);
    for (trains::CTrainItem* v : controller_->vehicles()) {
        EXPECT_EQ(v->speed(), 0.0);
    }
}

TEST_F(EditWhileRunningTest, StartingAndStoppingRepeatedlyNeverHangs) {
    buildRing();
    model::afterEdit();
    ASSERT_NE(trains::createVehicle(ringTile(5, 0), trains::TypeElectric, {}), nullptr);
    ASSERT_NE(trains::createVehicle(ringTile(kLast, 5), trains::TypeElectric, {}), nullptr);
    for (int round = 0; round < 20; ++round) {
        controller_->start();
        ASSERT_TRUE(controller_->isRunning()) << round;
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 4));
        if (round % 3 == 0) {
            // Braking, then stopped at once while the vehicles still brake.
            controller_->stop(false);
        }
        controller_->stop(true);
        EXPECT_FALSE(controller_->isRunning()) << round;
        EXPECT_EQ(controller_->thread(), nullptr) << round;
        for (trains::CTrainItem* v : controller_->vehicles()) {
            EXPECT_EQ(v->speed(), 0.0) << round;
            EXPECT_EQ(v->accelState(), 1.0) << round;
        }
    }
}
