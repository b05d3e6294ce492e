#pragma once
// Shared helpers of the item drawing tests: a small scene around one item, drawn offscreen,
// and the pixels read back with their rows from the top.
#include "items/C3DItemObject.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/ItemPreview.h"
#include "render/opengl/OffscreenContext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace itemtest {

using Rgb = std::array<int, 3>;

inline constexpr Rgb kBackground{render::opengl::kPreviewBackground[0],
                                 render::opengl::kPreviewBackground[1],
                                 render::opengl::kPreviewBackground[2]};

// Pixels read from a context, addressed with rows from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // rows from the bottom, as GL reads them

    Rgb at(int x, int yFromTop) const {
        const std::size_t offset =
            (static_cast<std::size_t>(height - 1 - yFromTop) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(x)) *
            4;
        return {rgba[offset], rgba[offset + 1], rgba[offset + 2]};
    }
};

inline Pixels readBack(const render::opengl::OffscreenContext& context) {
    return {context.width(), context.height(), context.readPixels()};
}

inline bool near(const Rgb& a, const Rgb& b, int tolerance) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(a[i] - b[i]) > tolerance) {
            return false;
        }
    }
    return true;
}

// The box grown about its centre by `factor` on every axis (at least `minimum` wide).
inline items::BoundingBox grown(const items::BoundingBox& box, double factor,
                                double minimum = 0.1) {
    items::BoundingBox out;
    const double c[3] = {(box.min.x + box.max.x) / 2, (box.min.y + box.max.y) / 2,
                         (box.min.z + box.max.z) / 2};
    const double h[3] = {std::max((box.max.x - box.min.x) * factor, minimum) / 2,
                         std::max((box.max.y - box.min.y) * factor, minimum) / 2,
                         std::max((box.max.z - box.min.z) * factor, minimum) / 2};
    out.min = {c[0] - h[0], c[1] - h[1], c[2] - h[2]};
    out.max = {c[0] + h[0], c[1] + h[1], c[2] + h[2]};
    return out;
}

// A camera that shows `box` in the middle of a width × height picture, looking from the
// view's angles at a region `zoomOut` times the box.
inline render::opengl::ItemCamera cameraAround(const items::BoundingBox& box, int width, int height,
                                               double yaw = 30.0, double pitch = 20.0,
                                               double zoomOut = 2.0) {
    render::opengl::ItemView view;
    view.width = width;
    view.height = height;
    view.yawDegrees = yaw;
    view.pitchDegrees = pitch;
    const auto camera = render::opengl::frameBox(grown(box, zoomOut), view);
    EXPECT_TRUE(camera.has_value());
    return camera.value_or(render::opengl::ItemCamera{});
}

// An item of one node whose face set is the square -1 … 1 in x and y at z = 0, facing +z.
inline std::unique_ptr<items::C3DItemObject> squareItem(std::array<double, 4> colour = {1, 1, 1,
                                                                                        1}) {
    auto item = std::make_unique<items::C3DItemObject>();
    items::C3DObject& node = item->geometryRoot()->createChild();
    auto faces = std::make_unique<items::CIndexedFaceSet>();
    for (const items::Vec3d& p : {items::Vec3d{-1, -1, 0}, items::Vec3d{1, -1, 0},
                                  items::Vec3d{1, 1, 0}, items::Vec3d{-1, 1, 0}}) {
        faces->addPoint(p);
    }
    for (int index : {0, 1, 2, 3, -1}) {
        faces->addCoordIndex(index);
    }
    node.setFaceSet(std::move(faces));
    for (int i = 0; i < 4; ++i) {
        node.setColourComponent(i, colour[static_cast<std::size_t>(i)]);
    }
    return item;
}

} // namespace itemtest
