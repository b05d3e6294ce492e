// What a camera pose sees.
#include "render/ViewFrustum.h"

#include <gtest/gtest.h>

namespace {

using render::CameraPose;
using render::Vec3;
using render::ViewFrustum;

// A box from (x0, y0, z0) to (x1, y1, z1) as its eight corners.
std::array<Vec3, 8> box(double x0, double y0, double z0, double x1, double y1, double z1) {
    return {Vec3{x0, y0, z0}, {x1, y0, z0}, {x0, y1, z0}, {x1, y1, z0},
            {x0, y0, z1},     {x1, y0, z1}, {x0, y1, z1}, {x1, y1, z1}};
}

TEST(ViewFrustum, KeepsWhatTheCameraSeesAndDropsTheRest) {
    // From z = 10 towards the origin, 90 degrees high and wide, near 1, far 100: at the
    // origin the view reaches 10 to each side.
    ViewFrustum frustum;
    frustum.build(CameraPose{{0, 0, 10}, {0, 0, 0}, {0, 1, 0}}, 90, 1, 1, 100);
    const std::pair<Vec3, bool> points[] = {
        {{0, 0, 0}, true},   {{9, 0, 0}, true},    {{-9, 9, 0}, true},
        {{11, 0, 0}, false}, {{0, -11, 0}, false}, {{0, 0, 9.5}, false}, // nearer than 1
        {{0, 0, 11}, false},                                             // behind the eye
        {{0, 0, -89}, true}, {{0, 0, -91}, false},                       // beyond the far plane
    };
    for (const auto& [point, inside] : points) {
        EXPECT_EQ(frustum.containsPoint(point), inside)
            << point.x << "," << point.y << "," << point.z;
    }
    EXPECT_TRUE(frustum.boxVisible(box(-0.5, -0.5, -0.5, 0.5, 0.5, 0.5)));
    EXPECT_TRUE(frustum.boxVisible(box(9.5, 0, -0.5, 10.5, 1, 0.5))) << "straddles the edge";
    EXPECT_TRUE(frustum.boxVisible(box(-1000, -1, -1, 1000, 1, 1))) << "spans the view";
    EXPECT_FALSE(frustum.boxVisible(box(20, 0, 0, 30, 1, 1))) << "off to the right";
    EXPECT_FALSE(frustum.boxVisible(box(-1, -1, 20, 1, 1, 30))) << "behind";

    // A wider picture sees farther to the sides but not higher.
    frustum.build(CameraPose{{0, 0, 10}, {0, 0, 0}, {0, 1, 0}}, 90, 2, 1, 100);
    EXPECT_TRUE(frustum.containsPoint({19, 0, 0}));
    EXPECT_FALSE(frustum.containsPoint({0, 11, 0}));
}

TEST(ViewFrustum, ADegeneratePoseKeepsEverything) {
    ViewFrustum frustum;
    frustum.build(CameraPose{{1, 2, 3}, {1, 2, 3}, {0, 1, 0}}, 42, 1, 0.1, 10);
    EXPECT_TRUE(frustum.containsPoint({1000, 0, 0}));
    frustum.build(CameraPose{{0, 10, 0}, {0, 0, 0}, {0, 1, 0}}, 42, 1, 0.1, 10); // up along view
    EXPECT_TRUE(frustum.boxVisible(box(500, 0, 0, 501, 1, 1)));
}

} // namespace
