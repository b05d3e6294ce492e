#include <gtest/gtest.h>

#include <cmath>

#include "TrainFixtures.h"
#include "model/CTrackControlItem.h"
#include "model/TrackHeights.h"
#include "model/TrackJoin.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/TrackMotion.h"
#include "trains/VehicleRegistry.h"

using namespace model;
using namespace trains;
using namespace trainstest;

namespace {

using MotionTest = TrainTest;

Pt rotate180(const Pt& p) {
    return Pt(40 - p.x, 40 - p.z);
}
Pt mirrorTopBottom(const Pt& p) {
    return Pt(p.x, 40 - p.z);
}

struct LoopTile {
    int column;
    int row;
    int shape;
    PointMap map;
};

// A closed loop over all six shapes on a 12 × 8 board: the first half runs from the west
// side up, east with a long-diagonal step up (shapes 3, 6, 5) and a corner-cut step down
// (shapes 3, 4, 5), then down the east side; the second half is the first turned by 180
// degrees about the board centre.
double buildSixShapeLoop() {
    const PointMap north = [](const Pt& p) { return Pt(p.z, 40 - p.x); };
    const PointMap southToEast = [](const Pt& p) { return Pt(40 - p.z, 40 - p.x); };
    const std::vector<LoopTile> half = {
        {0, 4, 1, north},
        {0, 3, 2, southToEast},
        {1, 3, 1, {}},
        {2, 3, 3, {}},
        {3, 2, 6, {}},
        {4, 1, 5, {}},
        {5, 1, 1, {}},
        {6, 1, 3, mirrorTopBottom},
        {7, 1, 4, mirrorTopBottom},
        {7, 2, 5, mirrorTopBottom},
        {8, 2, 1, {}},
        {9, 2, 1, {}},
        {10, 2, 1, {}},
        {11, 2, 2, mirrorTopBottom},
    };
    double length = 0;
    for (const LoopTile& t : half) {
        auto points = shapePoints(t.shape, t.map);
        std::vector<Pt> turned;
        for (const Pt& p : points) {
            turned.push_back(rotate180(p));
        }
        length += tileWithLine(t.column, t.row, 0, points)->lines().front()->length();
        length += tileWithLine(11 - t.column, 7 - t.row, 0, turned)->lines().front()->length();
    }
    afterEdit();
    return length;
}

TrackPosition at(CTrackItem* tile, double index, bool backward = false) {
    return TrackPosition{tile->lines().front().get(), index, static_cast<std::uint8_t>(backward)};
}

} // namespace

TEST_F(MotionTest, IndexStepsFollowTheLineLength) {
    CTrackItem* a = tileWithLine(0, 0, 0, {Pt(0, 20), Pt(20, 20), Pt(40, 20)});
    CTrackItem* b = tileWithLine(1, 0, 0, shapePoints(1));
    bool crossed = true;

    TrackPosition p = at(a, 1.0);
    ASSERT_TRUE(movePosition(p, 10, crossed));
    EXPECT_DOUBLE_EQ(p.pointIndex, 1.5);
    EXPECT_FALSE(crossed);

    p = at(a, 1.0);
    ASSERT_TRUE(movePosition(p, -5, crossed));
    EXPECT_DOUBLE_EQ(p.pointIndex, 0.75);
    EXPECT_EQ(p.backward, 1);

    // Exactly the remaining distance lands on the start of the next line.
    p = at(a, 1.0);
    std::vector<LineItem*> lines;
    ASSERT_TRUE(movePosition(p, 20, crossed, &lines));
    EXPECT_TRUE(crossed);
    EXPECT_EQ(p.line, b->lines().front().get());
    EXPECT_EQ(p.pointIndex, 0.0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], a->lines().front().get());

    // Past the end of the track: false, position unchanged.
    p = at(a, 1.0);
    const TrackPosition before = p;
    EXPECT_FALSE(movePosition(p, 75, crossed));
    EXPECT_EQ(p, before);

    // A position on a deleted tile is invalid and does not move.
    TrackPosition stale = at(b, 2.0);
    deleteTile(b);
    EXPECT_FALSE(isValidPosition(stale));
    EXPECT_FALSE(movePosition(stale, 1, crossed));
}

TEST_F(MotionTest, ThreeVehicleTrainGoesRoundTheSixShapeLoop) {
    const double length = buildSixShapeLoop();
    CTrainItem* loco = createVehicle(tileAt(0, {1, 3}), TypeSteam, {});
    CTrainItem* car1 = createVehicle(tileAt(0, {5, 1}), 0, {});
    CTrainItem* car2 = createVehicle(tileAt(0, {9, 2}), 0, {});
    ASSERT_TRUE(loco->couple(car1, true));
    ASSERT_TRUE(car1->couple(car2, true));
    ASSERT_EQ(loco->trainMembers().size(), 3u);

    const TrackPosition start[3] = {loco->position(), car1->position(), car2->position()};
    // Half way round every vehicle is on the other half of the board.
    driveTrain(*loco, length / 2);
    EXPECT_TRUE(loco->isActive()) << "blocked on the loop";
    EXPECT_NE(loco->currentTile(), tileAt(0, {1, 3}));
    driveTrain(*loco, length / 2);
    const CTrainItem* vehicles[3] = {loco, car1, car2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(vehicles[i]->position().line, start[i].line) << i;
        EXPECT_NEAR(vehicles[i]->position().pointIndex, start[i].pointIndex, 1e-6) << i;
        EXPECT_EQ(vehicles[i]->position().backward, start[i].backward) << i;
    }
    // The cars stay at coupling distance behind, each on its own line.
    EXPECT_EQ(car1->currentTile() == loco->currentTile(), false);
}

TEST_F(MotionTest, PointSettingChoosesTheBranch) {
    // Tile (1, 1) holds a straight line first and a curve to the north second.
    straightRun(0, 0, 1);
    CTrackItem* junction = tileWithLine(1, 1, 0, shapePoints(1));
    junction->getTrack().addLine(shapePoints(2), 1);
    straightRun(2, 2, 1);
    tileWithLine(1, 0, 0, shapePoints(1, [](const Pt& p) { return Pt(p.z, 40 - p.x); }));
    ASSERT_TRUE(junction->addControlItem(KindPoint));
    afterEdit();

    for (int setting : {0, 1}) {
        junction->pointItem()->setOccupant(static_cast<std::uintptr_t>(setting));
        TrackPosition p = at(tileAt(0, {0, 1}), 4.0);
        bool crossed = false;
        ASSERT_TRUE(movePosition(p, 30, crossed));
        EXPECT_EQ(p.line, junction->lines()[static_cast<std::size_t>(setting)].get()) << setting;
        // Far enough to leave the junction tile: east or north.
        ASSERT_TRUE(movePosition(p, 40, crossed));
        EXPECT_EQ(p.line->getOwner(), setting == 0 ? tileAt(0, {2, 1}) : tileAt(0, {1, 0}));
    }
    // A trailing move (only one line connects) ignores the point.
    junction->pointItem()->setOccupant(1);
    TrackPosition back = at(tileAt(0, {2, 1}), 4.0, true);
    bool crossed = false;
    ASSERT_TRUE(movePosition(back, 30, crossed));
    EXPECT_EQ(back.line, junction->lines()[0].get());
}

TEST_F(MotionTest, VehicleClimbsSmoothlyOntoRampToLayerOne) {
    const int layers[] = {0, 0, 1, 1, 1, 1};
    for (int c = 0; c < 6; ++c) {
        tileWithLine(c, 0, layers[c], shapePoints(1));
    }
    afterEdit();
    CTrainItem* car = createVehicle(tileAt(0, {0, 0}), TypeSteam, {});
    ASSERT_NE(car, nullptr);
    double previous = 0;
    double pitchSeen = 0;
    bool reachedLayer1 = false;
    for (int step = 0; step < 160; ++step) {
        car->advance(false, 1.0, 0, 0);
        double h = 0;
        ASSERT_TRUE(car->height1(h));
        EXPECT_GE(h, previous - 1e-9) << step;
        EXPECT_LT(h - previous, 0.05) << step;
        previous = h;
        reachedLayer1 = reachedLayer1 || car->currentLayer() == 1;
        Vec3d point;
        double yaw = 0;
        double pitch = 0;
        ASSERT_TRUE(car->worldPlacement(WorldScales{}, point, yaw, pitch));
        pitchSeen = std::max(pitchSeen, pitch);
    }
    EXPECT_TRUE(reachedLayer1);
    EXPECT_NEAR(previous, 1.0, 1e-6);
    EXPECT_GT(pitchSeen, 0.5);
    EXPECT_LT(pitchSeen, 45.0); // a level is 1.2 tile edges high
}

TEST_F(MotionTest, WheelSetsAndPlacement) {
    straightRun(0, 1, 0);
    CTrainItem* car = createVehicle(tileAt(0, {0, 0}), TypeSteam, {});
    // Middle of tile 0: wheel set 2 lies 14 units further east.
    Vec3d p1;
    Vec3d p2;
    ASSERT_TRUE(car->layoutPoint1(p1));
    ASSERT_TRUE(car->layoutPoint2(p2));
    EXPECT_NEAR(p1.x, 20, 1e-9);
    EXPECT_NEAR(p2.x, 34, 1e-9);
    std::int16_t gx = 0;
    std::int16_t gz = 0;
    ASSERT_TRUE(car->gridPoint1(gx, gz));
    EXPECT_EQ(gx, 20);
    EXPECT_EQ(gz, 20);
    Vec3d point;
    double yaw = 1;
    double pitch = 1;
    ASSERT_TRUE(car->worldPlacement(WorldScales{}, point, yaw, pitch));
    EXPECT_NEAR(point.x, 0.5, 1e-9);
    EXPECT_EQ(yaw, 0.0);
    EXPECT_EQ(pitch, 0.0);

    // Ten units before the end of the track the second wheel set equals the first.
    ASSERT_TRUE(car->setPosition(TrackPosition{tileAt(0, {1, 0})->lines().front().get(), 6.0, 0}));
    EXPECT_EQ(car->wheelSet2(), car->wheelSet1());

    // Turning reverses the direction and the heading.
    car->turn(true, false);
    EXPECT_TRUE(car->isDirectionFlipped());
    ASSERT_TRUE(car->worldPlacement(WorldScales{}, point, yaw, pitch));
    EXPECT_NEAR(yaw, -180.0, 1e-9);
}

TEST_F(MotionTest, VehicleStopsBlockedAtTheEndOfTheTrack) {
    straightRun(0, 1, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {0, 0}), TypeSteam, {});
    const TrackPosition before = loco->position();
    loco->advance(false, 100, 0, 0);
    EXPECT_EQ(loco->position(), before);
    EXPECT_TRUE(loco->isBlocked());
    EXPECT_FALSE(loco->isActive());
    // Restart does not reactivate a blocked train.
    loco->restart();
    EXPECT_FALSE(loco->isActive());
}

TEST(WheelTest, RotationFollowsTheSpeedAndTheRunningDirection) {
    CTrainItemWheel wheel;
    EXPECT_EQ(wheel.rotationSpeed(), -1.0);
    wheel.followVehicleSpeed(80);
    EXPECT_DOUBLE_EQ(wheel.rotationSpeed(), -3.75);
    wheel.setRotationDirection(true);
    EXPECT_DOUBLE_EQ(wheel.rotationSpeed(), 3.75);

    // The wheels turn by the controller's time: on the hand-driven clock 0.1 s turns them by
    // exactly 20 intervals, however long the machine took.
    controllerClock().setManual(5.0);
    CTrainItemWheel driven;
    driven.followVehicleSpeed(80); // −3.75 degrees per interval
    controllerClock().advance(0.1);
    driven.setRotationDirection(false);
    EXPECT_NEAR(driven.angle(), -3.75 * 20, 1e-9);
    driven.setRotationDirection(false); // no driven time passed: no turn
    EXPECT_NEAR(driven.angle(), -3.75 * 20, 1e-9);
    controllerClock().useMonotonic();

    CAnimatableRotate3DItemObject rotating;
    rotating.setInterval(0.005);
    rotating.setRotationSpeed(3.75);
    rotating.startTurning(0.0);
    rotating.advanceRotation(0.005); // not strictly more than one interval
    EXPECT_EQ(rotating.angle(), 0.0);
    rotating.advanceRotation(0.0101);
    EXPECT_NEAR(rotating.angle(), 3.75 * 0.0101 / 0.005, 1e-9);
    rotating.advanceRotation(20.0); // limited to 120 degrees per update
    EXPECT_NEAR(rotating.angle(), 3.75 * 0.0101 / 0.005 + 120, 1e-9);
    for (int i = 0; i < 3; ++i) {
        rotating.advanceRotation(30.0 + 10 * i);
    }
    EXPECT_LT(std::fabs(rotating.angle()), 360.0);

    const int bogies[] = {2, 2, 3, 4, 0, 0, 2, 0, 0, 0};
    const int axles[] = {0, 1, 0, 0, 2, 4, 0, 2, 4, 0};
    for (int a = 1; a <= 10; ++a) {
        EXPECT_EQ(CTrainItemWheel::bogieWheelCount(a, true), bogies[a - 1]) << a;
        EXPECT_EQ(CTrainItemWheel::bogieWheelCount(a, false), axles[a - 1]) << a;
    }
    const WheelGeometry none = CTrainItemWheel::computeWheelGeometry(nullptr, 2.0, 0.3, 0.1);
    EXPECT_EQ(none.k[0], 2.0);
    EXPECT_EQ(none.k[1], 0.1);
    EXPECT_EQ(none.wheelModel, 0);
}

TEST_F(MotionTest, RoadJunctionPicksEveryBranchAlike) {
    // From tile (0, 1) a road enters (1, 1), where three roads leave: east, north and south.
    tileWithLine(0, 1, 0, shapePoints(1), 2);
    CTrackItem* junction = tileWithLine(1, 1, 0, shapePoints(1), 2);
    junction->getTrack().addLine(shapePoints(2), 3);
    junction->getTrack().addLine(shapePoints(2, mirrorTopBottom), 4);
    afterEdit();
    seedLineRandom(7);
    int picks[3] = {0, 0, 0};
    for (int i = 0; i < 600; ++i) {
        TrackPosition p = at(tileAt(0, {0, 1}), 4.0);
        ASSERT_TRUE(skipLines(p, 1));
        for (int k = 0; k < 3; ++k) {
            picks[k] += p.line == junction->lines()[static_cast<std::size_t>(k)].get() ? 1 : 0;
        }
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_GT(picks[k], 140) << k;
    }
    EXPECT_EQ(picks[0] + picks[1] + picks[2], 600);
}

TEST_F(MotionTest, TileAheadCountsLineEnds) {
    straightRun(0, 5, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {1, 0}), TypeSteam, {});
    CTrackItem* tile = nullptr;
    ASSERT_TRUE(loco->tileAhead(tile, 0));
    EXPECT_EQ(tile, tileAt(0, {2, 0}));
    ASSERT_TRUE(loco->tileAhead(tile, 4));
    EXPECT_EQ(tile, tileAt(0, {5, 0}));
    EXPECT_FALSE(loco->tileAhead(tile, 5));
}

TEST_F(MotionTest, AccelerationAndBraking) {
    straightRun(0, 1, 0);
    CTrainItem* loco = createVehicle(tileAt(0, {0, 0}), TypeSteam, {});
    int increases = 0;
    double last = loco->speed();
    for (int i = 0; i < 400 && loco->accelState() > 0; ++i) {
        loco->stepDistance(320, 0.25);
        if (loco->speed() != last && loco->accelState() > 0) {
            ++increases;
        }
        last = loco->speed();
    }
    EXPECT_EQ(increases, 28);
    EXPECT_EQ(loco->speed(), 320.0);
    EXPECT_EQ(loco->accelState(), 0.0);

    loco->stopOrBrake(false);
    int reductions = 0;
    for (int i = 0; i < 400 && loco->speed() > 0; ++i) {
        const double before = loco->speed();
        loco->stepDistance(320, 0.25);
        reductions += loco->speed() != before ? 1 : 0;
    }
    EXPECT_EQ(reductions, 14);
    EXPECT_TRUE(loco->isBrakedToStop());

    // A ratio of 0.5 halves the target; automobiles are held at 80.
    loco->setSpeedRatio(0.5);
    loco->stopOrBrake(true);
    loco->stepDistance(320, 0.1);
    EXPECT_EQ(loco->speed(), 160.0);
    CTrainItem car(nullptr, TypeAutomobile, {});
    car.setSpeed(120);
    EXPECT_EQ(car.speed(), 80.0);
}
