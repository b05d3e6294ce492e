#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "TrainFixtures.h"
#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/StepIndex.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

using StepIndexTest = TrainTest;

CTrackItem* at(int column) {
    return tileAt(0, {static_cast<std::int16_t>(column), 0});
}

std::set<CTrainItem*> filed(const StepIndex& index, int column) {
    const auto& on = index.on(at(column));
    return {on.begin(), on.end()};
}

} // namespace

TEST_F(StepIndexTest, TrainsTilesAndLeaders) {
    straightRun(0, 39, 0);
    CTrainItem* loco = createVehicle(at(20), TypeElectric, {});
    CTrainItem* car1 = createVehicle(at(20), TypeRailCar, {});
    CTrainItem* car2 = createVehicle(at(20), TypeRailCar, {});
    ASSERT_TRUE(loco->couple(car1, true));
    ASSERT_TRUE(car1->couple(car2, true));
    CTrainItem* parked = createVehicle(at(5), TypeRailCar, {});
    ASSERT_NE(parked, nullptr);

    CTrainControler& controller = getOrCreateTrainController();
    const StepIndex index(controller.vehicles(), controller.trainLeaders());
    for (CTrainItem* v : {loco, car1, car2, parked}) {
        EXPECT_EQ(filed(index, v->currentTile()->getPosition().column).count(v), 1u);
    }
    EXPECT_TRUE(index.sameTrain(loco, car2));
    EXPECT_TRUE(index.sameTrain(car1, car1));
    EXPECT_FALSE(index.sameTrain(car2, parked));
    EXPECT_TRUE(index.trainHasLeader(car2));
    EXPECT_FALSE(index.trainHasLeader(parked));
    EXPECT_EQ(index.listPosition(loco), 0u);
    EXPECT_EQ(index.listPosition(parked), 3u);
    EXPECT_TRUE(index.on(nullptr).empty());
    // A vehicle outside the list is in no train and at the list's end.
    CTrainItem* loose = createVehicle(nullptr, TypeRailCar, {});
    EXPECT_FALSE(index.sameTrain(loose, loose));
    EXPECT_EQ(index.listPosition(loose), controller.vehicleCount());
}

TEST_F(StepIndexTest, AMovedTrainIsFiledWhereAFreshIndexFilesIt) {
    straightRun(0, 39, 0);
    CTrainItem* loco = createVehicle(at(20), TypeElectric, {});
    CTrainItem* car = createVehicle(at(20), TypeRailCar, {});
    ASSERT_TRUE(loco->couple(car, true));
    ASSERT_NE(createVehicle(at(8), TypeSteam, {}), nullptr);

    CTrainControler& controller = getOrCreateTrainController();
    StepIndex index(controller.vehicles(), controller.trainLeaders());
    for (int move = 0; move < 6; ++move) {
        loco->advance(false, 30.0, 0, 0);
        if (move % 2 == 0) {
            car->advance(false, 30.0, 0, 0);
        }
        index.moved(car); // any member re-files the whole train
        const StepIndex fresh(controller.vehicles(), controller.trainLeaders());
        for (int column = 0; column < 40; ++column) {
            EXPECT_EQ(filed(index, column), filed(fresh, column)) << move << ", " << column;
        }
    }
    EXPECT_NE(loco->currentTile(), at(20));
}

// One index reused from step to step, as the controller keeps it: after vehicles come and go
// and a train runs across many tiles (its tables outgrowing their first size), each rebuild
// answers every question as an index made afresh does.
TEST_F(StepIndexTest, ARebuiltIndexAnswersAsAFreshOne) {
    straightRun(0, 79, 0);
    CTrainItem* loco = createVehicle(at(10), TypeElectric, {});
    CTrainItem* car = createVehicle(at(10), TypeRailCar, {});
    ASSERT_TRUE(loco->couple(car, true));
    std::vector<CTrainItem*> parked;
    for (int column = 30; column < 70; column += 4) {
        parked.push_back(createVehicle(at(column), TypeRailCar, {}));
    }
    CTrainControler& controller = getOrCreateTrainController();
    StepIndex reused(controller.vehicles(), controller.trainLeaders());

    auto expectSame = [&](const StepIndex& fresh, int round) {
        for (int column = 0; column < 80; ++column) {
            EXPECT_EQ(filed(reused, column), filed(fresh, column)) << round << ", " << column;
        }
        const auto& listed = controller.vehicles();
        for (CTrainItem* a : listed) {
            EXPECT_EQ(reused.listPosition(a), fresh.listPosition(a)) << round;
            EXPECT_EQ(reused.trainHasLeader(a), fresh.trainHasLeader(a)) << round;
            for (CTrainItem* b : listed) {
                EXPECT_EQ(reused.sameTrain(a, b), fresh.sameTrain(a, b)) << round;
            }
        }
    };
    for (int round = 0; round < 4; ++round) {
        // Vehicles leave and join the list between steps.
        destroyVehicle(parked[static_cast<std::size_t>(round)]);
        parked.push_back(createVehicle(at(72 + round), TypeSteam, {}));
        reused.rebuild(controller.vehicles(), controller.trainLeaders());
        expectSame(StepIndex(controller.vehicles(), controller.trainLeaders()), round);
        // The train runs on tile by tile, re-filed after each move.
        for (int move = 0; move < 12; ++move) {
            loco->advance(false, 40.0, 0, 0);
            car->advance(false, 40.0, 0, 0);
            reused.moved(loco);
        }
        expectSame(StepIndex(controller.vehicles(), controller.trainLeaders()), round);
    }
    EXPECT_GE(loco->currentTile()->getPosition().column, 50);
}
