#include <gtest/gtest.h>

#include <cmath>

#include "TrainFixtures.h"
#include "items/ItemRegistry.h"
#include "model/CZarnoltDocument.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/CTrainTypeItem.h"
#include "trains/VehicleCommands.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

using VehicleTest = TrainTest;

// The row of the test board whose lines suit a type: rail, road, or the two monorails.
int rowFor(std::int32_t type) {
    switch (type) {
    case TypeAutomobile:
        return 2;
    case TypeMonorailA:
        return 4;
    case TypeMonorailB:
        return 6;
    default:
        return 0;
    }
}

void buildFourNetworks() {
    straightRun(0, 9, 0, 0, 1);
    straightRun(0, 9, 2, 0, 2);
    straightRun(0, 9, 4, 0, 100);
    straightRun(0, 9, 6, 0, 101);
}

} // namespace

TEST_F(VehicleTest, CouplingRulesForEveryPairOfTypes) {
    buildFourNetworks();
    const std::int32_t types[] = {
        1, 0, TypeSteam, TypeElectric, TypeRailCar, TypeAutomobile, TypeMonorailA, TypeMonorailB};
    // Both rail vehicles, or both the same monorail kind; never an automobile.
    auto expected = [](std::int32_t a, std::int32_t b) {
        const bool rail = [](std::int32_t t) {
            return t != TypeAutomobile && t != TypeMonorailA && t != TypeMonorailB;
        }(a) && [](std::int32_t t) {
            return t != TypeAutomobile && t != TypeMonorailA && t != TypeMonorailB;
        }(b);
        return rail || (a == b && (a == TypeMonorailA || a == TypeMonorailB));
    };
    for (std::int32_t a : types) {
        for (std::int32_t b : types) {
            SCOPED_TRACE(testing::Message() << a << " + " << b);
            CTrainItem* front =
                createVehicle(tileAt(0, {5, static_cast<std::int16_t>(rowFor(a))}), a, {});
            CTrainItem* back =
                createVehicle(tileAt(0, {8, static_cast<std::int16_t>(rowFor(b))}), b, {});
            ASSERT_TRUE(isValidPosition(front->position()));
            ASSERT_TRUE(isValidPosition(back->position()));
            EXPECT_EQ(front->isCompatibleWith(back), expected(a, b));
            const bool coupled = front->couple(back, true);
            EXPECT_EQ(coupled, expected(a, b));
            EXPECT_EQ(front->isSameTrain(back), coupled);
            if (coupled) {
                EXPECT_EQ(front->rearNeighbour(), back);
                EXPECT_EQ(back->frontNeighbour(), front);
                // No models: 44 units behind, on the same row.
                Vec3d p1;
                Vec3d p2;
                ASSERT_TRUE(front->layoutPoint1(p1));
                ASSERT_TRUE(back->layoutPoint1(p2));
                EXPECT_NEAR(p1.x - p2.x, 44.0, 1e-9);
                EXPECT_EQ(p1.z, p2.z);
            }
            destroyVehicle(front);
            destroyVehicle(back);
        }
    }
}

TEST_F(VehicleTest, TypePredicates) {
    struct Case {
        std::int32_t type;
        bool steam, loco, rail, selfPropelled;
    };
    const Case cases[] = {
        {1, true, true, true, true},
        {TypeSteam, true, true, true, true},
        {TypeElectric, false, true, true, true},
        {TypeRailCar, false, false, true, false},
        {TypeAutomobile, false, false, false, true},
        {TypeMonorailA, false, false, false, true},
        {TypeMonorailB, false, false, false, true},
        {42, false, false, true, false},
    };
    for (const Case& c : cases) {
        CTrainItem v(nullptr, c.type, {});
        EXPECT_EQ(v.isSteamLocomotive(), c.steam) << c.type;
        EXPECT_EQ(v.isLocomotive(), c.loco) << c.type;
        EXPECT_EQ(v.isRailVehicle(), c.rail) << c.type;
        EXPECT_EQ(v.isSelfPropelled(), c.selfPropelled) << c.type;
    }
}

TEST_F(VehicleTest, PlacedAtTheMiddlePointOfTheFirstLine) {
    tileWithLine(0, 0, 0, {Pt(0, 20), Pt(10, 20), Pt(20, 20), Pt(30, 20), Pt(40, 20)});
    tileWithLine(1, 0, 0, {Pt(0, 20), Pt(40, 20)});
    CTrainItem* five = createVehicle(tileAt(0, {0, 0}), TypeSteam, {});
    CTrainItem* two = createVehicle(tileAt(0, {1, 0}), 0, {});
    EXPECT_EQ(five->position().pointIndex, 2.0);
    EXPECT_EQ(two->position().pointIndex, 1.0);
    // A road vehicle cannot stand on a rail line.
    CTrainItem* car = createVehicle(tileAt(0, {0, 0}), TypeAutomobile, {});
    EXPECT_FALSE(isValidPosition(car->position()));
    EXPECT_EQ(car->currentTile(), nullptr);
}

TEST_F(VehicleTest, CouplingToATurnedLocomotiveUsesItsFrontLink) {
    straightRun(0, 9, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {5, 0}), TypeSteam, {});
    CTrainItem* car = createVehicle(tileAt(0, {1, 0}), 0, {});
    loco->turn(true, false);
    ASSERT_TRUE(loco->isDirectionFlipped());
    ASSERT_TRUE(loco->couple(car, true));
    EXPECT_EQ(loco->frontNeighbour(), car);
    EXPECT_EQ(car->rearNeighbour(), loco);
    EXPECT_TRUE(car->isDirectionFlipped());
    EXPECT_EQ(loco->head(), loco);
    EXPECT_EQ(loco->tail(), car);
    // The car stands behind in the locomotive's (now westward) direction of travel.
    Vec3d pl;
    Vec3d pc;
    ASSERT_TRUE(loco->layoutPoint1(pl));
    ASSERT_TRUE(car->layoutPoint1(pc));
    EXPECT_NEAR(pc.x - pl.x, 44.0, 1e-9);
    EXPECT_EQ(car->position().backward, loco->position().backward);
    // Coupling a vehicle of the same train is refused (it would close a loop).
    EXPECT_FALSE(loco->couple(car, false));
}

TEST_F(VehicleTest, TurnAndReverseRunning) {
    straightRun(0, 9, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {5, 0}), TypeSteam, {});
    CTrainItem* car = createVehicle(tileAt(0, {1, 0}), 0, {});
    ASSERT_TRUE(loco->couple(car, true));
    const TrackPosition start = loco->position();

    loco->turn(true, true);
    loco->turn(true, true);
    EXPECT_FALSE(loco->isReversedRunning());
    EXPECT_FALSE(loco->isDirectionFlipped());
    EXPECT_EQ(loco->position(), start);

    loco->turn(true, false); // turn direction
    loco->turn(true, true);  // reverse running
    for (CTrainItem* v : {loco, car}) {
        EXPECT_FALSE(v->isDirectionFlipped());
        EXPECT_TRUE(v->isReversedRunning());
    }
}

TEST_F(VehicleTest, UncouplingAndStaleLinks) {
    straightRun(0, 9, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {8, 0}), TypeSteam, {});
    CTrainItem* a = createVehicle(tileAt(0, {1, 0}), 0, {});
    CTrainItem* b = createVehicle(tileAt(0, {2, 0}), 0, {});
    ASSERT_TRUE(loco->couple(a, true));
    ASSERT_TRUE(a->couple(b, true));
    EXPECT_EQ(loco->lastVehicle(), b);
    EXPECT_EQ(b->firstVehicle(), loco);

    a->uncouple(true);
    EXPECT_EQ(a->rearNeighbour(), nullptr);
    EXPECT_EQ(b->frontNeighbour(), nullptr);
    EXPECT_FALSE(loco->isSameTrain(b));

    // A deleted neighbour reads as none even though the link still holds its identity.
    const VehicleId aId = a->id();
    a->setRearLink(b->id());
    queueVehicleDeletion(a);
    queueVehicleDeletion(a);
    EXPECT_TRUE(flushVehicleDeletions());
    EXPECT_EQ(findVehicle(aId), nullptr);
    EXPECT_EQ(loco->rearNeighbour(), nullptr);
    EXPECT_EQ(loco->lastVehicle(), loco);
    EXPECT_FALSE(flushVehicleDeletions());
    EXPECT_EQ(trainController()->vehicleCount(), 2u);
}

TEST_F(VehicleTest, ChainWalksEndOnLoops) {
    straightRun(0, 9, 0);
    std::vector<CTrainItem*> v;
    for (int c = 0; c < 4; ++c) {
        v.push_back(createVehicle(tileAt(0, {static_cast<std::int16_t>(2 * c), 0}), 0, {}));
    }
    // A ring 0 → 1 → 2 → 3 → 0 through rear links, front links the other way.
    for (int i = 0; i < 4; ++i) {
        v[i]->setRearLink(v[(i + 1) % 4]->id());
        v[i]->setFrontLink(v[(i + 3) % 4]->id());
    }
    // The first-vehicle query cuts the link leading back to the start.
    EXPECT_EQ(v[0]->firstVehicle(), v[1]);
    EXPECT_EQ(v[1]->frontLink(), 0u);
    EXPECT_EQ(v[0]->trainMembers().size(), 4u);

    // A loop that does not pass through the start: 0 → 1 → 2 → 3 → 2.
    v[3]->setRearLink(v[2]->id());
    v[0]->setFrontLink(0);
    EXPECT_EQ(v[0]->chain(false).size(), 3u);
    EXPECT_EQ(v[0]->lastVehicle(), v[3]);
    EXPECT_TRUE(v[0]->isSameTrain(v[3]));
    v[0]->flipChainLinks();
    v[0]->turn(true, false);
    EXPECT_EQ(registeredVehicleCount(), 4u);
}

TEST_F(VehicleTest, HaltRestartAndCameraTrain) {
    straightRun(0, 9, 0);
    CTrainItem* car = createVehicle(tileAt(0, {1, 0}), 0, {});
    CTrainItem* loco = createVehicle(tileAt(0, {6, 0}), TypeElectric, {});
    ASSERT_TRUE(loco->couple(car, true));
    CTrainItem* automobile = nullptr;
    tileWithLine(3, 5, 0, shapePoints(1), 2);
    automobile = createVehicle(tileAt(0, {3, 5}), TypeAutomobile, {});

    loco->halt();
    EXPECT_FALSE(loco->isActive());
    EXPECT_FALSE(car->isActive());
    EXPECT_FALSE(loco->trainHasActiveDriver());
    car->restart();
    EXPECT_TRUE(loco->isActive());
    EXPECT_TRUE(loco->trainHasActiveDriver());

    // Unset, the camera train is the first non-automobile's train's first motive vehicle.
    EXPECT_EQ(cameraTrain(), loco);
    EXPECT_TRUE(car->isCameraTrain());
    setCameraTrain(automobile);
    EXPECT_EQ(cameraTrain(), loco);
    destroyVehicle(loco);
    EXPECT_EQ(cameraTrainId(), 0u);
    EXPECT_EQ(cameraTrain(), car);
}

// Identities are looked up in blocks of a few thousand: many vehicles, made and destroyed in
// turn across block boundaries, each keep their own identity, and a destroyed one reads as none.
TEST_F(VehicleTest, ThousandsOfIdentitiesStayDistinct) {
    const std::size_t before = registeredVehicleCount();
    std::vector<CTrainItem*> made;
    for (int i = 0; i < 9000; ++i) {
        made.push_back(createVehicle(nullptr, 0, {}));
    }
    std::vector<VehicleId> gone;
    for (std::size_t i = 0; i < made.size(); i += 3) {
        gone.push_back(made[i]->id());
        ASSERT_TRUE(destroyVehicle(made[i]));
        made[i] = nullptr;
    }
    EXPECT_EQ(registeredVehicleCount(), before + made.size() - gone.size());
    for (CTrainItem* v : made) {
        if (v != nullptr) {
            ASSERT_EQ(findVehicle(v->id()), v);
        }
    }
    for (VehicleId id : gone) {
        ASSERT_EQ(findVehicle(id), nullptr);
    }
    const CTrainItem* newest = createVehicle(nullptr, 0, {});
    EXPECT_EQ(findVehicle(newest->id() + 1), nullptr); // not handed out yet
    EXPECT_EQ(findVehicle(newest->id() + 100000), nullptr);
}

// The first motive vehicle is the first locomotive or monorail car of the train, counted from
// its first vehicle, whichever member is asked.
TEST_F(VehicleTest, FirstMotiveVehicleOfEveryMember) {
    struct Case {
        std::vector<std::int32_t> types; // from the first vehicle backwards
        int motive;                      // its index, -1 for none
    };
    const std::vector<Case> cases = {
        {{TypeElectric, TypeRailCar, TypeRailCar}, 0},
        {{TypeRailCar, TypeRailCar, TypeSteam, TypeElectric}, 2},
        {{TypeRailCar, TypeRailCar}, -1},
        {{TypeRailCar}, -1},
        {{TypeSteam}, 0},
    };
    straightRun(0, 39, 0);
    for (const Case& c : cases) {
        std::vector<CTrainItem*> train;
        for (std::size_t i = 0; i < c.types.size(); ++i) {
            train.push_back(createVehicle(tileAt(0, {20, 0}), c.types[i], {}));
            if (i > 0) {
                ASSERT_TRUE(train[i - 1]->couple(train[i], true));
            }
        }
        const CTrainItem* expected =
            c.motive < 0 ? nullptr : train[static_cast<std::size_t>(c.motive)];
        for (CTrainItem* member : train) {
            EXPECT_EQ(member->firstMotiveVehicle(), expected) << c.types.size();
            std::vector<CTrainItem*> motive;
            member->motiveVehicles(motive);
            EXPECT_EQ(motive.empty() ? nullptr : motive.front(), expected);
        }
        for (CTrainItem* member : train) {
            destroyVehicle(member);
        }
    }
}

TEST_F(VehicleTest, VehiclesOnARemovedTileAndTheDocumentClear) {
    straightRun(0, 3, 0);
    createVehicle(tileAt(0, {0, 0}), TypeSteam, {});
    createVehicle(tileAt(0, {2, 0}), 0, {});
    deleteVehiclesOnTile(tileAt(0, {2, 0}));
    EXPECT_EQ(registeredVehicleCount(), 1u);

    CZarnoltDocument document(10, 10);
    document.clear(false);
    EXPECT_EQ(registeredVehicleCount(), 0u);
    EXPECT_EQ(trainController()->vehicleCount(), 0u);
}

TEST_F(VehicleTest, ContextMenuStateAndCommands) {
    straightRun(0, 9, 0);
    tileWithLine(3, 5, 0, shapePoints(1), 2);
    registerModel("Auto02.zn3", 103);
    CTrainItem* loco = createVehicle(tileAt(0, {6, 0}), TypeSteam, {});
    CTrainItem* car = createVehicle(tileAt(0, {1, 0}), 0, {});
    CTrainItem* automobile = createVehicle(tileAt(0, {3, 5}), TypeAutomobile, "Auto02.zn3");
    ASSERT_TRUE(loco->couple(car, true));

    auto enabled = [](CTrainItem* v) {
        std::string flags;
        for (const VehicleMenuEntry& e : vehicleMenuState(v)) {
            flags += e.enabled ? (e.checked ? 'C' : 'E') : '-';
        }
        return flags;
    };
    EXPECT_EQ(enabled(nullptr), "-------");
    EXPECT_EQ(enabled(loco), "EEEE-EC");
    EXPECT_EQ(enabled(car), "EEEEE-C");
    EXPECT_EQ(enabled(automobile), "E-EE---");

    EXPECT_FALSE(runVehicleCommand(999, loco));
    EXPECT_TRUE(runVehicleCommand(CommandTurnDirection, car));
    EXPECT_TRUE(loco->isDirectionFlipped());
    EXPECT_TRUE(runVehicleCommand(CommandUncoupleFront, car));
    EXPECT_FALSE(loco->isSameTrain(car));
    ASSERT_TRUE(loco->couple(car, true));
    EXPECT_TRUE(runVehicleCommand(CommandDeleteTrain, car));
    EXPECT_EQ(registeredVehicleCount(), 3u); // deletion waits for the flush
    EXPECT_TRUE(flushVehicleDeletions());
    ASSERT_EQ(trainController()->vehicleCount(), 1u);
    EXPECT_EQ(trainController()->vehicles()[0], automobile);
}

TEST_F(VehicleTest, CatalogueEntriesFromModelFiles) {
    const auto electric = registerModel("EL09.zn3", 101);
    const auto house = registerModel("House09.zn3", 9000);
    auto entry = createTrainTypeItem(electric);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->typeCode(), TypeElectric);
    EXPECT_EQ(entry->modelName(), "EL09.zn3");
    EXPECT_TRUE(entry->isTypeItem());
    EXPECT_EQ(entry->currentTile(), nullptr);
    EXPECT_EQ(createTrainTypeItem(house), nullptr);
    EXPECT_EQ(createTrainTypeItem(house.parent_path() / "Missing.zn3"), nullptr);
    EXPECT_STREQ(defaultVehiclePicture(1), "_DefaultTrain_SL");
    EXPECT_STREQ(defaultVehiclePicture(TypeMonorailA), "_DefaultTrain_BoxCar");
}

TEST_F(VehicleTest, CouplingDistanceFollowsTheModelLengths) {
    straightRun(0, 9, 0);
    registerModel("Long10.zn3", 100, 1.0f);
    registerModel("Short05.zn3", 102, 0.5f);
    const items::BoundingBox box = items::getItemByFileName("Short05.zn3")->boundingBox(1.0);
    ASSERT_NEAR(box.max.x - box.min.x, 0.5, 1e-6);
    CTrainItem* loco = createVehicle(tileAt(0, {6, 0}), TypeSteam, "Long10.zn3");
    CTrainItem* car = createVehicle(tileAt(0, {1, 0}), TypeRailCar, "Short05.zn3");
    ASSERT_TRUE(loco->couple(car, true));
    Vec3d pl;
    Vec3d pc;
    ASSERT_TRUE(loco->layoutPoint1(pl));
    ASSERT_TRUE(car->layoutPoint1(pc));
    EXPECT_NEAR(pl.x - pc.x, 33.0, 1e-6);
}

TEST_F(VehicleTest, AtATrackEndTheVehicleKeepsItsHeadingAndStandsAtSpeedZero) {
    // A north-south run: a vehicle snapped to face +x would stand a quarter turn off.
    for (int row = 0; row < 6; ++row) {
        tileWithLine(2, row, 0, shapePoints(1, [](const Pt& p) { return Pt(p.z, p.x); }));
    }
    CTrainItem* loco = createVehicle(tileAt(0, {2, 2}), TypeElectric, {});
    ASSERT_NE(loco, nullptr);
    const WorldScales scales;
    Vec3d point;
    double yaw = 0;
    double pitch = 0;
    ASSERT_TRUE(loco->worldPlacement(scales, point, yaw, pitch));
    const double yawOnTheRun = yaw;
    ASSERT_NEAR(std::abs(std::fmod(yawOnTheRun, 180.0)), 90.0, 1e-9);
    Vec3d forward;
    Vec3d side;
    ASSERT_TRUE(loco->headingVectors(scales, forward, side));
    const Vec3d forwardOnTheRun = forward;

    driveTrain(*loco, 300.0); // past the end of the track
    ASSERT_TRUE(loco->isBlocked());
    Vec3d p1;
    Vec3d p2;
    ASSERT_TRUE(loco->layoutPoint1(p1));
    ASSERT_TRUE(loco->layoutPoint2(p2));
    ASSERT_EQ(p1.x, p2.x); // both wheel sets on one point: the track ends within 14 units
    ASSERT_EQ(p1.z, p2.z);
    ASSERT_TRUE(loco->worldPlacement(scales, point, yaw, pitch));
    EXPECT_NEAR(yaw, yawOnTheRun, 1e-6);
    ASSERT_TRUE(loco->headingVectors(scales, forward, side));
    EXPECT_NEAR(forward.x, forwardOnTheRun.x, 1e-9);
    EXPECT_NEAR(forward.z, forwardOnTheRun.z, 1e-9);
    EXPECT_EQ(loco->speed(), 0.0);

    // Halted vehicles stand too, whatever the controller asks of them.
    loco->restart();
    loco->setBlocked(false);
    loco->restart();
    loco->turn(true, true);
    driveTrain(*loco, 20.0);
    ASSERT_TRUE(loco->isActive());
    ASSERT_GT(loco->speed(), 0.0);
    loco->halt();
    for (int i = 0; i < 10; ++i) {
        loco->advance(true, 0, 40.0, 0.1);
        EXPECT_EQ(loco->speed(), 0.0) << i;
    }
}
