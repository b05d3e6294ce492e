#include "model/CTrackItemobject.h"

#include "model/TrackTiles.h"

namespace model {

CTrackItem* CTrackItemobject::owner() const {
    return validTile(owner_);
}

void CTrackItemobject::rotate(double degrees) {
    double left = rect_.left;
    double bottom = rect_.bottom;
    double right = rect_.right;
    double top = rect_.top;
    rotateAbout(left, bottom, kTileCentre, kTileCentre, degrees, true);
    rotateAbout(right, top, kTileCentre, kTileCentre, degrees, true);
    rect_.left = static_cast<std::int16_t>(left);
    rect_.top = static_cast<std::int16_t>(bottom);
    rect_.right = static_cast<std::int16_t>(right);
    rect_.bottom = static_cast<std::int16_t>(top);
}

void CTrackItemobject::mirrorLeftRight() {
    const auto left = rect_.left;
    rect_.left = static_cast<std::int16_t>(kTileEdge - rect_.right);
    rect_.right = static_cast<std::int16_t>(kTileEdge - left);
}

void CTrackItemobject::mirrorTopBottom() {
    const auto top = rect_.top;
    rect_.top = static_cast<std::int16_t>(kTileEdge - rect_.bottom);
    rect_.bottom = static_cast<std::int16_t>(kTileEdge - top);
}

Orientation CTrackItemobject::orientation() const {
    return orientationOf(rect_);
}

Orientation orientationOf(const LayoutRect& rect) {
    const int t = rect.top;
    const int l = rect.left;
    const int b = rect.bottom;
    const int r = rect.right;
    if (r == l || b == t) {
        return {0, 1};
    }
    if (l == 0 && t == 0 && b == 39) {
        return {0, 1};
    }
    if (r == 40 && t == 0 && l == 1) {
        return {-90, 1};
    }
    if (r == 40 && b == 40 && t == 1) {
        return {-180, 1};
    }
    if (l == 0 && b == 40 && r == 39) {
        return {-270, 1};
    }
    if (r == 40 && t == 0 && b == 39) {
        return {0, -1};
    }
    if (l == 0 && t == 0 && r == 39) {
        return {-90, -1};
    }
    if (l == 0 && b == 40 && t == 1) {
        return {-180, -1};
    }
    if (l == 1 && b == 40 && r == 40) {
        return {-270, -1};
    }
    return {0, 1};
}

} // namespace model
