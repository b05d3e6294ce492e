// The camera's poses and planes, computed without a graphics context.
#include "render/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using render::Camera;
using render::CameraFacts;
using render::CameraPose;
using render::computeSceneMetrics;
using render::SceneMetrics;
using render::Vec3;

void expectNear(const Vec3& actual, const Vec3& expected, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-9) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-9) << what;
}

double distance(const Vec3& a, const Vec3& b) {
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

struct StandardViewCase {
    int columns;
    int rows;
    int highestLayer;
    bool narrow;
    // Expected, written out from the rules: m = max side, c = max((h − 1) × 1.2, 0).
    Vec3 eye;
    Vec3 target;
    double fov;
    double nearPlane;
    double farPlane;
};

TEST(Camera, StandardViewPoseFollowsBoardSizeAndHighestLayer) {
    const StandardViewCase cases[] = {
        {11, 11, 0, false, {5.5, 11, 11}, {5.5, 0, 5.5}, 42, 1.1, 1100},
        {22, 16, 0, false, {11, 22, 22}, {11, 0, 8}, 42, 1.6, 2200},
        {22, 16, 1, false, {11, 22, 22}, {11, 0, 8}, 42, 1.6, 2200},
        {16, 22, 2, false, {8, 23.2, 22}, {8, 1.2, 11}, 42, 1.6, 2200},
        {100, 100, 4, false, {50, 103.6, 100}, {50, 3.6, 50}, 42, 10, 10000},
        {11, 11, 0, true, {5.5, 11, 11}, {5.5, 0, 5.5}, 21, 1.1, 1100},
        {1, 999, 3, false, {0.5, 999 + 2.4, 999}, {0.5, 2.4, 499.5}, 42, 0.1, 99900},
    };
    for (const StandardViewCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << "x" << c.rows << " layer " << c.highestLayer
                                        << (c.narrow ? " narrow" : ""));
        const SceneMetrics metrics = computeSceneMetrics(c.columns, c.rows);
        Camera camera;
        camera.setViewport(640, 480);
        camera.setMode(render::ModeLayout, metrics, CameraFacts{c.highestLayer, c.narrow, false},
                       false);
        const auto& s = camera.state();
        EXPECT_EQ(s.mode, render::ModeLayout);
        expectNear(s.eye, c.eye, "stored eye");
        expectNear(s.target, c.target, "stored target");
        EXPECT_DOUBLE_EQ(s.fieldOfView, c.fov);
        EXPECT_NEAR(s.nearPlane, c.nearPlane, 1e-12);
        EXPECT_NEAR(s.farPlane, c.farPlane, 1e-9);
        EXPECT_DOUBLE_EQ(s.zoom, c.narrow ? 2.0 : 1.0);
        EXPECT_DOUBLE_EQ(s.aspect, 640.0 / 480.0);
        // Unturned, the frame looks from the stored eye.
        const CameraPose pose = camera.currentPose();
        expectNear(pose.eye, c.eye, "pose eye");
        expectNear(pose.target, c.target, "pose target");
        expectNear(pose.up, {0, 1, 0}, "pose up");
    }
}

TEST(Camera, YawAndPitchOrbitTheEyeAboutTheTarget) {
    const SceneMetrics metrics = computeSceneMetrics(11, 11);
    Camera camera;
    camera.setViewport(100, 100);
    camera.setMode(render::ModeLayout, metrics, {}, false);
    // The eye stands 5.5 in front of the centre and 11 above it.
    struct Turn {
        double yaw;
        double pitch;
        Vec3 eye;
        Vec3 up;
    };
    const Turn turns[] = {
        {0, 0, {5.5, 11, 11}, {0, 1, 0}},
        {90, 0, {0, 11, 5.5}, {0, 1, 0}},      // turned to the left side
        {180, 0, {5.5, 11, 0}, {0, 1, 0}},     // behind the board
        {-90, 0, {11, 11, 5.5}, {0, 1, 0}},    // the right side
        {0, 90, {5.5, 5.5, -5.5}, {0, 0, -1}}, // over the top: up follows the turn
    };
    for (const Turn& t : turns) {
        SCOPED_TRACE(testing::Message() << "yaw " << t.yaw << " pitch " << t.pitch);
        camera.setLayoutYaw(t.yaw);
        camera.setLayoutPitch(t.pitch);
        const CameraPose pose = camera.currentPose();
        expectNear(pose.eye, t.eye, "eye");
        expectNear(pose.target, {5.5, 0, 5.5}, "target");
        expectNear(pose.up, t.up, "up");
        EXPECT_NEAR(distance(pose.eye, pose.target), std::hypot(11.0, 5.5), 1e-9);
    }
}

TEST(Camera, AnglesAreWholeDegreesThatKeepTheirSign) {
    const std::pair<double, double> cases[] = {
        {359 + 2, 1}, {-359 - 2, -1}, {720, 0}, {45.9, 45}, {-45.9, -45}, {NAN, 0}, {INFINITY, 0},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_DOUBLE_EQ(render::wrapDegrees(in), out) << in;
    }
}

TEST(Camera, ModesWithoutACameraTrainOrOutOfRangeShowTheStandardView) {
    const SceneMetrics metrics = computeSceneMetrics(20, 10);
    for (int mode : {1, 2, 3, 4, 6, -1, 7, 1000}) {
        Camera camera;
        camera.setMode(mode, metrics, CameraFacts{0, false, false}, false);
        EXPECT_EQ(camera.state().mode, render::ModeLayout) << mode;
        expectNear(camera.state().eye, {10, 20, 20}, "standard eye");
    }
    for (int mode : {1, 2, 3, 4, 6}) {
        Camera camera;
        camera.setMode(mode, metrics, CameraFacts{0, false, true}, false);
        EXPECT_EQ(camera.state().mode, mode);
        EXPECT_DOUBLE_EQ(camera.state().fieldOfView, 42);
        EXPECT_DOUBLE_EQ(camera.state().nearPlane, 0.05);
        EXPECT_DOUBLE_EQ(camera.state().farPlane, 4000);
    }
}

TEST(Camera, WalkStartsAtTheFrontEdgeOrFartherBackWhenRefused) {
    const SceneMetrics metrics = computeSceneMetrics(20, 10);
    Camera camera;
    camera.setMode(render::ModeWalk, metrics, {}, false);
    expectNear(camera.state().eye, {10, 0.5, 10}, "walk eye");
    expectNear(camera.state().target, {10, 0.5, 0}, "walk target");
    EXPECT_DOUBLE_EQ(camera.state().fieldOfView, 42);

    // The first two rows in front are blocked: the walker stands at z = 12.
    Camera blocked;
    blocked.setMode(render::ModeWalk, metrics, {}, false,
                    [](CameraPose& pose) { return pose.eye.z >= 12; });
    expectNear(blocked.state().eye, {10, 0.5, 12}, "moved back");
}

TEST(Camera, ZoomAcceptsOneToThreeAndKeepsTheNearPlaneUsable) {
    const SceneMetrics metrics = computeSceneMetrics(11, 11);
    Camera camera;
    camera.setViewport(200, 100);
    camera.setMode(render::ModeLayout, metrics, {}, false);
    EXPECT_TRUE(camera.setZoom(2, metrics));
    EXPECT_DOUBLE_EQ(camera.state().fieldOfView, 21);
    EXPECT_DOUBLE_EQ(camera.state().nearPlane, 0.05);
    EXPECT_DOUBLE_EQ(camera.state().farPlane, 1100);
    for (double refused : {0.99, 3.01, -1.0, double(NAN)}) {
        EXPECT_FALSE(camera.setZoom(refused, metrics)) << refused;
        EXPECT_DOUBLE_EQ(camera.state().zoom, 2) << refused;
    }
    EXPECT_FALSE(camera.addZoom(1.06, metrics)) << "a step past 3 is ignored, not clamped";
    EXPECT_DOUBLE_EQ(camera.state().zoom, 2);
    EXPECT_TRUE(camera.addZoom(0.06, metrics));
    EXPECT_DOUBLE_EQ(camera.state().zoom, 2.06);

    // Riding modes would ask for a near plane of a thousandth of a tile; it stays at 0.01.
    camera.setMode(render::ModeDriverSeat, metrics, CameraFacts{0, false, true}, false);
    EXPECT_TRUE(camera.setZoom(1.5, metrics));
    EXPECT_GE(camera.state().nearPlane, 0.01);
    EXPECT_DOUBLE_EQ(camera.state().farPlane, 2200);
    camera.setMode(render::ModeWalk, metrics, {}, false);
    EXPECT_TRUE(camera.setZoom(3, metrics));
    EXPECT_DOUBLE_EQ(camera.state().nearPlane, 0.01);
    EXPECT_DOUBLE_EQ(camera.state().fieldOfView, 14);
}

TEST(Camera, KeepingThePoseRestoresEyeTargetAndPlanes) {
    const SceneMetrics metrics = computeSceneMetrics(11, 11);
    Camera camera;
    camera.setMode(render::ModeLayout, metrics, {}, false);
    camera.setZoom(3, metrics);
    camera.state().eye = {1, 2, 3};
    camera.setMode(render::ModeLayout, metrics, {}, true);
    expectNear(camera.state().eye, {1, 2, 3}, "kept eye");
    EXPECT_DOUBLE_EQ(camera.state().zoom, 3);
    EXPECT_DOUBLE_EQ(camera.state().fieldOfView, 14);
}

TEST(Camera, WalkYawTurnsTheTargetOnceAndPitchTilts) {
    const SceneMetrics metrics = computeSceneMetrics(20, 10);
    Camera camera;
    camera.setMode(render::ModeWalk, metrics, {}, false);
    camera.state().rideYaw = 90;
    CameraPose pose = camera.currentPose();
    // Looking along −z, a quarter turn to the left looks along −x.
    expectNear(pose.target, {0, 0.5, 10}, "turned target");
    EXPECT_DOUBLE_EQ(camera.state().rideYaw, 0) << "the yaw is used up";
    pose = camera.currentPose();
    expectNear(pose.target, {0, 0.5, 10}, "turned once only");

    camera.state().ridePitch = 90;
    pose = camera.currentPose();
    expectNear(pose.target, {10, 0.5 - 10, 10}, "looking straight down");

    camera.state().ridePitch = 0;
    pose = camera.currentPose([](double, double) { return -0.3; }, true);
    EXPECT_DOUBLE_EQ(pose.eye.y, 0.5) << "water holds the walker at 0";
    pose = camera.currentPose([](double, double) { return 0.7; }, true);
    EXPECT_DOUBLE_EQ(pose.eye.y, 1.2);
}

TEST(Camera, KeysAndDragsTurnTheStandardViewInWholeDegrees) {
    const SceneMetrics metrics = computeSceneMetrics(11, 11);
    Camera camera;
    camera.setMode(render::ModeLayout, metrics, {}, false);
    camera.keyTurn(+1, 0, false);
    EXPECT_DOUBLE_EQ(camera.state().layoutYaw, 2);
    camera.keyTurn(-1, -1, true);
    EXPECT_DOUBLE_EQ(camera.state().layoutYaw, -4);
    EXPECT_DOUBLE_EQ(camera.state().layoutPitch, -6);
    camera.setLayoutYaw(359);
    camera.keyTurn(+1, 0, false);
    EXPECT_DOUBLE_EQ(camera.state().layoutYaw, 1) << "359 + 2";

    // Dragging across the whole shorter side turns by 90 degrees; a drag is at most 90.
    struct Drag {
        int dx, dy, width, height;
        double yaw, pitch;
    };
    const Drag drags[] = {
        {-300, 0, 400, 300, 90, 0},  {0, 300, 400, 300, 0, -90}, {-150, 150, 400, 300, 45, -45},
        {-4000, 0, 400, 300, 90, 0}, {-7, 0, 400, 300, 2, 0}, // 2.1 degrees, kept whole
        {10, 10, 0, 300, 0, 0},                               // no client area
    };
    for (const Drag& d : drags) {
        camera.setLayoutYaw(0);
        camera.setLayoutPitch(0);
        camera.dragTurn(d.dx, d.dy, d.width, d.height);
        EXPECT_DOUBLE_EQ(camera.state().layoutYaw, d.yaw) << d.dx << "," << d.dy;
        EXPECT_DOUBLE_EQ(camera.state().layoutPitch, d.pitch) << d.dx << "," << d.dy;
    }

    // A riding view turns its own angles and leaves the standard view's alone.
    camera.setMode(render::ModeDriverSeat, metrics, CameraFacts{0, false, true}, false);
    camera.dragTurn(-300, 0, 400, 300);
    camera.keyTurn(0, +1, false);
    EXPECT_DOUBLE_EQ(camera.state().rideYaw, 90);
    EXPECT_DOUBLE_EQ(camera.state().ridePitch, 2);
    EXPECT_DOUBLE_EQ(camera.state().layoutYaw, 0);
}

} // namespace
