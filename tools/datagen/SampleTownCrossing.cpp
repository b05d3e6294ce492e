#include "tools/datagen/LayoutBuilder.h"
#include "tools/datagen/SampleBuilders.h"

#include "model/TileCommands.h"

#include <string>
#include <string_view>
#include <utility>

namespace datagen {

void buildTownCrossing(LayoutBuilder& b) {
    // The road ring; the plain road piece runs top to bottom when unturned.
    b.ring(0, 3, 3, 12, 10, "道路/Road.zn3", "道路/RoadCurve.zn3", 1);
    // The railway ring overlaps it, crossing the road's right side and bottom.
    b.ring(0, 8, 6, 17, 13, "基本/Straight.zn3", "基本/Curve.zn3");
    b.place("設備/LevelCrossing.zn3", 0, 12, 6);
    b.place("設備/LevelCrossing.zn3", 0, 8, 10, 1);
    for (int c = 11; c <= 14; ++c) {
        b.place("駅/Station2.zn3", 0, c, 13);
    }
    b.tileCommand(0, 12, 13, model::CmdStationStopFirst + 2); // 5 seconds

    // The town: houses and a shop inside the road ring, a shed and bushes by the railway.
    const std::string_view buildings = "../ストラクチャ/建物/";
    const struct {
        std::string_view file;
        int column;
        int row;
        int turns;
    } town[] = {
        {"House01.zn3", 5, 5, 0},  {"House02.zn3", 7, 5, 0},  {"Shop01.zn3", 5, 8, 1},
        {"House04.zn3", 10, 8, 2}, {"House03.zn3", 14, 9, 3}, {"House01.zn3", 15, 11, 2},
    };
    for (const auto& house : town) {
        b.place(std::string(buildings) + std::string(house.file), 0, house.column, house.row,
                house.turns);
    }
    for (const auto& [column, row] : {std::pair{4, 4}, {6, 7}, {10, 11}, {18, 4}, {1, 13}}) {
        b.place("その他/BuiltinBushes.zn3", 0, column, row);
    }
    b.place("その他/BuiltinWoodenStructure.zn3", 0, 15, 8, 1);

    b.train(0, 15, 6, {"EL02.zn3", "BoxCar01.zn3", "GondolaCar02.zn3"});
    // Road vehicles spread round the ring, all driving anticlockwise.
    b.train(0, 6, 3, {"Car01.zn3"});
    b.train(0, 3, 7, {"Truck01.zn3"});
    b.train(0, 6, 10, {"Bus01.zn3"});
}

} // namespace datagen
