#include "tools/datagen/LayoutBuilder.h"
#include "tools/datagen/SampleBuilders.h"

#include "model/TileCommands.h"

namespace datagen {

void buildElevatedMonorail(LayoutBuilder& b) {
    constexpr int layer = 1;
    constexpr int firstColumn = 3;
    constexpr int firstRow = 3;
    constexpr int lastColumn = 14;
    constexpr int lastRow = 8;
    b.ring(layer, firstColumn, firstRow, lastColumn, lastRow, "モノレール/MonorailBothStraight.zn3",
           "モノレール/MonorailBothCurve.zn3");
    // Every beam stands on a concrete column.
    for (int c = firstColumn; c <= lastColumn; ++c) {
        for (int r : {firstRow, lastRow}) {
            b.tileCommand(layer, c, r, model::CmdPierFirst + 2);
        }
    }
    for (int r = firstRow + 1; r < lastRow; ++r) {
        for (int c : {firstColumn, lastColumn}) {
            b.tileCommand(layer, c, r, model::CmdPierFirst + 2);
        }
    }
    // A platform along four beams of the top row (which runs right to left). The stop time
    // is set on every platform tile: a station run is found along ordinary track only, and
    // the beams carry none (the piece's track line coincides with its beam and is dropped).
    for (int c = 7; c <= 10; ++c) {
        b.merge("駅/Station2.zn3", layer, c, firstRow, 2);
        b.tileCommand(layer, c, firstRow, model::CmdStationStopFirst + 3); // 10 seconds
    }

    // Straddle cars ride on top of the beams, clear of the columns under them.
    b.train(layer, 10, lastRow, {"Monorail01Front.zn3", "Monorail01Car.zn3", "Monorail01Car.zn3"});
}

} // namespace datagen
