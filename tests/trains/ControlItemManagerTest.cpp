#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TrainFixtures.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "support/RenderLockHeldElsewhere.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/ControllerClock.h"
#include "trains/Occupants.h"
#include "trains/PointState.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

class ControlItemManagerTest : public TrainTest {
protected:
    void SetUp() override {
        TrainTest::SetUp();
        getOrCreateTrainController(); // connects the control items to the manager
        controllerClock().setManual(50.0);
        manager_ = &getOrCreateControlItemManager();
        manager_->tick(); // drops items of earlier tests
    }
    void TearDown() override {
        manager_->stopThread();
        controllerClock().useMonotonic();
        TrainTest::TearDown();
        manager_->tick();
    }
    void tickAfter(double seconds) {
        controllerClock().advance(seconds);
        manager_->tick();
    }
    CTrackControlItemManager* manager_ = nullptr;
};

CTrackControlItem* itemOn(int column, int kind, int value) {
    CTrackItem* tile = tileAt(0, {static_cast<std::int16_t>(column), 0});
    EXPECT_TRUE(tile->addControlItem(kind));
    CTrackControlItem* item = tile->findControlItem(kind);
    item->setValue(value);
    return item;
}

// The identity of a new locomotive standing at a column of row 0 (occupants must be live
// vehicles: an identity of a deleted vehicle reads as none).
VehicleId vehicleOn(int column) {
    CTrainItem* v =
        createVehicle(tileAt(0, {static_cast<std::int16_t>(column), 0}), TypeElectric, {});
    EXPECT_NE(v, nullptr);
    return v != nullptr ? v->id() : 0;
}

} // namespace

TEST_F(ControlItemManagerTest, HoldsExpireAfterTheirWait) {
    straightRun(0, 9, 0);
    struct Case {
        int kind;
        int value;
        double expiresAfter; // seconds after the first tick
    };
    const Case cases[] = {{KindCrossing, 0, 2.0},
                          {KindHolding, 5, 5.0},
                          {KindStation2, 10, 10.0},
                          {KindStation3, -1, 0.0}};
    const VehicleId first = vehicleOn(7);
    const VehicleId second = vehicleOn(8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        CTrackControlItem* item = itemOn(2, c.kind, c.value);
        noticeVehicle(*item, first, true);
        EXPECT_EQ(item->getOccupant(), first);
        noticeVehicle(*item, second, true); // the first train keeps the item
        EXPECT_EQ(item->getOccupant(), first);
        noticeVehicle(*item, second, false); // another train leaving does not start the hold
        EXPECT_FALSE(manager_->contains(item));
        noticeVehicle(*item, first, false);
        ASSERT_TRUE(manager_->contains(item));
        tickAfter(0.1); // starts the clock
        if (c.expiresAfter > 0) {
            tickAfter(c.expiresAfter - 0.05);
            EXPECT_EQ(item->getOccupant(), first);
        }
        tickAfter(0.1);
        EXPECT_EQ(item->getOccupant(), 0u);
        EXPECT_FALSE(manager_->contains(item));
        EXPECT_EQ(manager_->activeCount(), 0u);
        tileAt(0, {2, 0})->removeControlItems(c.kind);
    }
}

TEST_F(ControlItemManagerTest, AStopEngineStationKeepsItsStandingTrain) {
    straightRun(0, 9, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {5, 0}), TypeElectric, {});
    ASSERT_NE(loco, nullptr);
    CTrackControlItem* item = itemOn(5, KindStation1, -2);
    noticeVehicle(*item, loco->id(), true);
    loco->setEngineStopped(true);
    noticeVehicle(*item, loco->id(), false);
    for (int i = 0; i < 10; ++i) {
        tickAfter(0.1);
    }
    EXPECT_EQ(item->getOccupant(), loco->id());
    EXPECT_TRUE(manager_->contains(item));
    loco->setEngineStopped(false);
    tickAfter(0.1);
    EXPECT_EQ(item->getOccupant(), 0u);
}

TEST_F(ControlItemManagerTest, DeletedItemsLeaveTheActiveSet) {
    straightRun(0, 9, 0);
    CTrackControlItem* item = itemOn(3, KindCrossing, 0);
    const VehicleId holder = vehicleOn(7);
    noticeVehicle(*item, holder, true);
    noticeVehicle(*item, holder, false);
    ASSERT_EQ(manager_->activeCount(), 1u);
    deleteAllTiles();
    tickAfter(0.1);
    EXPECT_EQ(manager_->activeCount(), 0u);
}

TEST_F(ControlItemManagerTest, AnItemTakenAgainBeforeTheNextTickStaysActive) {
    straightRun(0, 9, 0);
    CTrackControlItem* item = itemOn(3, KindReversing, 0);
    item->handToController();
    item->handBack(); // queues its removal for the next tick
    item->handToController();
    tickAfter(0.1);
    EXPECT_TRUE(manager_->contains(item));

    // A new item at the address of one handed back and deleted is not dropped either.
    item->handBack();
    tileAt(0, {3, 0})->removeControlItems(KindReversing);
    CTrackControlItem* again = itemOn(3, KindReversing, 0);
    again->handToController();
    tickAfter(0.1);
    EXPECT_TRUE(manager_->contains(again));
}

TEST_F(ControlItemManagerTest, TheThreadTicksAndStops) {
    straightRun(0, 9, 0);
    // A wait of −1 expires at the thread's second tick, whatever the clock reads.
    CTrackControlItem* item = itemOn(3, KindHolding, -1);
    const VehicleId holder = vehicleOn(7);
    noticeVehicle(*item, holder, true);
    noticeVehicle(*item, holder, false);
    ASSERT_EQ(manager_->activeCount(), 1u);
    ASSERT_TRUE(manager_->startThread());
    EXPECT_TRUE(manager_->hasThread());
    for (int i = 0; i < 300 && manager_->activeCount() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    manager_->stopThread();
    EXPECT_FALSE(manager_->hasThread());
    EXPECT_EQ(manager_->activeCount(), 0u);
    EXPECT_EQ(item->getOccupant(), 0u);
}

TEST_F(ControlItemManagerTest, PointStatesByNumber) {
    straightRun(0, 9, 0);
    ASSERT_TRUE(tileAt(0, {4, 0})->addControlItem(KindPoint));
    CTrackControlItem* point = tileAt(0, {4, 0})->pointItem();
    ASSERT_TRUE(point->setNumber(5) || point->getNumber() == 5);
    const std::int64_t first = pointState(5);
    ASSERT_GE(first, 0);
    setPointState(5, pointState(5) == 0 ? 1 : 0);
    EXPECT_NE(pointState(5), first);
    setPointState(5, pointState(5) == 0 ? 1 : 0);
    EXPECT_EQ(pointState(5), first);
    // A number no point holds: nothing to read, nothing changes.
    EXPECT_EQ(pointState(6), -1);
    setPointState(6, 1);
    EXPECT_EQ(pointState(6), -1);
    EXPECT_EQ(pointState(5), first);
}

TEST_F(ControlItemManagerTest, ATickWhileTheModelIsBusyIsSkippedAndHoldsExpireLater) {
    straightRun(0, 9, 0);
    CTrackControlItem* item = itemOn(3, KindCrossing, 0);
    const VehicleId holder = vehicleOn(7);
    noticeVehicle(*item, holder, true);
    noticeVehicle(*item, holder, false);
    EXPECT_TRUE(manager_->tick()); // starts the clock
    controllerClock().advance(5.0);
    {
        const testsupport::RenderLockHeldElsewhere edit;
        EXPECT_FALSE(manager_->tick());
        EXPECT_EQ(item->getOccupant(), holder);
        EXPECT_TRUE(manager_->contains(item));
    }
    EXPECT_TRUE(manager_->tick());
    EXPECT_EQ(item->getOccupant(), 0u);
    EXPECT_FALSE(manager_->contains(item));
}

TEST_F(ControlItemManagerTest, AnItemHeldByADeletedVehicleIsFreeForTheNextTrain) {
    straightRun(0, 9, 0);
    for (int kind : {KindCrossing, KindHolding, KindReversing, KindStation1}) {
        SCOPED_TRACE(kind);
        CTrackControlItem* item = itemOn(3, kind, 10);
        CTrainItem* gone = createVehicle(tileAt(0, {7, 0}), TypeElectric, {});
        const VehicleId next = vehicleOn(8);
        noticeVehicle(*item, gone->id(), true);
        ASSERT_EQ(item->getOccupant(), gone->id());
        ASSERT_TRUE(destroyVehicle(gone));
        EXPECT_EQ(liveOccupant(*item), 0u);
        noticeVehicle(*item, next, true);
        EXPECT_EQ(item->getOccupant(), next);
        EXPECT_EQ(liveOccupant(*item), next);
        noticeVehicle(*item, next, false);
        EXPECT_TRUE(manager_->contains(item));
        tileAt(0, {3, 0})->removeControlItems(kind);
        deleteAllVehicles();
        tickAfter(0.1);
    }
}
