#include "tools/datagen/LayoutBuilder.h"
#include "tools/datagen/SampleBuilders.h"

#include "model/CTrackItem.h"
#include "model/TileCommands.h"
#include "trains/PointState.h"

namespace datagen {

void buildDoubleLoop(LayoutBuilder& b) {
    constexpr const char* straight = "基本/Straight.zn3";
    constexpr const char* curve = "基本/Curve.zn3";

    // Outer ring; its top row runs right to left.
    b.ring(0, 2, 3, 19, 13, straight, curve);
    // The passing loop above the top row, between two quarter-curve points: a train coming
    // from the right turns off at the right point, runs through the station and rejoins at
    // the left point.
    model::CTrackItem* right = b.place("ポイント/PointLeft.zn3", 0, 15, 3, 0, true);
    model::CTrackItem* left = b.place("ポイント/PointLeft.zn3", 0, 6, 3);
    b.place(curve, 0, 15, 2, 3);
    b.place(curve, 0, 6, 2, 2);
    for (int c = 7; c <= 14; ++c) {
        const bool platform = c >= 9 && c <= 12;
        b.place(platform ? "駅/Station3.zn3" : straight, 0, c, 2, 2);
    }
    b.tileCommand(0, 10, 2, model::CmdStationStopFirst + 3); // 10 seconds
    // Both points set to the curve, so the train always takes the loop through the station.
    trains::setPointState(right->getPointNumber(), 1);
    trains::setPointState(left->getPointNumber(), 1);

    // Inner ring with a station on its bottom row.
    b.ring(0, 5, 6, 16, 10, straight, curve);
    for (int c = 9; c <= 12; ++c) {
        b.place("駅/Station1.zn3", 0, c, 10);
    }
    b.tileCommand(0, 10, 10, model::CmdStationStopFirst + 2); // 5 seconds

    // A frame over the outer ring's bottom row.
    b.place("設備/TrackFrame.zn3", 0, 7, 13);

    b.train(0, 13, 13, {"SL01.zn3", "PassengerCar01.zn3", "PassengerCar01Deck.zn3"});
    b.train(0, 12, 6, {"EL01.zn3", "PassengerCar02.zn3", "PassengerCar02.zn3"});
}

} // namespace datagen
