#pragma once
#include <functional>

#include "render/SceneMetrics.h"

namespace render {

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;

    friend bool operator==(const Vec3&, const Vec3&) = default;
};

// The seven view modes of the 3D window.
enum CameraMode : int {
    ModeLayout = 0,
    ModeDriverSeat = 1,
    ModeLeftWindow = 2,
    ModeRightWindow = 3,
    ModeConductorRoom = 4,
    ModeWalk = 5,
    ModeChase = 6,
};

inline constexpr double kStandardFieldOfView = 42.0;
inline constexpr double kMinZoom = 1.0;
inline constexpr double kMaxZoom = 3.0;

// Where the camera stands, where it looks, and which way is up.
struct CameraPose {
    Vec3 eye;
    Vec3 target;
    Vec3 up{0, 1, 0};
};

// What choosing a mode needs to know about the layout.
struct CameraFacts {
    // The highest track layer that holds tiles (0 … 4).
    int highestLayer = 0;
    // The layout asks for the narrow view (standard view zoomed to 2).
    bool narrowView = false;
    // A camera train exists and its riding pose can be computed; without one the riding and
    // chase modes show the standard view.
    bool rideAvailable = false;
};

// The camera state of the renderer: mode, stored eye and target, the standard view's yaw and
// pitch, the riding and walking angles, field of view, aspect, near and far planes, zoom and
// the viewport. All angles are degrees.
struct CameraState {
    int mode = ModeLayout;
    Vec3 eye;
    Vec3 target;
    double layoutPitch = 0;
    double layoutYaw = 0;
    double ridePitch = 0;
    double rideYaw = 0;
    double fieldOfView = kStandardFieldOfView;
    double aspect = 1.0;
    double nearPlane = 0.1;
    double farPlane = 100.0;
    double zoom = 1.0;
    int viewportWidth = 1;
    int viewportHeight = 1;
};

// A whole-degree angle kept inside (−360, 360): the integer part of the angle, remainder 360
// with the sign of the angle (359 + 2 gives 1, −359 − 2 gives −1).
double wrapDegrees(double angle);

// The lowest near plane any mode uses: depth precision fails much closer than this.
inline double minimumNearPlane(const SceneMetrics& metrics) {
    return 0.01 * metrics.tileSize;
}

// Tests a walk pose and may correct it; true when accepted.
using WalkCheck = std::function<bool(CameraPose& pose)>;
// The terrain height under a point (x, z) of the board.
using GroundHeight = std::function<double(double x, double z)>;

// Where `point` appears in the viewport of `camera` seen from `pose`: pixels from the
// left and from the top. False when the point lies behind the eye, outside the near and far
// planes or outside the viewport.
bool screenPoint(const CameraPose& pose, const CameraState& camera, const Vec3& point, double& x,
                 double& y);

class Camera {
public:
    CameraState& state() { return state_; }
    const CameraState& state() const { return state_; }

    // Takes the viewport size (values below 1 count as 1) and the aspect from it.
    void setViewport(int width, int height);

    // Chooses a mode and builds its starting pose. Riding and chase modes without a camera
    // train, and any mode outside 0 … 6, become the standard view. With keepPose the eye,
    // target, field of view, aspect, planes, riding angles and zoom stay as they were.
    // `walkCheck` (may be empty) places the walker on a free spot.
    void setMode(int mode, const SceneMetrics& metrics, const CameraFacts& facts, bool keepPose,
                 const WalkCheck& walkCheck = {});

    // Sets the zoom (field of view 42 / zoom) and the planes of the mode; false, changing
    // nothing, unless 1 ≤ zoom ≤ 3.
    bool setZoom(double zoom, const SceneMetrics& metrics);
    // setZoom(zoom + step): a step that leaves 1 … 3 is ignored, not clamped.
    bool addZoom(double step, const SceneMetrics& metrics);

    // The standard view's angles, stored as whole degrees inside (−360, 360).
    void setLayoutYaw(double degrees) { state_.layoutYaw = wrapDegrees(degrees); }
    void setLayoutPitch(double degrees) { state_.layoutPitch = wrapDegrees(degrees); }

    // A held turn key: the standard view's yaw (turn keys) or pitch (forward and back keys)
    // changes by 2 degrees a poll, 6 with the run key; riding views change their ride angles.
    // Directions are −1, 0 or +1 (left / forward negative).
    void keyTurn(int yawDirection, int pitchDirection, bool run);
    // A mouse drag by (dx, dy) = last position − new position in a client area of the given
    // size: 90 degrees per shorter side, each angle step at most ±90 degrees.
    void dragTurn(int dx, int dy, int clientWidth, int clientHeight);

    // The pose of the current mode as the frame's look-at uses it. The standard view turns
    // the stored eye about the stored target: about the x axis by −pitch, then about the
    // vertical axis by −yaw, the up vector with it. The walk view applies and consumes the
    // walk yaw, tilts by the walk pitch and stands on the ground. Riding views use the
    // stored pose.
    CameraPose currentPose(const GroundHeight& groundHeight = {}, bool waterShown = false);

private:
    CameraState state_;
};

} // namespace render
