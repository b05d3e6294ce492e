#include "tools/datagen/LayoutBuilder.h"
#include "tools/datagen/SampleBuilders.h"

#include "editing/EditCommands.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/TileCommands.h"
#include "model/TrackTiles.h"

#include <stdexcept>
#include <utility>

namespace datagen {

void buildTunnelAndBridge(LayoutBuilder& b) {
    constexpr int edge = 40;
    b.ring(0, 2, 3, 21, 10, "基本/Straight.zn3", "基本/Curve.zn3");

    // The bridge: the ground track of the bottom row between columns 10 and 15 is deleted
    // and laid again one level up on stone arches; the ground track on both sides ramps up
    // to it.
    model::setSelection(0, model::TilePos{10, 10}, model::TilePos{15, 10});
    if (!editing::deleteSelection()) {
        throw std::runtime_error("cannot clear the bridge cells");
    }
    model::purgeEmptiedTiles();
    for (int c = 10; c <= 15; ++c) {
        b.place("橋脚/PierStoneArch.zn3", 1, c, 10);
    }
    // A station on the right side, which runs upwards.
    for (int r = 5; r <= 8; ++r) {
        b.place("駅/Station1.zn3", 0, 21, r, 3);
    }
    b.tileCommand(0, 21, 6, model::CmdStationStopFirst + 2); // 5 seconds

    // A hill over the top row between columns 6 and 10, which run through it in a tunnel,
    // and a lake under the bridge.
    b.landscape(model::BoardRect{0, 5 * edge, 6 * edge, 12 * edge}, 0.6, false);
    b.landscape(model::BoardRect{8 * edge, 10 * edge, 13 * edge, 16 * edge}, 0.3, true);
    if (model::CZarnoltDocument* document = model::currentDocument()) {
        document->setEnvironmentFlag(model::EnvShowTerrain, true);
    }

    // Trees inside the ring, along the lake and on the hill's slopes on both sides of the
    // tunnel.
    constexpr std::pair<int, int> kTrees[] = {{4, 6},  {5, 8},  {7, 7},  {16, 5},  {17, 7}, {18, 5},
                                              {3, 12}, {5, 13}, {8, 12}, {18, 12}, {6, 1},  {9, 5}};
    for (const auto& [column, row] : kTrees) {
        b.place("その他/BuiltinTree.zn3", 0, column, row);
    }

    b.train(0, 16, 3, {"SL02.zn3", "GondolaCar01.zn3", "OilTankCar01.zn3"});
}

} // namespace datagen
