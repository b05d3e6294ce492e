#include "tools/datagen/Structures.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace datagen {

namespace {

using Axis = ModelKit::Axis;
using Build = std::function<void(ModelKit&)>;

constexpr Rgb kCream{0.93, 0.88, 0.74};
constexpr Rgb kWhiteWall{0.94, 0.94, 0.92};
constexpr Rgb kBrick{0.62, 0.3, 0.22};
constexpr Rgb kWood{0.55, 0.38, 0.22};
constexpr Rgb kWoodDark{0.35, 0.24, 0.14};
constexpr Rgb kRoofRed{0.7, 0.2, 0.15};
constexpr Rgb kRoofBlue{0.25, 0.35, 0.55};
constexpr Rgb kRoofGrey{0.35, 0.36, 0.38};
constexpr Rgb kWindow{0.55, 0.75, 0.9};
constexpr Rgb kDoor{0.4, 0.25, 0.15};
constexpr Rgb kConcrete{0.74, 0.73, 0.7};
constexpr Rgb kSteel{0.45, 0.47, 0.5};
constexpr Rgb kDarkSteel{0.25, 0.26, 0.28};
constexpr Rgb kYellowLine{0.96, 0.8, 0.15};
constexpr Rgb kLeaves{0.24, 0.55, 0.2};
constexpr Rgb kPine{0.12, 0.38, 0.2};
constexpr Rgb kTrunk{0.42, 0.28, 0.16};
constexpr Rgb kRed{0.85, 0.12, 0.1};
constexpr Rgb kWhite{0.96, 0.96, 0.96};
constexpr Rgb kBlack{0.1, 0.1, 0.1};
constexpr Rgb kBlueSign{0.1, 0.3, 0.75};
constexpr Rgb kYellow{0.98, 0.8, 0.1};
constexpr Rgb kSkin{0.93, 0.76, 0.62};
constexpr Rgb kNavy{0.12, 0.16, 0.35};
constexpr Rgb kOrange{0.95, 0.5, 0.1};

// A house: walls, a gable roof along x with overhang, a door and windows on the front (+z).
void house(ModelKit& kit, double w, double d, double h, Rgb wall, Rgb roofColour, double roofH,
           bool chimney) {
    kit.boxFromTo(wall, {-w / 2, 0, -d / 2}, {w / 2, h, d / 2});
    kit.roof(roofColour, {-w / 2 - 1.5, 0, -d / 2 - 1.5}, {w / 2 + 1.5, 0, d / 2 + 1.5}, h, roofH);
    kit.boxFromTo(kDoor, {-2, 0, d / 2}, {2, 8, d / 2 + 0.4});
    const int floors = h > 18 ? 2 : 1;
    for (int f = 0; f < floors; ++f) {
        const double y = 4 + f * 10;
        for (const double x : {-w / 2 + 5, w / 2 - 5}) {
            kit.boxFromTo(kWindow, {x - 2, y, d / 2}, {x + 2, y + 4, d / 2 + 0.3});
            kit.boxFromTo(kWindow, {x - 2, y, -d / 2 - 0.3}, {x + 2, y + 4, -d / 2});
        }
    }
    if (chimney) {
        kit.boxFromTo(kBrick, {w / 4, h, -d / 4 - 1.5}, {w / 4 + 3, h + roofH + 2, -d / 4 + 1.5});
    }
}

void shop(ModelKit& kit) {
    kit.boxFromTo(kWhiteWall, {-12, 0, -9}, {12, 15, 9});
    kit.boxFromTo(kRoofGrey, {-12.5, 15, -9.5}, {12.5, 16, 9.5});
    kit.boxFromTo(kWindow, {-9, 2, 9}, {9, 9, 9.3});
    kit.wedge(kRed, {-12, 10, 9}, {12, 12, 13}, 0.5); // awning, sloping towards the street
}

void engineHouse(ModelKit& kit, int tracks, Rgb wall, Rgb roofColour) {
    const double w = 14.0 * tracks + 6;
    const double l = 60, h = 24;
    kit.boxFromTo(wall, {-l / 2, 0, -w / 2}, {-l / 2 + 2, h, w / 2}); // back wall
    kit.boxFromTo(wall, {-l / 2, 0, -w / 2}, {l / 2, h, -w / 2 + 1.5});
    kit.boxFromTo(wall, {-l / 2, 0, w / 2 - 1.5}, {l / 2, h, w / 2});
    for (int i = 1; i < tracks; ++i) {
        const double z = -w / 2 + 3 + 14.0 * i;
        for (double x = -l / 2 + 6; x < l / 2; x += 12) {
            kit.box(kDarkSteel, {x, h / 2, z}, {1.5, h, 1.5});
        }
    }
    kit.roof(roofColour, {-l / 2 - 1, 0, -w / 2 - 2}, {l / 2 + 1, 0, w / 2 + 2}, h, 8);
    for (double x = -l / 2 + 8; x < l / 2 - 4; x += 12) {
        kit.boxFromTo(kWindow, {x - 3, 12, -w / 2 - 0.3}, {x + 3, 18, -w / 2});
        kit.boxFromTo(kWindow, {x - 3, 12, w / 2}, {x + 3, 18, w / 2 + 0.3});
    }
    kit.box(kRoofGrey, {0, h + 9, 0}, {l * 0.6, 2, 4}); // smoke vent along the ridge
}

void waterTower(ModelKit& kit) {
    for (const double x : {-6.0, 6.0}) {
        for (const double z : {-6.0, 6.0}) {
            kit.bar(kDarkSteel, {x * 1.3, 0.8, z * 1.3}, {x, 24, z}, 1.5, 1.5);
        }
    }
    kit.cylinder(kWood, Axis::Y, {0, 30, 0}, 9.5, 12.0, 20);
    kit.cone(kRoofGrey, Axis::Y, {0, 36, 0}, 10.5, 0.0, 5.0, 20);
    kit.bar(kDarkSteel, {9, 28, 0}, {16, 22, 0}, 1.6, 1.6); // spout
}

void platform(ModelKit& kit, double length, double width, bool roofed, bool bench) {
    kit.boxFromTo(kConcrete, {-length / 2, 0, -width / 2}, {length / 2, 5, width / 2});
    kit.boxFromTo(kYellowLine, {-length / 2, 5, width / 2 - 2}, {length / 2, 5.2, width / 2 - 1});
    if (roofed) {
        for (double x = -length / 2 + 6; x < length / 2; x += 14) {
            kit.cylinder(kSteel, Axis::Y, {x, 13, 0}, 0.8, 16, 8);
        }
        kit.wedge(kRoofBlue, {-length / 2 + 2, 21, -width / 2 + 1},
                  {length / 2 - 2, 23, width / 2 - 1}, 2.0);
    }
    if (bench) {
        kit.boxFromTo(kWood, {-6, 5, -3}, {6, 7, 0});
        kit.box(kBlueSign, {8, 11, 0}, {8, 4, 0.6});
        kit.cylinder(kSteel, Axis::Y, {8, 7, 0}, 0.4, 4, 6);
    }
}

void footBridge(ModelKit& kit, double span, bool platforms) {
    const double deck = 30;
    kit.boxFromTo(kSteel, {-4, deck, -span / 2}, {4, deck + 2, span / 2});
    kit.boxFromTo(kRoofBlue, {-4.5, deck + 9, -span / 2}, {4.5, deck + 10, span / 2});
    for (const double side : {-1.0, 1.0}) {
        kit.boxFromTo(kWhiteWall, {-4, deck + 2, side * span / 2 - (side > 0 ? 0.6 : 0)},
                      {4, deck + 9, side * span / 2 + (side > 0 ? 0 : 0.6)});
        const double z = side * span / 2;
        // A stair running along x down from the deck end.
        kit.bar(kSteel, {0, deck + 1, z}, {-30, 3.5, z}, 6, 2);
        kit.box(kDarkSteel, {0, deck / 2, z}, {2, deck, 2});
        kit.box(kDarkSteel, {-15, deck / 4, z}, {2, deck / 2, 2});
        if (platforms) {
            kit.boxFromTo(kConcrete, {-34, 0, z - 6}, {8, 5, z + 6});
        }
    }
}

void deciduousTree(ModelKit& kit, double height) {
    kit.cylinder(kTrunk, Axis::Y, {0, height * 0.25, 0}, height * 0.05, height * 0.5, 8);
    kit.sphere(kLeaves, {0, height * 0.62, 0}, height * 0.3, 6);
    kit.sphere(kLeaves, {height * 0.15, height * 0.5, height * 0.08}, height * 0.22, 6);
    kit.sphere(kLeaves, {-height * 0.14, height * 0.52, -height * 0.1}, height * 0.22, 6);
}

void conifer(ModelKit& kit, double height) {
    kit.cylinder(kTrunk, Axis::Y, {0, height * 0.1, 0}, height * 0.04, height * 0.2, 8);
    for (int i = 0; i < 3; ++i) {
        const double base = height * (0.15 + 0.25 * i);
        kit.cone(kPine, Axis::Y, {0, base, 0}, height * (0.3 - 0.07 * i), 0.0, height * 0.4, 12);
    }
}

void poplar(ModelKit& kit) {
    kit.cylinder(kTrunk, Axis::Y, {0, 4, 0}, 1.2, 8, 8);
    // A tall crown: a sphere stretched by its group's scale.
    kit.beginGroup({0, 20, 0}, {1.0, 2.2, 1.0});
    kit.sphere({0.3, 0.5, 0.2}, {0, 0, 0}, 6.0, 6);
    kit.endGroup();
}

void utilityPole(ModelKit& kit) {
    kit.cylinder(kWoodDark, Axis::Y, {0, 19, 0}, 1.0, 38, 8);
    kit.bar(kWoodDark, {0, 34, -8}, {0, 34, 8}, 1.2, 1.2);
    for (const double z : {-7.0, 0.0, 7.0}) {
        kit.cylinder(kWhite, Axis::Y, {0, 35.5, z == 0.0 ? 1.5 : z}, 0.6, 2, 6);
    }
}

void wirePillar(ModelKit& kit, bool portal) {
    const double h = 34;
    if (portal) {
        for (const double z : {-26.0, 26.0}) {
            kit.boxFromTo(kSteel, {-1.2, 0, z - 1.2}, {1.2, h, z + 1.2});
        }
        kit.boxFromTo(kSteel, {-1, h - 3, -27}, {1, h, 27});
        for (const double z : {-14.0, 14.0}) {
            kit.bar(kDarkSteel, {0, h - 3, z}, {0, h - 8, z}, 0.4, 0.4);
        }
    } else {
        kit.boxFromTo(kSteel, {-1.2, 0, 12}, {1.2, h, 14.5});
        kit.bar(kSteel, {0, h - 2, 13}, {0, h - 2, -2}, 1.0, 1.0);
        kit.bar(kSteel, {0, h - 9, 13}, {0, h - 3, 0}, 0.8, 0.8);
        kit.bar(kDarkSteel, {0, h - 2, 0}, {0, h - 8, 0}, 0.4, 0.4);
    }
}

void pylon(ModelKit& kit) {
    const double h = 70;
    for (const double x : {-1.0, 1.0}) {
        for (const double z : {-1.0, 1.0}) {
            kit.bar(kSteel, {x * 8, 0.7, z * 8}, {x * 2, h, z * 2}, 1.2, 1.2);
        }
    }
    for (const double y : {30.0, 45.0, 60.0}) {
        const double half = y == 45.0 ? 16 : 12;
        kit.boxFromTo(kSteel, {-1, y, -half}, {1, y + 1.5, half});
    }
    for (int i = 0; i < 5; ++i) {
        const double y = 8 + i * 12;
        const double r = 8 - 6 * y / h;
        kit.bar(kSteel, {-r, y, -r}, {r, y + 6, r}, 0.6, 0.6);
        kit.bar(kSteel, {r, y, -r}, {-r, y + 6, r}, 0.6, 0.6);
    }
}

void signOnPole(ModelKit& kit, int shape) {
    kit.cylinder(kSteel, Axis::Y, {0, 8, 0}, 0.4, 16, 8);
    if (shape == 0) {
        kit.cylinder(kRed, Axis::X, {0.5, 16, 0}, 3.2, 0.5, 20);
        kit.cylinder(kWhite, Axis::X, {0.85, 16, 0}, 2.2, 0.3, 20);
    } else if (shape == 1) {
        kit.bar(kYellow, {0.5, 13, -3.4}, {0.5, 13, 3.4}, 1.0, 0.6);
        kit.bar(kYellow, {0.5, 13, -3.4}, {0.5, 19, 0}, 1.0, 0.6);
        kit.bar(kYellow, {0.5, 13, 3.4}, {0.5, 19, 0}, 1.0, 0.6);
        kit.box(kBlack, {0.7, 15, 0}, {0.3, 2.5, 1.0});
    } else {
        kit.box(kBlueSign, {0.5, 16, 0}, {0.5, 5, 7});
        kit.box(kWhite, {0.8, 16, 0}, {0.2, 1, 5});
    }
}

void crossingSign(ModelKit& kit, bool withLamps) {
    kit.cylinder(kWhite, Axis::Y, {0, 10, 0}, 0.5, 20, 8);
    kit.bar(kYellow, {0.6, 14, -4}, {0.6, 20, 4}, 1.2, 0.4);
    kit.bar(kBlack, {0.6, 20, -4}, {0.6, 14, 4}, 1.2, 0.4);
    if (withLamps) {
        kit.bar(kBlack, {0.6, 11, -4}, {0.6, 11, 4}, 2.5, 0.6);
        for (const double z : {-3.5, 3.5}) {
            kit.cylinder(kRed, Axis::X, {1.2, 11, z}, 1.4, 0.8, 12);
        }
    }
}

void fence(ModelKit& kit, Rgb post, Rgb rail, int rails, double spacing) {
    for (double x = -20; x <= 20; x += spacing) {
        kit.box(post, {x, 4, 0}, {1, 8, 1});
    }
    for (int i = 0; i < rails; ++i) {
        const double y = 3 + 4.0 * i;
        kit.boxFromTo(rail, {-20, y, -0.7}, {20, y + 1.6, -0.5});
    }
}

void figure(ModelKit& kit, Rgb body, Rgb legs, Rgb hat) {
    kit.boxFromTo(legs, {-0.9, 0, -1.2}, {0.9, 4, 1.2});
    kit.boxFromTo(body, {-1.1, 4, -1.6}, {1.1, 7.5, 1.6});
    kit.sphere(kSkin, {0, 8.6, 0}, 1.1, 6);
    kit.cylinder(hat, Axis::Y, {0, 9.6, 0}, 1.2, 0.8, 10);
}

void cow(ModelKit& kit) {
    kit.boxFromTo(kWhite, {-6, 4, -2.5}, {6, 9, 2.5});
    kit.boxFromTo(kBlack, {-3, 6, -2.6}, {1, 9.1, 2.6}); // a patch
    kit.boxFromTo(kWhite, {6, 6, -1.5}, {9, 9.5, 1.5});
    kit.boxFromTo({0.9, 0.7, 0.65}, {9, 6.2, -1.2}, {10, 7.6, 1.2});
    for (const double x : {-5.0, 4.5}) {
        for (const double z : {-1.7, 1.7}) {
            kit.box(kWhite, {x, 2, z}, {1.2, 4, 1.2});
        }
    }
}

struct Structure {
    StructureSpec spec;
    Build build;
    std::uint32_t drawFlags = 0;
};

// Draw flag 0x8: vehicles on the tile are not drawn in the layout view (they stand inside).
constexpr std::uint32_t kHidesVehicles = 0x8;

const std::vector<Structure>& structures() {
    static const std::vector<Structure> table = {
        {{"建物/House01.zn3", "house with a red roof"},
         [](ModelKit& k) { house(k, 26, 20, 14, kCream, kRoofRed, 8, true); }},
        {{"建物/House02.zn3", "two-storey house"},
         [](ModelKit& k) { house(k, 22, 18, 22, kWhiteWall, kRoofBlue, 7, false); }},
        {{"建物/House03.zn3", "wooden house"},
         [](ModelKit& k) { house(k, 28, 22, 13, kWood, kRoofGrey, 9, true); }},
        {{"建物/House04.zn3", "brick house"},
         [](ModelKit& k) { house(k, 24, 24, 20, kBrick, kRoofGrey, 8, true); }},
        {{"建物/Shop01.zn3", "shop with an awning"}, shop},
        {{"建物/EngineHouse01.zn3", "engine shed, one track"},
         [](ModelKit& k) { engineHouse(k, 1, kBrick, kRoofGrey); },
         kHidesVehicles},
        {{"建物/EngineHouse02.zn3", "engine shed, two tracks"},
         [](ModelKit& k) { engineHouse(k, 2, kWood, kRoofGrey); },
         kHidesVehicles},
        {{"建物/EngineHouse03.zn3", "engine shed, three tracks"},
         [](ModelKit& k) { engineHouse(k, 3, kConcrete, kRoofBlue); },
         kHidesVehicles},
        {{"建物/WaterTower01.zn3", "water tower"}, waterTower},
        {{"駅/StationPlatform01.zn3", "platform with a roof"},
         [](ModelKit& k) { platform(k, 40, 14, true, false); }},
        {{"駅/StationPlatform02.zn3", "platform with a bench"},
         [](ModelKit& k) { platform(k, 40, 12, false, true); }},
        {{"駅/StationPlatform03.zn3", "island platform"},
         [](ModelKit& k) { platform(k, 40, 20, true, true); }},
        {{"駅/FootBridge01Long.zn3", "footbridge, long"},
         [](ModelKit& k) { footBridge(k, 60, true); }},
        {{"駅/FootBridge02Short.zn3", "footbridge, short"},
         [](ModelKit& k) { footBridge(k, 36, true); }},
        {{"駅/FootBridge03NoPlatform.zn3", "footbridge without platforms"},
         [](ModelKit& k) { footBridge(k, 44, false); }},
        {{"樹木/Tree01.zn3", "broad-leaved tree"}, [](ModelKit& k) { deciduousTree(k, 34); }},
        {{"樹木/Tree02.zn3", "conifer"}, [](ModelKit& k) { conifer(k, 40); }},
        {{"樹木/Tree03.zn3", "poplar"}, poplar},
        {{"樹木/Tree04.zn3", "small tree"}, [](ModelKit& k) { deciduousTree(k, 20); }},
        {{"柱・標識/UtilityPole01.zn3", "utility pole"}, utilityPole},
        {{"柱・標識/WirePillar01.zn3", "catenary mast"}, [](ModelKit& k) { wirePillar(k, false); }},
        {{"柱・標識/WirePillar02.zn3", "catenary portal"},
         [](ModelKit& k) { wirePillar(k, true); }},
        {{"柱・標識/Tower01.zn3", "pylon"}, pylon},
        {{"柱・標識/Signpost01.zn3", "round sign"}, [](ModelKit& k) { signOnPole(k, 0); }},
        {{"柱・標識/Signpost02.zn3", "warning sign"}, [](ModelKit& k) { signOnPole(k, 1); }},
        {{"柱・標識/Signpost03.zn3", "information sign"}, [](ModelKit& k) { signOnPole(k, 2); }},
        {{"柱・標識/SignpostCrossing.zn3", "level crossing sign"},
         [](ModelKit& k) { crossingSign(k, false); }},
        {{"柱・標識/SignpostCrossing2.zn3", "level crossing signal"},
         [](ModelKit& k) { crossingSign(k, true); }},
        {{"柵/ProtectionFence01.zn3", "guard rail"},
         [](ModelKit& k) { fence(k, kSteel, kWhite, 1, 8); }},
        {{"柵/ProtectionFence02.zn3", "double guard rail"},
         [](ModelKit& k) { fence(k, kSteel, kSteel, 2, 5); }},
        {{"柵/Fence01.zn3", "wooden fence"}, [](ModelKit& k) { fence(k, kWoodDark, kWood, 2, 4); }},
        {{"人物・動物/Operator01.zn3", "worker"},
         [](ModelKit& k) { figure(k, kOrange, kNavy, kYellow); }},
        {{"人物・動物/StationEmployee01.zn3", "station employee"},
         [](ModelKit& k) { figure(k, kNavy, kNavy, kNavy); }},
        {{"人物・動物/Passenger01.zn3", "passenger"},
         [](ModelKit& k) { figure(k, kRed, kDarkSteel, kSkin); }},
        {{"人物・動物/Cow01.zn3", "dairy cow"}, cow},
    };
    return table;
}

} // namespace

const std::vector<StructureSpec>& structureSpecs() {
    static const std::vector<StructureSpec> specs = [] {
        std::vector<StructureSpec> out;
        for (const Structure& s : structures()) {
            out.push_back(s.spec);
        }
        return out;
    }();
    return specs;
}

std::vector<GeneratedItem> structureFiles() {
    std::vector<GeneratedItem> files;
    for (const Structure& structure : structures()) {
        items::C3DItemObject item;
        item.setKind(0);
        item.setDrawFlags(structure.drawFlags, true);
        ModelKit kit(*item.geometryRoot());
        structure.build(kit);
        files.push_back(
            finishItem(std::string(kStructuresFolder) + "/" + std::string(structure.spec.file),
                       item, ThumbnailView::ThreeQuarter));
    }
    return files;
}

} // namespace datagen
