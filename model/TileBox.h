#pragma once
#include <array>
#include <vector>

#include "model/CTrackItemobject.h"
#include "model/Geometry.h"

namespace model {

// An axis-aligned box in scene units (one unit per tile edge, y up).
struct SceneBox {
    Vec3d min{kEmptyLimit, kEmptyLimit, kEmptyLimit};
    Vec3d max{-kEmptyLimit, -kEmptyLimit, -kEmptyLimit};

    static constexpr double kEmptyLimit = 100000.0;
    // True until something has been merged in.
    bool isEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    friend bool operator==(const SceneBox&, const SceneBox&) = default;
};

// Widens `box` to hold `other`; merging an empty box changes nothing.
void mergeSceneBox(SceneBox& box, const SceneBox& other);

// Eight corners of a tile box: the bottom face (min y), then the top face, each in the order
// (min x, min z), (min x, max z), (max x, max z), (max x, min z).
using TileCorners = std::array<Vec3d, 8>;
TileCorners boxCorners(const SceneBox& box);

// Turns a point about the vertical axis through the origin by `degrees` (same sense as the
// tile-local rotations: x' = x cos a − z sin a, z' = z cos a + x sin a).
Vec3d turnAboutVertical(const Vec3d& point, double degrees);

// Places a box built about the tile centre: every corner turned by −angle, mirrored in x
// for mirror −1, then moved to the centre of `pos` for a tile size `s`.
void placeCorners(TileCorners& corners, const Orientation& orientation, TilePos pos, double s);

// The axis-aligned box around placed corners.
SceneBox boxAround(const TileCorners& corners);

// One entry of a tile's content box list: a part of the structure's item model (its
// identifier from the model) or, with identifier −1, all control items together.
struct ContentBox {
    int id = 0;
    SceneBox box;
};

} // namespace model
