#include "tools/datagen/BuiltinModels.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace datagen {

namespace {

constexpr Rgb kConcrete{0.72, 0.71, 0.68};
constexpr Rgb kConcreteDark{0.58, 0.57, 0.55};
constexpr Rgb kSun{1.0, 0.82, 0.2};
constexpr Rgb kSunRay{1.0, 0.6, 0.1};
constexpr Rgb kPanel{0.85, 0.85, 0.85};
constexpr Rgb kBezel{0.25, 0.25, 0.27};
constexpr Rgb kGaugeFace{0.95, 0.95, 0.9};
constexpr Rgb kSteel{0.32, 0.32, 0.35};
constexpr Rgb kWheelRed{0.6, 0.12, 0.1};
constexpr Rgb kTyre{0.1, 0.1, 0.1};
constexpr Rgb kHub{0.7, 0.7, 0.72};

using Axis = ModelKit::Axis;

// The sun marker: a sphere with six rays along the axes.
void sunMarker(ModelKit& kit) {
    kit.sphere(kSun, {0, 0, 0}, 10.0, 8);
    for (const Axis axis : {Axis::X, Axis::Y, Axis::Z}) {
        for (const double side : {1.0, -1.0}) {
            const Vec3d base = axis == Axis::X   ? Vec3d{side * 9, 0, 0}
                               : axis == Axis::Y ? Vec3d{0, side * 9, 0}
                                                 : Vec3d{0, 0, side * 9};
            kit.cone(kSunRay, axis, base, 4.0, 0.0, side * 11.0, 8);
        }
    }
}

// One block of the first concrete pier: a square column block with a groove band, stacked
// downwards by the renderer.
void pierBlock(ModelKit& kit) {
    kit.boxFromTo(kConcrete, {-6, 0, -6}, {6, 11, 6});
    kit.boxFromTo(kConcreteDark, {-6.4, 11, -6.4}, {6.4, 12, 6.4});
}

// The head of the second concrete pier: a hammerhead beam across the track on a tapered
// neck.
void pierHead(ModelKit& kit) {
    kit.boxFromTo(kConcrete, {-6, 8, -16}, {6, 14, 16});
    kit.wedge(kConcreteDark, {-5, 2, -16}, {5, 8, 16}, 6.0);
    kit.boxFromTo(kConcrete, {-5, 0, -5}, {5, 8, 5});
}

// A round column segment of the second concrete pier.
void pierColumn(ModelKit& kit) {
    kit.cylinder(kConcrete, Axis::Y, {0, 6, 0}, 5.0, 12.0, 16);
}

// The speedometer panel: a small slab facing the driver (towards -x) with three round bezels
// on which the renderer draws the gauges (faces 0.9 in radius, 2.2 apart, 1.3 high).
void speedometerPanel(ModelKit& kit) {
    kit.boxFromTo(kPanel, {-0.4, 0, -3.4}, {0.4, 2.6, 3.4});
    for (const double z : {-2.2, 0.0, 2.2}) {
        kit.cylinder(kBezel, Axis::X, {-0.5, 1.3, z}, 1.05, 0.2, 20);
        kit.cylinder(kGaugeFace, Axis::X, {-0.62, 1.3, z}, 0.9, 0.05, 20);
    }
}

// A plain disc wheel turning about z.
void discWheel(ModelKit& kit, Rgb disc, Rgb rim, int spokes) {
    kit.cylinder(rim, Axis::Z, {0, 0, 0}, 20.0, 3.0, 24);
    kit.cylinder(disc, Axis::Z, {0, 0, 0}, 17.0, 3.6, 24);
    kit.cylinder(kHub, Axis::Z, {0, 0, 0}, 4.0, 5.0, 12);
    for (int i = 0; i < spokes; ++i) {
        // Spokes across the whole wheel, so that its turning shows.
        const double a = std::numbers::pi * i / spokes;
        const double c = std::cos(a), s = std::sin(a);
        kit.bar(kSteel, {-16 * c, -16 * s, 0}, {16 * c, 16 * s, 0}, 2.0, 4.4);
    }
}

// The axle: a thin bar across the track (along z).
void axle(ModelKit& kit) {
    kit.cylinder(kSteel, Axis::Z, {0, 0, 0}, 1.0, 12.0, 10);
}

struct Builtin {
    int number;
    std::function<void(ModelKit&)> build;
};

} // namespace

std::vector<GeneratedItem> builtinModels() {
    const Builtin table[] = {
        {128, sunMarker},
        {129, pierBlock},
        {130, pierHead},
        {131, pierColumn},
        {132, speedometerPanel},
        {133, [](ModelKit& kit) { discWheel(kit, kSteel, kTyre, 0); }},
        {134, axle},
        {135, [](ModelKit& kit) { discWheel(kit, kWheelRed, kSteel, 6); }},
        {136, [](ModelKit& kit) { discWheel(kit, kSteel, kSteel, 0); }},
        {137, [](ModelKit& kit) { discWheel(kit, kSteel, kSteel, 3); }},
        {138, [](ModelKit& kit) { discWheel(kit, kTyre, kTyre, 0); }},
    };
    std::vector<GeneratedItem> files;
    for (const Builtin& builtin : table) {
        items::C3DItemObject item;
        ModelKit kit(*item.geometryRoot());
        builtin.build(kit);
        files.push_back(finishItem(std::string(kBuiltinItemFolder) + "/" +
                                       std::to_string(builtin.number) + ".zn3",
                                   item, ThumbnailView::ThreeQuarter));
    }
    return files;
}

} // namespace datagen
