#include "model/TileBox.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/CTrackItem.h"
#include "model/TrackHeights.h"

namespace model {

namespace {

constexpr double kBedThird = 0.09375;
constexpr double kBedFourth = 0.78125;

// The union of the local bounds of all control items; empty when none has bounds.
SceneBox controlItemBounds(const CTrackItem& tile, double s) {
    SceneBox result;
    for (const auto& [kind, item] : tile.controlItems()) {
        SceneBox box;
        if (item->localBounds(s, box)) {
            mergeSceneBox(result, box);
        }
    }
    return result;
}

SceneBox placedBox(const SceneBox& box, const Orientation& orientation, TilePos pos, double s) {
    TileCorners corners = boxCorners(box);
    placeCorners(corners, orientation, pos, s);
    return boxAround(corners);
}

} // namespace

void mergeSceneBox(SceneBox& box, const SceneBox& other) {
    box.min.x = std::min(box.min.x, other.min.x);
    box.min.y = std::min(box.min.y, other.min.y);
    box.min.z = std::min(box.min.z, other.min.z);
    box.max.x = std::max(box.max.x, other.max.x);
    box.max.y = std::max(box.max.y, other.max.y);
    box.max.z = std::max(box.max.z, other.max.z);
}

TileCorners boxCorners(const SceneBox& b) {
    return TileCorners{Vec3d{b.min.x, b.min.y, b.min.z}, Vec3d{b.min.x, b.min.y, b.max.z},
                       Vec3d{b.max.x, b.min.y, b.max.z}, Vec3d{b.max.x, b.min.y, b.min.z},
                       Vec3d{b.min.x, b.max.y, b.min.z}, Vec3d{b.min.x, b.max.y, b.max.z},
                       Vec3d{b.max.x, b.max.y, b.max.z}, Vec3d{b.max.x, b.max.y, b.min.z}};
}

Vec3d turnAboutVertical(const Vec3d& p, double degrees) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    return Vec3d{p.x * c - p.z * s, p.y, p.z * c + p.x * s};
}

void placeCorners(TileCorners& corners, const Orientation& orientation, TilePos pos, double s) {
    const double cx = (pos.column + 0.5) * s;
    const double cz = (pos.row + 0.5) * s;
    for (Vec3d& c : corners) {
        if (orientation.angle != 0) {
            c = turnAboutVertical(c, -orientation.angle);
        }
        if (orientation.mirror == -1) {
            c.x = -c.x;
        }
        c.x += cx;
        c.z += cz;
    }
}

SceneBox boxAround(const TileCorners& corners) {
    SceneBox box;
    for (const Vec3d& c : corners) {
        mergeSceneBox(box, SceneBox{c, c});
    }
    return box;
}

bool CTrackItem::contentBox(double s, double h, TileCorners& corners, bool includeLines) const {
    SceneBox box;
    Orientation orientation;
    if (structure_) {
        SceneBox local;
        if (structure_->localBounds(s, local)) {
            mergeSceneBox(box, local);
        }
        orientation = structure_->orientation();
    } else if (!controlItems_.empty()) {
        mergeSceneBox(box, controlItemBounds(*this, s));
    }
    if (includeLines && lineCount() > 0) {
        double extra = 0;
        if (hasKind101()) {
            extra = kBedFourth * s;
        } else if (hasKind100()) {
            extra = kBedThird * s;
        }
        const double reach = hasLongDiagonal() ? 0.6 * s : 0.5 * s;
        const double margin = (0.1 * s + extra) / 2.0;
        for (const auto& line : lines()) {
            double a = 0;
            double b = 0;
            junctionHeights(*line, a, b);
            mergeSceneBox(box, SceneBox{{-reach, std::min(a, b) * h - margin, -reach},
                                        {reach, std::max(a, b) * h + margin, reach}});
        }
    }
    const bool found = !box.isEmpty();
    for (double* v : {&box.min.x, &box.min.y, &box.min.z, &box.max.x, &box.max.y, &box.max.z}) {
        if (std::abs(*v) == SceneBox::kEmptyLimit) {
            *v = 0;
        }
    }
    corners = boxCorners(box);
    placeCorners(corners, orientation, position_, s);
    return found;
}

bool CTrackItem::contentBoxes(double s, std::vector<ContentBox>& out) const {
    out.clear();
    const Orientation orientation = structure_ ? structure_->orientation() : Orientation{};
    if (structure_) {
        for (const ContentBox& part : structure_->partBoxes(s)) {
            out.push_back({part.id, placedBox(part.box, orientation, position_, s)});
        }
    }
    const SceneBox items = controlItemBounds(*this, s);
    if (!items.isEmpty()) {
        out.push_back({-1, placedBox(items, orientation, position_, s)});
    }
    return !out.empty();
}

} // namespace model
