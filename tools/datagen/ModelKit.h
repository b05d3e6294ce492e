#pragma once
#include "image/Picture.h"
#include "items/C3DItemObject.h"
#include "items/geometry/C3DObject.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace datagen {

using items::Vec3d;

// An RGB colour with components 0 … 1.
struct Rgb {
    double r = 1.0;
    double g = 1.0;
    double b = 1.0;
};

// Builds geometry trees from simple solids. Every solid becomes one child node of the current
// group with its own colour and indexed face set; faces are triangles and quads wound
// counter-clockwise seen from outside, so that the face set's own normal rule gives outward
// normals. Points are shared only along smooth surfaces (the sides of cylinders, cones and
// spheres), so flat faces keep flat normals. Coordinates are model units (40 per tile edge),
// x forward, y up, z to the right of the direction of travel.
class ModelKit {
public:
    enum class Axis { X, Y, Z };

    explicit ModelKit(items::C3DObject& root);

    // Opens a group node at `translation` with `scale` below the current group; solids added
    // until endGroup() go into it.
    void beginGroup(const Vec3d& translation, const Vec3d& scale = {1.0, 1.0, 1.0});
    void endGroup();

    // An axis-aligned box.
    void box(Rgb colour, const Vec3d& centre, const Vec3d& size);
    // A box given by its minimum and maximum corner.
    void boxFromTo(Rgb colour, const Vec3d& min, const Vec3d& max);
    // A closed cylinder along `axis`, centred on `centre`.
    void cylinder(Rgb colour, Axis axis, const Vec3d& centre, double radius, double length,
                  int segments = 16);
    // A closed frustum (a cone when topRadius is 0) standing on `base` along +axis.
    void cone(Rgb colour, Axis axis, const Vec3d& base, double baseRadius, double topRadius,
              double height, int segments = 16);
    // A box whose top slopes along x: full height at min.x, `lowHeight` above min.y at max.x
    // (the other way round with `lowAtMin`).
    void wedge(Rgb colour, const Vec3d& min, const Vec3d& max, double lowHeight,
               bool lowAtMin = false);
    // A gable roof along x: a triangular prism over the rectangle min.x … max.x, min.z … max.z
    // at height `base`, its ridge `height` above.
    void roof(Rgb colour, const Vec3d& min, const Vec3d& max, double base, double height);
    // A bar of rectangular cross-section from `a` to `b`: `width` along (b − a) × z (× y for
    // bars along z), `depth` in the third direction. Nothing when a equals b.
    void bar(Rgb colour, const Vec3d& a, const Vec3d& b, double width, double depth);
    // A sphere of `rings` bands.
    void sphere(Rgb colour, const Vec3d& centre, double radius, int rings = 8);
    // A flat horizontal quad strip along a polyline at height y: `width` wide, `thickness`
    // thick (a box-like slab between consecutive points).
    void band(Rgb colour, const std::vector<Vec3d>& path, double width, double thickness);

    items::C3DObject& root() { return root_; }

private:
    struct Part {
        items::C3DObject* node;
        items::CIndexedFaceSet* faces;
        std::int32_t point(const Vec3d& p);
        void quad(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
        void triangle(std::int32_t a, std::int32_t b, std::int32_t c);
    };
    Part newPart(Rgb colour);

    items::C3DObject& root_;
    std::vector<items::C3DObject*> groups_;
};

// How a thumbnail looks at the model: straight down (x right, z down, as the layout view
// shows a tile) or from above at an angle, the front to the right.
enum class ThumbnailView { Top, ThreeQuarter };

// The x/z rectangle a top-view thumbnail spans; a tile by default.
struct ThumbnailFrame {
    double minX = 0.0;
    double minZ = 0.0;
    double maxX = 40.0;
    double maxZ = 40.0;
};

// Renders a geometry tree (node translations and scales applied) into a `size` × `size`
// 24-bit picture: orthographic, flat shaded, depth-tested, 2 × 2 supersampled, on a plain
// background. With a frame (top view only) the picture spans exactly that rectangle;
// otherwise the tree's extent fills the picture with a small margin. An empty tree gives the
// plain background. Sizes below 8 are taken as 8.
inline constexpr Rgb kThumbnailBackground{0.91, 0.92, 0.94};
image::Picture renderThumbnail(const items::C3DObject& root, ThumbnailView view, int size,
                               const ThumbnailFrame* frame = nullptr,
                               Rgb background = kThumbnailBackground);

// The thumbnail as PNG bytes.
std::vector<std::uint8_t> thumbnailPng(const items::C3DObject& root, ThumbnailView view,
                                       int size = 64, const ThumbnailFrame* frame = nullptr,
                                       Rgb background = kThumbnailBackground);

// The larger horizontal extent of a tree in tiles (40 model units per tile), the item size
// that draws the model at its modelled size; 1.0 for an empty tree.
float modelSizeInTiles(const items::C3DObject& root);

} // namespace datagen
