#include "tools/datagen/LayoutBuilder.h"
#include "tools/datagen/SampleBuilders.h"

#include "model/CTrackItem.h"
#include "model/TileCommands.h"
#include "trains/PointState.h"

namespace datagen {

void buildShuntingYard(LayoutBuilder& b) {
    constexpr const char* straight = "基本/Straight.zn3";
    constexpr const char* curve = "基本/Curve.zn3";

    // A ring whose top row (right to left) has a passing loop between two numbered points.
    b.ring(0, 2, 3, 21, 8, straight, curve);
    model::CTrackItem* right = b.place("ポイント/PointLeft.zn3", 0, 15, 3, 0, true);
    model::CTrackItem* left = b.place("ポイント/PointLeft.zn3", 0, 6, 3);
    b.place(curve, 0, 15, 2, 3);
    b.place(curve, 0, 6, 2, 2);
    for (int c = 7; c <= 14; ++c) {
        b.place(straight, 0, c, 2, 2);
    }
    // The points are switched by their numbers, as the point panel does: the loop is taken.
    trains::setPointState(right->getPointNumber(), 1);
    trains::setPointState(left->getPointNumber(), 1);
    // A station on the bottom row, which runs left to right.
    for (int c = 9; c <= 12; ++c) {
        b.place("駅/Station1.zn3", 0, c, 8);
    }
    b.tileCommand(0, 10, 8, model::CmdStationStopFirst + 2); // 5 seconds
    // A steam locomotive behind the station, and two parked wagons ahead of it beyond the
    // station: it runs up to them and couples them, then pushes them round the ring.
    b.train(0, 5, 8, {"SL02.zn3"});
    b.train(0, 16, 8, {"BoxCar01.zn3"});
    b.train(0, 18, 8, {"GondolaCar01.zn3"});

    // A shuttle line below the ring: reversing points at both dead ends turn the train round,
    // and it stops at the station in the middle on every pass.
    b.place("設備/ReversingPoint.zn3", 0, 2, 11);
    b.place("設備/ReversingPoint.zn3", 0, 21, 11);
    for (int c = 3; c <= 20; ++c) {
        const bool platform = c >= 10 && c <= 13;
        b.place(platform ? "駅/Station1.zn3" : straight, 0, c, 11);
    }
    b.tileCommand(0, 11, 11, model::CmdStationStopFirst + 2); // 5 seconds
    b.train(0, 6, 11, {"EL02.zn3", "PassengerCar02.zn3"});
}

} // namespace datagen
