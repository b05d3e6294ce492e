#include "tools/datagen/TrackPieces.h"

#include "model/CTrackTypeItem.h"
#include "model/LineItem.h"

#include <cmath>
#include <functional>
#include <string>

namespace datagen {

namespace {

// Line flags (item value 1).
constexpr std::int32_t kStraight = 1 << 0;
constexpr std::int32_t kCurve = 1 << 1;
constexpr std::int32_t kTransition = 1 << 2;
constexpr std::int32_t kCornerCut = 1 << 3;
constexpr std::int32_t kTransition2 = 1 << 4;
constexpr std::int32_t kTurnStraight = 1 << 5;
constexpr std::int32_t kDiagonal = 1 << 6;
constexpr std::int32_t kTurnRoad = 1 << 7;
constexpr std::int32_t kTurnDiagonal = 1 << 8;

// Item flags (item value 2).
constexpr std::int32_t kPoint = 1 << 0;
constexpr std::int32_t kCrossing = 1 << 1;
constexpr std::int32_t kReversing = 1 << 2;
constexpr std::int32_t kFrame = 1 << 4;
constexpr std::int32_t kLevelCrossing = 1 << 5;
constexpr std::int32_t kStation1 = 1 << 6;
constexpr std::int32_t kStation2 = 1 << 7;
constexpr std::int32_t kStation3 = 1 << 8;
constexpr std::int32_t kPier(int type) {
    return 1 << (8 + type); // types 1 … 5: piers 310 … 314
}

constexpr Rgb kGrass{0.56, 0.68, 0.43};
constexpr Rgb kBallast{0.56, 0.53, 0.49};
constexpr Rgb kSleeper{0.3529, 0.1765, 0.1647};
constexpr Rgb kRail{0.42, 0.45, 0.55};
constexpr Rgb kAsphalt{0.3, 0.3, 0.32};
constexpr Rgb kRoadMark{0.95, 0.95, 0.9};
constexpr Rgb kBeam100{0.82, 0.81, 0.78};
constexpr Rgb kBeam101{0.45, 0.55, 0.72};
constexpr Rgb kPlatform{0.78, 0.77, 0.74};
constexpr Rgb kPlatformEdge{0.95, 0.8, 0.2};
constexpr Rgb kRed{0.85, 0.15, 0.12};
constexpr Rgb kWhite{0.95, 0.95, 0.95};
constexpr Rgb kBlack{0.1, 0.1, 0.1};
constexpr Rgb kYellow{0.98, 0.82, 0.1};
constexpr Rgb kOrange{0.95, 0.55, 0.1};
constexpr Rgb kBlue{0.15, 0.3, 0.7};
constexpr Rgb kLeaves{0.2, 0.5, 0.18};
constexpr Rgb kTrunk{0.4, 0.27, 0.15};
constexpr Rgb kWoodDark{0.1797, 0.15, 0.1125};
constexpr Rgb kWoodLight{0.4492, 0.375, 0.2813};

const std::vector<TrackPieceSpec> kPieces = {
    // Plain shapes.
    {"基本/Straight.zn3", "straight", 0, kStraight, 0, {1}, {}, 0},
    {"基本/Curve.zn3", "quarter curve", 0, kCurve, 0, {1}, {}, 0},
    {"基本/TransitionCurve.zn3", "transition curve to the corner", 0, kTransition, 0, {1}, {}, 0},
    {"基本/CornerCut.zn3", "corner cut", 0, kCornerCut, 0, {1}, {}, 0},
    {"基本/TransitionCurve2.zn3",
     "transition curve from the corner",
     0,
     kTransition2,
     0,
     {1},
     {},
     0},
    {"基本/LongDiagonal.zn3", "long diagonal", 0, kDiagonal, 0, {1}, {}, 0},
    {"基本/StraightKind1.zn3", "straight (model kind 1)", 1, 0, 0, {1}, {}, 9000},
    // Points: each shape pair in both hands.
    {"ポイント/PointLeft.zn3",
     "point, curve to the left",
     0,
     kStraight | kCurve,
     kPoint,
     {1, 1},
     {301},
     0},
    {"ポイント/PointRight.zn3",
     "point, curve to the right",
     0,
     kCurve | kTurnStraight,
     kPoint,
     {1, 1},
     {301},
     0},
    // Transition-curve points: the header can only turn a piece, not mirror it, so these
    // come in the hands their shapes give; the editor's mirror command makes the others.
    {"ポイント/PointTransitionA.zn3",
     "point: straight and transition curve to the corner",
     0,
     kStraight | kTransition,
     kPoint,
     {1, 1},
     {301},
     0},
    {"ポイント/PointTransitionB.zn3",
     "point: straight and transition curve from the corner",
     0,
     kStraight | kTransition2,
     kPoint,
     {1, 1},
     {301},
     0},
    {"ポイント/PointDiagonalA.zn3",
     "point: diagonal and transition curve from the corner",
     0,
     kTransition2 | kDiagonal,
     kPoint,
     {1, 1},
     {301},
     0},
    {"ポイント/PointDiagonalB.zn3",
     "point: diagonal and transition curve to the corner",
     0,
     kTransition | kDiagonal,
     kPoint,
     {1, 1},
     {301},
     0},
    // Crossings.
    {"交差/Crossing.zn3",
     "right-angle crossing",
     0,
     kStraight | kTurnStraight,
     kCrossing,
     {1, 1},
     {302},
     0},
    {"交差/CrossingDiagonal.zn3",
     "diagonal crossing",
     0,
     kStraight | kDiagonal,
     kCrossing,
     {1, 1},
     {302},
     0},
    {"交差/CrossingDiagonals.zn3",
     "crossing of two diagonals",
     0,
     kDiagonal | kTurnDiagonal,
     kCrossing,
     {1, 1},
     {302},
     0},
    // Stations, reversing point, level crossing, frame.
    {"駅/Station1.zn3", "station with name board", 0, kStraight, kStation1, {1}, {307}, 0},
    {"駅/Station2.zn3", "station platform", 0, kStraight, kStation2, {1}, {308}, 0},
    {"駅/Station3.zn3", "station with roof", 0, kStraight, kStation3, {1}, {309}, 0},
    {"設備/ReversingPoint.zn3", "reversing point", 0, kStraight, kReversing, {1}, {303}, 0},
    {"設備/BufferStop.zn3", "buffer stop (model kind 2)", 2, 0, 0, {1}, {303}, 9000},
    {"設備/LevelCrossing.zn3",
     "level crossing",
     0,
     kStraight | kTurnRoad,
     kLevelCrossing,
     {1, 2},
     {302, 306},
     0},
    {"設備/TrackFrame.zn3", "frame over the track", 0, kStraight, kFrame, {1}, {305}, 0},
    // Piers.
    {"橋脚/PierStoneWall.zn3", "pier: stone wall", 0, kStraight, kPier(1), {1}, {310}, 0},
    {"橋脚/PierConcrete1.zn3", "pier: concrete blocks", 0, kStraight, kPier(2), {1}, {311}, 0},
    {"橋脚/PierConcrete2.zn3", "pier: concrete column", 0, kStraight, kPier(3), {1}, {312}, 0},
    {"橋脚/PierIron.zn3", "pier: iron trestle", 0, kStraight, kPier(4), {1}, {313}, 0},
    {"橋脚/PierStoneArch.zn3", "pier: stone arch", 0, kStraight, kPier(5), {1}, {314}, 0},
    // Roads. The built-in combinations also set line flags, which lay kind-1 lines too.
    {"道路/Road.zn3", "road", 0, kTurnRoad, 0, {2}, {}, 0},
    {"道路/RoadStraight.zn3", "road with rails, straight", -125, 0, 0, {2, 1}, {}, 0},
    {"道路/RoadCurve.zn3", "road with rails, curve", -124, 0, 0, {2, 1}, {}, 0},
    {"道路/RoadBranch.zn3", "road junction", -123, 0, 0, {2, 2, 1, 1}, {301}, 0},
    {"道路/RoadFork.zn3", "road fork", -122, 0, 0, {2, 2, 1}, {}, 0},
    {"道路/RoadCross.zn3", "road crossroads", -121, 0, 0, {2, 2, 1}, {302}, 0},
    // Monorails.
    {"モノレール/MonorailBothStraight.zn3",
     "both monorails, straight",
     -90,
     0,
     0,
     {100, 101, 1},
     {},
     0},
    {"モノレール/MonorailBothCurve.zn3", "both monorails, curve", -89, 0, 0, {100, 101, 1}, {}, 0},
    {"モノレール/MonorailBothPoint.zn3",
     "both monorails, point",
     -88,
     0,
     0,
     {100, 100, 101, 101, 1, 1},
     {301},
     0},
    {"モノレール/MonorailStraight.zn3", "monorail, straight", -87, 0, 0, {101, 1}, {}, 0},
    {"モノレール/MonorailCurve.zn3", "monorail, curve", -86, 0, 0, {101, 1}, {}, 0},
    {"モノレール/MonorailPoint.zn3", "monorail, point", -85, 0, 0, {101, 101, 1, 1}, {301}, 0},
    // Built-in structures.
    {"その他/BuiltinTree.zn3", "tree", -128, 0, 0, {}, {}, 200},
    {"その他/BuiltinWoodenStructure.zn3", "wooden structure", -127, 0, 0, {}, {}, 201},
    {"その他/BuiltinBushes.zn3", "bushes", -126, 0, 0, {}, {}, 202},
};

// --- Thumbnail scene ---

std::vector<Vec3d> linePath(const model::LineItem& line, double y) {
    std::vector<Vec3d> path;
    for (const model::Pt& p : line.points()) {
        path.push_back({static_cast<double>(p.x), y, static_cast<double>(p.z)});
    }
    return path;
}

// The polyline moved sideways by `offset` (to the right of its direction).
std::vector<Vec3d> offsetPath(const std::vector<Vec3d>& path, double offset) {
    std::vector<Vec3d> out;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const Vec3d& a = path[i == 0 ? 0 : i - 1];
        const Vec3d& b = path[i + 1 < path.size() ? i + 1 : i];
        double dx = b.x - a.x, dz = b.z - a.z;
        const double length = std::hypot(dx, dz);
        if (length > 0.0) {
            dx /= length;
            dz /= length;
        }
        out.push_back({path[i].x - dz * offset, path[i].y, path[i].z + dx * offset});
    }
    return out;
}

// Points every `step` units along a polyline, with the direction there.
void alongPath(const std::vector<Vec3d>& path, double step,
               const std::function<void(const Vec3d&, double, double)>& visit) {
    double carried = step / 2;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        const Vec3d& a = path[i];
        const Vec3d& b = path[i + 1];
        const double length = std::hypot(b.x - a.x, b.z - a.z);
        if (length <= 0.0) {
            continue;
        }
        const double dx = (b.x - a.x) / length, dz = (b.z - a.z) / length;
        double at = carried;
        for (; at < length; at += step) {
            visit({a.x + dx * at, a.y, a.z + dz * at}, dx, dz);
        }
        carried = at - length;
    }
}

void drawLine(ModelKit& kit, const model::LineItem& line) {
    const int kind = line.getKind();
    if (kind == model::LineKindTrack) {
        const auto centre = linePath(line, 0.0);
        kit.band(kBallast, centre, 15.0, 0.6);
        alongPath(centre, 3.3, [&](const Vec3d& p, double dx, double dz) {
            kit.bar(kSleeper, {p.x + dz * 6.5, 0.6, p.z - dx * 6.5},
                    {p.x - dz * 6.5, 0.6, p.z + dx * 6.5}, 1.6, 0.8);
        });
        for (const double side : {-5.0, 5.0}) {
            kit.band(kRail, offsetPath(linePath(line, 1.2), side), 1.3, 1.0);
        }
    } else if (kind >= 2 && kind <= 4) {
        const auto centre = linePath(line, 0.0);
        kit.band(kAsphalt, centre, 24.0, 0.4);
        alongPath(centre, 6.0, [&](const Vec3d& p, double dx, double dz) {
            kit.bar(kRoadMark, {p.x - dx * 1.6, 0.5, p.z - dz * 1.6},
                    {p.x + dx * 1.6, 0.5, p.z + dz * 1.6}, 1.0, 0.2);
        });
    } else {
        const Rgb beam = kind == model::LineKindThird ? kBeam100 : kBeam101;
        const double y = kind == model::LineKindThird ? 2.0 : 3.0;
        kit.band(beam, linePath(line, y), kind == model::LineKindThird ? 7.0 : 5.0, 3.0);
    }
}

void drawControlItem(ModelKit& kit, int kind, const model::LayoutRect& rect) {
    const double x0 = rect.left, x1 = rect.right, z0 = rect.top, z1 = rect.bottom;
    const double xm = (x0 + x1) / 2, zm = (z0 + z1) / 2;
    switch (kind) {
    case 301:
        kit.box(kWhite, {xm, 3, zm}, {4, 2, 4});
        kit.box(kRed, {xm, 4.5, zm}, {2.5, 1, 2.5});
        break;
    case 302:
        kit.bar(kBlack, {xm - 3, 4, zm - 3}, {xm + 3, 4, zm + 3}, 1.2, 0.5);
        kit.bar(kWhite, {xm - 3, 4.6, zm + 3}, {xm + 3, 4.6, zm - 3}, 1.2, 0.5);
        break;
    case 303:
        kit.boxFromTo(kRed, {x0 + 2, 2, z0}, {x1, 5, z1});
        kit.boxFromTo(kWhite, {x0 + 3, 5, z0 + 2}, {x1 - 1, 6, z1 - 2});
        break;
    case 305:
        kit.bar(kOrange, {x0, 5, z0}, {x1, 5, z0}, 1.2, 1.0);
        kit.bar(kOrange, {x0, 5, z1}, {x1, 5, z1}, 1.2, 1.0);
        kit.bar(kOrange, {x0, 5, z0}, {x0, 5, z1}, 1.2, 1.0);
        kit.bar(kOrange, {x1, 5, z0}, {x1, 5, z1}, 1.2, 1.0);
        break;
    case 306:
        for (const double x : {x0, x1}) {
            for (int i = 0; i < 6; ++i) {
                const double a = z0 + (z1 - z0) * i / 6, b = z0 + (z1 - z0) * (i + 1) / 6;
                kit.bar(i % 2 == 0 ? kYellow : kBlack, {x, 5, a}, {x, 5, b}, 1.6, 1.0);
            }
        }
        break;
    case 307:
    case 308:
    case 309:
        kit.boxFromTo(kPlatform, {x0, 0, z0}, {x1, 3, z0 + (z1 - z0) * 0.5});
        kit.boxFromTo(kPlatformEdge, {x0, 3, z0 + (z1 - z0) * 0.5 - 1},
                      {x1, 3.2, z0 + (z1 - z0) * 0.5});
        if (kind == 307) {
            kit.boxFromTo(kBlue, {xm - 5, 3, z0 + 2}, {xm + 5, 8, z0 + 3});
        } else if (kind == 309) {
            kit.roof(kWoodLight, {x0 + 4, 0, z0}, {x1 - 4, 0, z0 + (z1 - z0) * 0.45}, 9, 2.5);
        }
        break;
    default:
        if (kind == 304 || (kind >= 310 && kind <= 315)) {
            static constexpr Rgb kPierColours[] = {
                {0.62, 0.58, 0.52}, {0.62, 0.58, 0.52}, {0.76, 0.76, 0.74}, {0.7, 0.7, 0.68},
                {0.35, 0.4, 0.5},   {0.66, 0.52, 0.42}, {0.3, 0.35, 0.45}};
            const Rgb colour = kPierColours[kind == 304 ? 0 : kind - 309];
            kit.boxFromTo(colour, {x0 - 6, -2, z0 - 4}, {x1 + 6, -0.1, z1 + 4});
        }
        break;
    }
}

void drawBuiltinStructure(ModelKit& kit, int category) {
    if (category == 200) {
        kit.cylinder(kTrunk, ModelKit::Axis::Y, {20, 3, 20}, 2.0, 6.0, 8);
        kit.cone(kLeaves, ModelKit::Axis::Y, {20, 5, 20}, 14.0, 0.0, 26.0, 12);
    } else if (category == 201) {
        kit.boxFromTo(kWoodDark, {4, 0, 6}, {30, 14, 34});
        kit.roof(kWoodLight, {2, 0, 4}, {32, 0, 36}, 14, 8);
    } else if (category == 202) {
        for (const Vec3d& c : {Vec3d{14, 4, 14}, Vec3d{27, 5, 17}, Vec3d{19, 4, 27}}) {
            kit.sphere({0.25, 0.55, 0.22}, c, 8.0, 6);
        }
    }
}

// A buffer stop at the right end of the tile, for the piece of model kind 2.
void bufferStop(ModelKit& kit) {
    kit.boxFromTo({0.35, 0.3, 0.25}, {32, 0, 10}, {38, 3, 30});
    kit.wedge(kRed, {30, 3, 12}, {37, 9, 28}, 0.0);
    kit.boxFromTo(kWhite, {30, 8, 14}, {31.5, 10, 26});
}

// The entry the catalogue makes of the header values, for the thumbnail.
std::unique_ptr<model::CTrackTypeItem> entryFor(const TrackPieceSpec& spec) {
    auto entry = std::make_unique<model::CTrackTypeItem>(model::kPieceFromItemModel);
    std::int32_t lineFlags = spec.lineFlags;
    if (spec.kind < 0) {
        lineFlags |= entry->applyBuiltinCombination(spec.kind);
    } else if (spec.kind >= 1) {
        entry->addShape(1, model::LineKindTrack);
        if (spec.kind == 2) {
            entry->addControlItem(303);
        }
    }
    entry->applyLineFlags(lineFlags);
    entry->applyItemFlags(spec.itemFlags);
    return entry;
}

} // namespace

const std::vector<TrackPieceSpec>& trackPieceSpecs() {
    return kPieces;
}

std::vector<GeneratedItem> trackPieceFiles() {
    std::vector<GeneratedItem> files;
    for (const TrackPieceSpec& spec : kPieces) {
        items::C3DItemObject item;
        item.setKind(spec.kind);
        item.setItemValues(spec.lineFlags, spec.itemFlags);
        const bool withModel = spec.kind == 1 || spec.kind == 2;
        if (withModel) {
            // The model is drawn about the tile centre: a group moves tile-local units there.
            ModelKit model(*item.geometryRoot());
            model.beginGroup({-20, 0, -20});
            if (spec.kind == 2) {
                bufferStop(model);
            } else {
                model.boxFromTo({0.5, 0.5, 0.5}, {0, 0, 30}, {40, 1, 32}); // a kerb
            }
            model.endGroup();
        }

        items::C3DObject scene;
        ModelKit kit(scene);
        const auto entry = entryFor(spec);
        for (const auto& [kind, control] : entry->controlItems()) {
            if (kind == 304 || kind >= 310) {
                drawControlItem(kit, kind, control->getRect());
            }
        }
        for (const auto& line : entry->lines()) {
            drawLine(kit, *line);
        }
        for (const auto& [kind, control] : entry->controlItems()) {
            if (kind != 304 && kind < 310) {
                drawControlItem(kit, kind, control->getRect());
            }
        }
        if (const model::CTrackStructureItem* structure = entry->getStructure();
            structure != nullptr && spec.kind < 0) {
            drawBuiltinStructure(kit, structure->getCategory());
        }
        if (spec.kind == 2) {
            bufferStop(kit);
        } else if (spec.kind == 1) {
            kit.boxFromTo({0.5, 0.5, 0.5}, {0, 0, 30}, {40, 1, 32});
        }
        const ThumbnailFrame tile;
        item.setThumbnail(thumbnailPng(scene, ThumbnailView::Top, 64, &tile, kGrass));
        files.push_back(finishItem(std::string(kTrackFolder) + "/" + std::string(spec.file), item,
                                   ThumbnailView::Top, withModel));
    }
    return files;
}

} // namespace datagen
