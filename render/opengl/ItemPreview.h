#pragma once
#include "items/geometry/GeometryTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace items {
class C3DItemObject;
}

namespace render::opengl {

// How an item preview looks at its model.
struct ItemView {
    int width = 640;
    int height = 480;
    // The camera turns about the vertical axis through the box centre: at yaw 0 it looks from
    // +z towards -z (x to the right, the side of a vehicle), positive yaw moves it towards +x.
    double yawDegrees = 30.0;
    // The camera's height angle above the box centre, -89 … 89 degrees.
    double pitchDegrees = 20.0;
};

// Largest width and height of a preview.
inline constexpr int kMaxPreviewSize = 2048;

// A perspective camera that frames a box: it looks at the box centre from the view's angles,
// from just far enough away that all eight corners lie inside the picture with a small margin.
struct ItemCamera {
    items::Vec3d eye;
    items::Vec3d target;
    items::Vec3d right; // unit vectors of the view
    items::Vec3d up;
    items::Vec3d forward; // from the eye towards the target
    double fovYDegrees = 30.0;
    double aspect = 1.0;
    double nearPlane = 0.1;
    double farPlane = 10.0;
    int width = 1;
    int height = 1;

    // The pixel a point falls on: x from the left, y from the top (fractions of a pixel); the
    // point must lie in front of the eye.
    std::pair<double, double> project(const items::Vec3d& point) const;
};

// The camera for a box and a view; nothing when the box is not finite or the view's size is
// outside 1 … kMaxPreviewSize.
std::optional<ItemCamera> frameBox(const items::BoundingBox& box, const ItemView& view);

// Sets up the current context for drawing with the camera: viewport, projection, look-at,
// the preview light, and the scene's drawing state (depth test, lighting, colour material,
// normalised normals, back faces culled, smooth shading); clears to the background.
void beginPreviewFrame(const ItemCamera& camera);

// An RGB picture, rows from the top, 3 bytes a pixel.
struct PreviewPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// The plain background colour of previews.
inline constexpr std::uint8_t kPreviewBackground[3] = {214, 222, 232};

// Whether the tree has anything to draw: a face set with a triangle or quad, a primitive, a
// DXF face or a RIB polygon record.
bool hasDrawableParts(const items::C3DItemObject& item);

// The box a preview frames: the item's bounding box at tile size 1, widened by its lamps.
items::BoundingBox previewBox(const items::C3DItemObject& item);

// Renders the item alone (with its lamp bodies) at tile size 1 through an offscreen context,
// lit by one light from above the viewer's left, on the plain background, framed by
// previewBox. Drawn at twice the size and averaged down, so edges are smooth. The same item
// and view give the same pixels. Nothing, with a one-line reason in `error`, when the view is
// invalid, the item cannot be framed or no GL context can be made.
std::optional<PreviewPicture> renderItemPreview(const items::C3DItemObject& item,
                                                const ItemView& view, std::string& error);

// The size of the drawing surface a preview of the view needs (it is drawn supersampled).
std::pair<int, int> previewDrawSize(const ItemView& view);
// Draws the preview as renderItemPreview does, but into the context current on the calling
// thread, whose drawing surface must be at least previewDrawSize; it reads the picture back
// from that surface. The context must offer the fixed-function pipeline.
std::optional<PreviewPicture> drawItemPreviewHere(const items::C3DItemObject& item,
                                                  const ItemView& view, std::string& error);

} // namespace render::opengl
