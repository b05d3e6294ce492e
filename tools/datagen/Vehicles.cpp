#include "tools/datagen/Vehicles.h"

#include <functional>
#include <string>

namespace datagen {

namespace {

using Axis = ModelKit::Axis;

constexpr Rgb kBlack{0.12, 0.12, 0.13};
constexpr Rgb kDark{0.22, 0.22, 0.24};
constexpr Rgb kRed{0.75, 0.12, 0.1};
constexpr Rgb kBrass{0.85, 0.68, 0.25};
constexpr Rgb kGreen{0.1, 0.38, 0.22};
constexpr Rgb kGlass{0.35, 0.5, 0.65};
constexpr Rgb kGrey{0.6, 0.6, 0.62};
constexpr Rgb kLightGrey{0.8, 0.8, 0.82};
constexpr Rgb kWhite{0.95, 0.95, 0.95};
constexpr Rgb kBlue{0.12, 0.3, 0.7};
constexpr Rgb kNavy{0.1, 0.15, 0.4};
constexpr Rgb kBrownRed{0.55, 0.18, 0.12};
constexpr Rgb kBrown{0.45, 0.28, 0.17};
constexpr Rgb kCream{0.93, 0.88, 0.72};
constexpr Rgb kYellow{0.95, 0.8, 0.15};
constexpr Rgb kCoal{0.08, 0.08, 0.08};
constexpr Rgb kSilver{0.78, 0.79, 0.8};
constexpr Rgb kSkyBlue{0.45, 0.7, 0.9};

// Where a vehicle's driver, panel, lamps and chimney are, in model units.
struct Placement {
    double front = 0;    // x of the front face
    double cabFront = 0; // x of the cab's front window when the cab is not at the front (0: none)
    double eyeZ = 0;     // side offset of the driver's eye
    double eyeY = 14;    // height of the driver's eye
    double lampY = 12;   // head lamp height
    double lampZ = 0;    // head lamp side offset (0: one lamp on the centre line)
    Vec3d chimney{};     // chimney top (steam locomotives)
};

void windowsAlong(ModelKit& kit, double x0, double x1, double y0, double y1, double z, int count) {
    const double step = (x1 - x0) / count;
    for (int i = 0; i < count; ++i) {
        const double a = x0 + i * step + step * 0.15, b = x0 + (i + 1) * step - step * 0.15;
        kit.boxFromTo(kGlass, {a, y0, -z - 0.3}, {b, y1, -z});
        kit.boxFromTo(kGlass, {a, y0, z}, {b, y1, z + 0.3});
    }
}

void pantograph(ModelKit& kit, double x, double roof) {
    kit.box(kDark, {x, roof + 0.8, 0}, {8, 1.6, 7});
    for (const double z : {-3.0, 3.0}) {
        kit.bar(kDark, {x - 4, roof + 1.6, z}, {x, roof + 7, z}, 0.5, 0.5);
        kit.bar(kDark, {x + 4, roof + 1.6, z}, {x, roof + 7, z}, 0.5, 0.5);
    }
    kit.bar(kGrey, {x, roof + 7.4, -6}, {x, roof + 7.4, 6}, 0.8, 1.2);
}

// A steam locomotive with its tender; returns the key points.
Placement steamLocomotive(ModelKit& kit, Rgb livery, Rgb trim, double boilerLength) {
    const double front = 8 + boilerLength;
    kit.boxFromTo(kDark, {-10, 5.5, -7}, {front, 7.5, 7});    // frame and running board
    kit.boxFromTo(kRed, {front, 4, -7}, {front + 1.5, 8, 7}); // buffer beam
    kit.cylinder(livery, Axis::X, {2 + boilerLength / 2, 13, 0}, 5.5, boilerLength);
    kit.cylinder(kBlack, Axis::X, {front - 3, 13, 0}, 5.8, 6);       // smokebox
    kit.cylinder(kDark, Axis::X, {front + 0.3, 13, 0}, 4.5, 0.6);    // smokebox door
    kit.cylinder(kBlack, Axis::Y, {front - 3, 20.5, 0}, 1.6, 5, 12); // chimney
    kit.cylinder(kBlack, Axis::Y, {front - 3, 23.5, 0}, 2.1, 1, 12);
    const double domeX = 2 + boilerLength * 0.55;
    kit.cylinder(trim, Axis::Y, {domeX, 19, 0}, 2.4, 2.5, 12); // steam dome
    kit.sphere(trim, {domeX, 20.3, 0}, 2.4, 6);
    kit.cylinder(livery, Axis::Y, {2 + boilerLength * 0.25, 19, 0}, 1.8, 2.0, 12); // sand dome
    for (const double z : {-6.5, 6.5}) {
        kit.cylinder(kDark, Axis::X, {front - 4, 8.5, z}, 2.0, 6, 12); // cylinders
    }
    kit.boxFromTo(livery, {-8, 7.5, -7}, {2, 21, 7}); // cab
    kit.boxFromTo(kGlass, {-6, 15, -7.3}, {-1, 19, -7});
    kit.boxFromTo(kGlass, {-6, 15, 7}, {-1, 19, 7.3});
    kit.boxFromTo(kGlass, {2, 16, -5}, {2.3, 19, -1.5});
    kit.boxFromTo(kGlass, {2, 16, 1.5}, {2.3, 19, 5});
    kit.boxFromTo(kBlack, {-9, 21, -7.6}, {3, 22.2, 7.6});               // cab roof
    kit.cylinder(kBrass, Axis::X, {front - 0.5, 19.5, 0}, 1.3, 2.0, 12); // head lamp
    // Tender with its coal load.
    kit.boxFromTo(kDark, {-34, 5.5, -6.5}, {-11, 7.5, 6.5});
    kit.boxFromTo(livery, {-34, 7.5, -7}, {-11, 17, 7});
    kit.wedge(kCoal, {-30, 17, -5.5}, {-13, 19.5, 5.5}, 1.0);
    kit.boxFromTo(trim, {-34, 16, -7.2}, {-11, 17, 7.2});
    Placement p;
    p.front = front + 1.5;
    // The driver looks out of the cab's front window, past the boiler.
    p.cabFront = 2;
    p.eyeY = 18;
    p.eyeZ = 4.5;
    p.lampY = 19.5;
    p.chimney = {front - 3, 24, 0};
    return p;
}

Placement electricLocomotive(ModelKit& kit, Rgb livery, int pantographs) {
    kit.boxFromTo(kDark, {-26, 5.5, -6.5}, {26, 7, 6.5});
    kit.boxFromTo(livery, {-25, 7, -7}, {25, 20, 7});
    kit.boxFromTo(kLightGrey, {-24, 20, -6}, {24, 21, 6});
    windowsAlong(kit, -18, 18, 13, 16, 7, 6);
    for (const double x : {-25.0, 25.0}) {
        const double s = x > 0 ? 1 : -1;
        kit.boxFromTo(kGlass, {x + (s > 0 ? 0 : -0.3), 13, -5.5},
                      {x + (s > 0 ? 0.3 : 0), 17.5, 5.5});
        kit.boxFromTo(kYellow, {x + (s > 0 ? 0 : -0.3), 8, -7}, {x + (s > 0 ? 0.3 : 0), 10, 7});
    }
    if (pantographs == 2) {
        pantograph(kit, -13, 21);
        pantograph(kit, 13, 21);
    } else {
        pantograph(kit, 0, 21);
    }
    Placement p;
    p.front = 25.3;
    p.lampY = 11;
    p.lampZ = 4.5;
    return p;
}

// A high-speed car; the nose points forward on the front car, backward on the rear car.
Placement highSpeedCar(ModelKit& kit, int nose, bool pantographOnRoof) {
    const double bodyMin = nose < 0 ? -14 : -25;
    const double bodyMax = nose > 0 ? 14 : 25;
    kit.boxFromTo(kWhite, {bodyMin, 6, -7}, {bodyMax, 19, 7});
    kit.boxFromTo(kBlue, {bodyMin, 9, -7.2}, {bodyMax, 10.5, 7.2});
    windowsAlong(kit, bodyMin + 3, bodyMax - 3, 12.5, 15.5, 7, 7);
    if (nose != 0) {
        const bool forward = nose > 0;
        const double from = forward ? bodyMax : bodyMin - 16;
        const double to = forward ? bodyMax + 16 : bodyMin;
        kit.wedge(kWhite, {from, 6, -7}, {to, 19, 7}, 5.0, !forward);
        kit.wedge(kBlue, {from, 9, -7.2}, {to, 10.5, 7.2}, 1.0, !forward);
        const double glassX = forward ? bodyMax : bodyMin - 5;
        kit.wedge(kGlass, {glassX, 17, -4}, {glassX + 5, 19.3, 4}, 0.2, !forward);
    }
    if (pantographOnRoof) {
        pantograph(kit, 0, 19);
    }
    Placement p;
    p.front = nose > 0 ? bodyMax + 16 : bodyMax;
    p.eyeY = 17;
    p.lampY = 9;
    p.lampZ = 4;
    return p;
}

void archedRoof(ModelKit& kit, double x0, double x1, double y, Rgb colour) {
    kit.beginGroup({0, y, 0}, {1.0, 0.3, 1.0});
    kit.cylinder(colour, Axis::X, {(x0 + x1) / 2, 0, 0}, 7.3, x1 - x0, 20);
    kit.endGroup();
}

Placement passengerCar(ModelKit& kit, Rgb livery, Rgb band, bool decks) {
    const double half = decks ? 21 : 25;
    kit.boxFromTo(kDark, {-half - 1, 5.5, -6.5}, {half + 1, 7, 6.5});
    kit.boxFromTo(livery, {-half, 7, -7}, {half, 19, 7});
    kit.boxFromTo(band, {-half, 9, -7.2}, {half, 10.5, 7.2});
    windowsAlong(kit, -half + 2, half - 2, 12.5, 16.5, 7, 8);
    archedRoof(kit, -half - 0.5, half + 0.5, 19, kGrey);
    if (decks) {
        for (const double s : {-1.0, 1.0}) {
            const double x0 = s > 0 ? half : -half - 4, x1 = s > 0 ? half + 4 : -half;
            kit.boxFromTo(kDark, {x0, 6, -6}, {x1, 7.5, 6});
            kit.boxFromTo(kDark, {x0, 7.5, -6}, {x1, 12, -5.5});
            kit.boxFromTo(kDark, {x0, 7.5, 5.5}, {x1, 12, 6});
        }
    }
    return {};
}

void boxCar(ModelKit& kit) {
    kit.boxFromTo(kDark, {-17, 5.5, -6.5}, {17, 7, 6.5});
    kit.boxFromTo(kBrown, {-16, 7, -7}, {16, 19, 7});
    kit.boxFromTo(kGrey, {-16.5, 19, -7.5}, {16.5, 20, 7.5});
    for (const double z : {-7.2, 7.2}) {
        kit.boxFromTo(kDark, {-4, 7.5, z - 0.2}, {4, 18, z + 0.2});
    }
}

void gondola(ModelKit& kit, bool loaded) {
    kit.boxFromTo(kDark, {-17, 5.5, -6.5}, {17, 7, 6.5});
    kit.boxFromTo(kBlack, {-16, 7, -7}, {16, 8, 7});
    kit.boxFromTo(kBrown, {-16, 8, -7}, {16, 13, -6});
    kit.boxFromTo(kBrown, {-16, 8, 6}, {16, 13, 7});
    kit.boxFromTo(kBrown, {-16, 8, -6}, {-15, 13, 6});
    kit.boxFromTo(kBrown, {15, 8, -6}, {16, 13, 6});
    if (loaded) {
        kit.roof(kCoal, {-14, 0, -5.5}, {14, 0, 5.5}, 12, 3);
    }
}

void tankCar(ModelKit& kit) {
    kit.boxFromTo(kDark, {-17, 5.5, -6.5}, {17, 7.5, 6.5});
    kit.cylinder(kBlack, Axis::X, {0, 13, 0}, 6.0, 30, 20);
    kit.cylinder(kDark, Axis::Y, {0, 20, 0}, 2.5, 2.5, 12);
    kit.boxFromTo(kSilver, {-8, 10, -6.2}, {8, 11, 6.2});
}

Placement automobile(ModelKit& kit, int type) {
    Placement p;
    if (type == 0) { // sedan
        kit.boxFromTo(kRed, {-9, 2, -4.5}, {9, 6, 4.5});
        kit.boxFromTo(kRed, {-5, 6, -4}, {4, 9.5, 4});
        kit.boxFromTo(kGlass, {-4.5, 6.3, -4.1}, {3.5, 9, 4.1});
        p.front = 9;
        p.eyeY = 8;
        p.lampY = 4.5;
        p.lampZ = 3;
    } else if (type == 1) { // bus
        kit.boxFromTo(kCream, {-18, 2, -5.5}, {18, 14, 5.5});
        kit.boxFromTo(kGreen, {-18.2, 4, -5.7}, {18.2, 6, 5.7});
        windowsAlong(kit, -16, 14, 8, 12, 5.5, 7);
        kit.boxFromTo(kGlass, {18, 7, -4.5}, {18.3, 12.5, 4.5});
        p.front = 18;
        p.eyeY = 11;
        p.lampY = 4;
        p.lampZ = 4;
    } else { // truck
        kit.boxFromTo(kBlue, {8, 2, -5}, {15, 11, 5});
        kit.boxFromTo(kGlass, {15, 7, -4}, {15.3, 10, 4});
        kit.boxFromTo(kDark, {-15, 2, -4.5}, {8, 4, 4.5});
        kit.boxFromTo(kSilver, {-15, 4, -5.2}, {7, 13, 5.2});
        p.front = 15;
        p.eyeY = 10;
        p.lampY = 4;
        p.lampZ = 3.5;
    }
    return p;
}

// A straddle monorail car riding on its beam (kind 104) or a car hanging below it (kind 105).
Placement monorailCar(ModelKit& kit, bool suspended, bool front) {
    const Rgb livery = suspended ? kSkyBlue : kGreen;
    const double y0 = 8, y1 = 21;
    kit.boxFromTo(kWhite, {-20, y0, -7}, {front ? 14.0 : 20.0, y1, 7});
    kit.boxFromTo(livery, {-20, y0 + 2, -7.2}, {front ? 14.0 : 20.0, y0 + 4, 7.2});
    windowsAlong(kit, -18, front ? 12 : 18, 13, 17, 7, 5);
    if (front) {
        kit.wedge(kWhite, {14, y0, -7}, {22, y1, 7}, 7.0);
        kit.wedge(kGlass, {14, y1 - 5, -5}, {19, y1 + 0.2, 5}, 1.0);
    }
    if (suspended) {
        for (const double x : {-12.0, 12.0}) {
            kit.bar(kGrey, {x, y1, 0}, {x, y1 + 8, 0}, 2, 3);
            kit.box(kDark, {x, y1 + 9, 0}, {8, 3, 5});
        }
    } else {
        for (const double z : {-5.5, 5.5}) {
            kit.boxFromTo(livery, {-19, 1, z - 1.5}, {front ? 13.0 : 19.0, y0, z + 1.5}); // skirts
        }
    }
    Placement p;
    p.front = front ? 22 : 20;
    p.eyeY = 17;
    p.lampY = 11;
    p.lampZ = 4;
    return p;
}

struct Vehicle {
    VehicleSpec spec;
    std::function<Placement(ModelKit&)> build;
};

const std::vector<Vehicle>& vehicles() {
    static const std::vector<Vehicle> table = {
        {{"機関車/SL01.zn3", "steam locomotive with tender, black", 100, 1, 4, true, true, 1},
         [](ModelKit& k) { return steamLocomotive(k, kBlack, kRed, 22); }},
        {{"機関車/SL02.zn3", "steam locomotive with tender, green", 100, 1, 3, true, true, 1},
         [](ModelKit& k) { return steamLocomotive(k, kGreen, kBrass, 18); }},
        {{"機関車/EL01.zn3", "electric locomotive, two pantographs", 101, 2, 1, false, true, 2},
         [](ModelKit& k) { return electricLocomotive(k, kBlue, 2); }},
        {{"機関車/EL02.zn3", "electric locomotive, one pantograph", 101, 2, 2, false, true, 2},
         [](ModelKit& k) { return electricLocomotive(k, kBrownRed, 1); }},
        {{"電車/Shinkansen01Front.zn3", "high-speed train, front car", 101, 2, 1, false, true, 2},
         [](ModelKit& k) { return highSpeedCar(k, 1, false); }},
        {{"電車/Shinkansen02BoxCar.zn3", "high-speed train, middle car", 102, 2, 1, false, false,
          0},
         [](ModelKit& k) { return highSpeedCar(k, 0, true); }},
        {{"電車/Shinkansen03Back.zn3", "high-speed train, rear car", 101, 2, 1, false, true, 2},
         [](ModelKit& k) { return highSpeedCar(k, -1, false); }},
        {{"客車/PassengerCar01.zn3", "passenger car", 102, 3, 1, false, false, 0},
         [](ModelKit& k) { return passengerCar(k, kBrownRed, kCream, false); }},
        {{"客車/PassengerCar01Deck.zn3", "passenger car with open decks", 102, 3, 1, false, false,
          0},
         [](ModelKit& k) { return passengerCar(k, kBrownRed, kCream, true); }},
        {{"客車/PassengerCar02.zn3", "blue passenger car", 102, 3, 1, false, false, 0},
         [](ModelKit& k) { return passengerCar(k, kNavy, kWhite, false); }},
        {{"貨車/BoxCar01.zn3", "box wagon", 102, 2, 8, false, false, 0},
         [](ModelKit& k) {
             boxCar(k);
             return Placement{};
         }},
        {{"貨車/GondolaCar01.zn3", "open wagon", 102, 2, 8, false, false, 0},
         [](ModelKit& k) {
             gondola(k, false);
             return Placement{};
         }},
        {{"貨車/GondolaCar02.zn3", "open wagon with coal", 102, 2, 8, false, false, 0},
         [](ModelKit& k) {
             gondola(k, true);
             return Placement{};
         }},
        {{"貨車/OilTankCar01.zn3", "tank wagon", 102, 2, 8, false, false, 0},
         [](ModelKit& k) {
             tankCar(k);
             return Placement{};
         }},
        {{"自動車/Car01.zn3", "car", 103, 4, 8, false, false, 2},
         [](ModelKit& k) { return automobile(k, 0); }},
        {{"自動車/Bus01.zn3", "bus", 103, 4, 8, false, false, 2},
         [](ModelKit& k) { return automobile(k, 1); }},
        {{"自動車/Truck01.zn3", "truck", 103, 4, 8, false, false, 2},
         [](ModelKit& k) { return automobile(k, 2); }},
        {{"モノレール/Monorail01Front.zn3", "straddle monorail, front car", 104, 0, 0, false, true,
          2},
         [](ModelKit& k) { return monorailCar(k, false, true); }},
        {{"モノレール/Monorail01Car.zn3", "straddle monorail, middle car", 104, 0, 0, false, false,
          0},
         [](ModelKit& k) { return monorailCar(k, false, false); }},
        {{"モノレール/Monorail02Front.zn3", "suspended monorail, front car", 105, 0, 0, false, true,
          2},
         [](ModelKit& k) { return monorailCar(k, true, true); }},
        {{"モノレール/Monorail02Car.zn3", "suspended monorail, middle car", 105, 0, 0, false, false,
          0},
         [](ModelKit& k) { return monorailCar(k, true, false); }},
    };
    return table;
}

constexpr double kUnitsPerTile = 40.0;
// Where the speedometer panel stands from the driver's eye, in model units.
constexpr double kPanelAhead = 11.0;
constexpr double kPanelBelow = 4.6;
// The chase point, which loading also gives a rolling-stock file whose viewpoint 2 is zero.
constexpr Vec3d kChasePoint{1.5, 0.25, 0.0};

void fillHeader(items::C3DItemObject& item, const VehicleSpec& spec, const Placement& p) {
    item.setKind(spec.kind);
    const double t = kUnitsPerTile;
    item.setViewpoint(1, kChasePoint);
    const double seatX = p.cabFront != 0 ? p.cabFront - 1 : p.front - 4;
    if (p.front > 0) {
        item.setViewpoint(0, {seatX / t, p.eyeY / t - 0.5, p.eyeZ / t});
    }
    if (p.chimney.y > 0) {
        item.setViewpoint(2, {p.chimney.x / t, p.chimney.y / t, p.chimney.z / t});
    }
    if (spec.panel) {
        item.setVehicleCountValue(1);
        item.setVehicleFloatValue(0.0f);
        item.setBaseColour({200, 200, 190, 255});
        // The panel stands a little ahead of the driver's eye and below it, so that the cab
        // view sees its gauges at the bottom of the picture.
        item.setEyeOffset(
            {(seatX + kPanelAhead) / t - 0.3, (p.eyeY - kPanelBelow) / t - 0.75, p.eyeZ / t});
    }
    if (spec.lamps > 0) {
        item.setLampMask(1);
        item.setLampPosition(0, {p.front / t, p.lampY / t, p.lampZ / t});
        item.setLampSize(0, spec.lamps == 1 ? 1.2f : 0.8f);
        item.setLampColour(0, {255, 244, 214, 255});
        item.setLampMirrored(0, spec.lamps == 2);
    }
    if (spec.wheelModel != 0) {
        items::WheelRecord wheel;
        wheel.value1 = spec.wheelModel;
        wheel.value2 = spec.arrangement;
        wheel.value3 = spec.sideRods ? 1 : 0;
        item.setWheelRecord(wheel);
    }
}

} // namespace

const std::vector<VehicleSpec>& vehicleSpecs() {
    static const std::vector<VehicleSpec> specs = [] {
        std::vector<VehicleSpec> out;
        for (const Vehicle& v : vehicles()) {
            out.push_back(v.spec);
        }
        return out;
    }();
    return specs;
}

std::vector<GeneratedItem> vehicleFiles() {
    std::vector<GeneratedItem> files;
    for (const Vehicle& vehicle : vehicles()) {
        items::C3DItemObject item;
        ModelKit kit(*item.geometryRoot());
        const Placement placement = vehicle.build(kit);
        fillHeader(item, vehicle.spec, placement);
        files.push_back(
            finishItem(std::string(kTrainsFolder) + "/" + std::string(vehicle.spec.file), item,
                       ThumbnailView::ThreeQuarter));
    }
    return files;
}

} // namespace datagen
