#pragma once
#include "model/Geometry.h"

namespace model {

class CTrackItem;

// Orientation of a thing on a tile, read from how its rect touches the tile edges.
struct Orientation {
    double angle = 0;
    int mirror = 1; // −1: mirrored in x before turning by the angle
    friend bool operator==(const Orientation&, const Orientation&) = default;
};

// Common base of the things that sit on a tile (structures and control items): a hit rect in
// tile-local units that also encodes the orientation, and the owning tile.
class CTrackItemobject {
public:
    CTrackItemobject() = default;
    virtual ~CTrackItemobject() = default;
    CTrackItemobject(const CTrackItemobject&) = default;
    CTrackItemobject& operator=(const CTrackItemobject&) = default;

    LayoutRect getRect() const { return rect_; }
    void setRect(const LayoutRect& rect) { rect_ = rect; }
    // The owning tile while the tile registry holds it, else null.
    CTrackItem* owner() const;
    void setOwner(CTrackItem* tile) { owner_ = tile; }

    // Turns the rect about the tile centre: its bottom-left and top-right corners are rotated
    // with rounding and become the new (left, top) and (right, bottom).
    virtual void rotate(double degrees);
    virtual void mirrorLeftRight();
    virtual void mirrorTopBottom();
    void copyRectFrom(const CTrackItemobject& other) { rect_ = other.rect_; }
    Orientation orientation() const;
    static constexpr LayoutRect defaultRect() { return LayoutRect{0, 0, 39, 28}; }

protected:
    LayoutRect rect_ = defaultRect();
    CTrackItem* owner_ = nullptr;
};

// Orientation of any rect by the edge-contact table.
Orientation orientationOf(const LayoutRect& rect);

} // namespace model
