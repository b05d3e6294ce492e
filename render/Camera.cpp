#include "render/Camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/VectorTurns.h"

namespace render {
namespace {

using namespace turns;

// Turns v about the unit axis a (Rodrigues).
Vec3 turnAbout(const Vec3& v, const Vec3& a, double degrees) {
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    const double dot = v.x * a.x + v.y * a.y + v.z * a.z;
    const Vec3 cross{a.y * v.z - a.z * v.y, a.z * v.x - a.x * v.z, a.x * v.y - a.y * v.x};
    return {v.x * c + cross.x * s + a.x * dot * (1 - c),
            v.y * c + cross.y * s + a.y * dot * (1 - c),
            v.z * c + cross.z * s + a.z * dot * (1 - c)};
}

bool isRidingMode(int mode) {
    return mode >= ModeDriverSeat && mode <= ModeConductorRoom;
}

} // namespace

double wrapDegrees(double angle) {
    if (!std::isfinite(angle)) {
        return 0.0;
    }
    return std::fmod(std::trunc(angle), 360.0) + 0.0;
}

bool screenPoint(const CameraPose& pose, const CameraState& camera, const Vec3& point, double& x,
                 double& y) {
    // The look-at frame: forward f, side s = f × up, true up u = s × f.
    const Vec3 f0 = sub(pose.target, pose.eye);
    const double fl = std::sqrt(f0.x * f0.x + f0.y * f0.y + f0.z * f0.z);
    if (!(fl > 0)) {
        return false;
    }
    const Vec3 f{f0.x / fl, f0.y / fl, f0.z / fl};
    Vec3 side{f.y * pose.up.z - f.z * pose.up.y, f.z * pose.up.x - f.x * pose.up.z,
              f.x * pose.up.y - f.y * pose.up.x};
    const double sl = std::sqrt(side.x * side.x + side.y * side.y + side.z * side.z);
    if (!(sl > 0)) {
        return false;
    }
    side = {side.x / sl, side.y / sl, side.z / sl};
    const Vec3 up{side.y * f.z - side.z * f.y, side.z * f.x - side.x * f.z,
                  side.x * f.y - side.y * f.x};
    const Vec3 d = sub(point, pose.eye);
    const double depth = d.x * f.x + d.y * f.y + d.z * f.z;
    if (depth < camera.nearPlane || depth > camera.farPlane) {
        return false;
    }
    const double tanHalf = std::tan(radians(camera.fieldOfView) / 2);
    if (!(tanHalf > 0) || !(camera.aspect > 0)) {
        return false;
    }
    const double nx =
        (d.x * side.x + d.y * side.y + d.z * side.z) / (depth * tanHalf * camera.aspect);
    const double ny = (d.x * up.x + d.y * up.y + d.z * up.z) / (depth * tanHalf);
    if (nx < -1 || nx > 1 || ny < -1 || ny > 1) {
        return false;
    }
    x = (nx + 1) / 2 * camera.viewportWidth;
    y = (1 - ny) / 2 * camera.viewportHeight;
    return true;
}

void Camera::setViewport(int width, int height) {
    state_.viewportWidth = std::max(width, 1);
    state_.viewportHeight = std::max(height, 1);
    state_.aspect = static_cast<double>(state_.viewportWidth) / state_.viewportHeight;
}

void Camera::setMode(int mode, const SceneMetrics& metrics, const CameraFacts& facts, bool keepPose,
                     const WalkCheck& walkCheck) {
    if (mode < ModeLayout || mode > ModeChase) {
        mode = ModeLayout;
    }
    if ((isRidingMode(mode) || mode == ModeChase) && !facts.rideAvailable) {
        mode = ModeLayout;
    }
    const CameraState kept = state_;
    CameraState& s = state_;
    s.mode = mode;
    s.eye = {};
    s.target = {};
    s.ridePitch = 0;
    s.rideYaw = 0;
    s.zoom = 1.0;
    s.aspect = static_cast<double>(s.viewportWidth) / s.viewportHeight;

    const double extent = metrics.maxExtent();
    if (mode == ModeWalk) {
        s.eye = {metrics.width / 2, metrics.tileSize / 2, metrics.depth};
        s.target = {metrics.width / 2, metrics.tileSize / 2, 0};
        s.fieldOfView = kStandardFieldOfView;
        if (walkCheck) {
            // Farther back, row by row, until the walker stands free.
            for (int i = metrics.rows; i <= 109; ++i) {
                CameraPose pose{s.eye, s.target, {0, 1, 0}};
                pose.eye.z = i * metrics.tileSize;
                if (walkCheck(pose)) {
                    s.eye = pose.eye;
                    s.target = pose.target;
                    break;
                }
            }
        }
    } else if (mode != ModeLayout) {
        s.fieldOfView = kStandardFieldOfView;
    }
    if (mode != ModeLayout) {
        s.nearPlane = 0.05 * metrics.tileSize;
        s.farPlane = 2 * metrics.farBase;
    } else {
        const int highest = std::clamp(facts.highestLayer, 0, 4);
        const double lift = std::max((highest - 1) * metrics.layerHeight, 0.0);
        s.eye = {metrics.centreX, extent + lift, extent};
        s.target = {metrics.centreX, lift, metrics.centreZ};
        s.zoom = facts.narrowView ? 2.0 : 1.0;
        s.fieldOfView = kStandardFieldOfView / s.zoom;
        s.nearPlane = metrics.minExtent() * 0.1;
        s.farPlane = metrics.farBase;
    }
    if (keepPose) {
        s.eye = kept.eye;
        s.target = kept.target;
        s.fieldOfView = kept.fieldOfView;
        s.aspect = kept.aspect;
        s.nearPlane = kept.nearPlane;
        s.farPlane = kept.farPlane;
        s.ridePitch = kept.ridePitch;
        s.rideYaw = kept.rideYaw;
        s.zoom = kept.zoom;
    }
    s.nearPlane = std::max(s.nearPlane, minimumNearPlane(metrics));
}

bool Camera::setZoom(double zoom, const SceneMetrics& metrics) {
    if (!(zoom >= kMinZoom && zoom <= kMaxZoom)) {
        return false;
    }
    CameraState& s = state_;
    s.zoom = zoom;
    s.fieldOfView = kStandardFieldOfView / zoom;
    s.aspect = static_cast<double>(s.viewportWidth) / s.viewportHeight;
    if (s.mode == ModeWalk) {
        s.nearPlane = metrics.tileSize * 0.01;
    } else if (s.mode == ModeLayout) {
        s.nearPlane = 0.05 * metrics.tileSize;
    } else {
        // Closer than a hundredth of a tile the depth buffer cannot tell surfaces apart.
        s.nearPlane = minimumNearPlane(metrics);
    }
    s.farPlane = s.mode == ModeLayout ? metrics.farBase : 2 * metrics.farBase;
    return true;
}

bool Camera::addZoom(double step, const SceneMetrics& metrics) {
    return setZoom(state_.zoom + step, metrics);
}

void Camera::keyTurn(int yawDirection, int pitchDirection, bool run) {
    const double step = run ? 6.0 : 2.0;
    const double yawStep = std::clamp(yawDirection, -1, 1) * step;
    const double pitchStep = std::clamp(pitchDirection, -1, 1) * step;
    CameraState& s = state_;
    if (s.mode == ModeLayout) {
        s.layoutYaw = wrapDegrees(s.layoutYaw + yawStep);
        s.layoutPitch = wrapDegrees(s.layoutPitch + pitchStep);
    } else if (isRidingMode(s.mode)) {
        s.rideYaw = wrapDegrees(s.rideYaw + yawStep);
        s.ridePitch = wrapDegrees(s.ridePitch + pitchStep);
    } else if (s.mode == ModeChase) {
        s.rideYaw = wrapDegrees(s.rideYaw + yawStep);
    }
}

void Camera::dragTurn(int dx, int dy, int clientWidth, int clientHeight) {
    const int shorter = std::min(clientWidth, clientHeight);
    if (shorter <= 0 || (dx == 0 && dy == 0)) {
        return;
    }
    const double scale = 90.0 / shorter;
    const double a = std::clamp(-scale * dx, -90.0, 90.0);
    const double b = std::clamp(-scale * dy, -90.0, 90.0);
    CameraState& s = state_;
    double& yaw = s.mode == ModeLayout ? s.layoutYaw : s.rideYaw;
    double& pitch = s.mode == ModeLayout ? s.layoutPitch : s.ridePitch;
    if (a != 0) {
        yaw = wrapDegrees(yaw + a);
    }
    if (b != 0) {
        pitch = wrapDegrees(pitch + b);
    }
}

CameraPose Camera::currentPose(const GroundHeight& groundHeight, bool waterShown) {
    CameraState& s = state_;
    CameraPose pose;
    if (s.mode == ModeLayout) {
        const Vec3 centre = s.target;
        Vec3 offset = sub(s.eye, centre);
        offset = turnAboutY(turnAboutX(offset, -s.layoutPitch), -s.layoutYaw);
        pose.eye = add(centre, offset);
        pose.target = centre;
        pose.up = turnAboutY(turnAboutX({0, 1, 0}, -s.layoutPitch), -s.layoutYaw);
        return pose;
    }
    if (s.mode == ModeWalk) {
        // The walk yaw turns the stored target once and is used up.
        if (s.rideYaw != 0) {
            s.target = add(s.eye, turnAboutY(sub(s.target, s.eye), s.rideYaw));
            s.rideYaw = 0;
        }
        Vec3 direction = sub(s.target, s.eye);
        if (s.ridePitch != 0) {
            Vec3 axis{-direction.z, 0, direction.x}; // horizontal, across the view
            const double length = std::hypot(axis.x, axis.z);
            if (length > 0) {
                axis = {axis.x / length, 0, axis.z / length};
                direction = turnAbout(direction, axis, -s.ridePitch);
            }
        }
        double ground = groundHeight ? groundHeight(s.eye.x, s.eye.z) : 0.0;
        if (ground < 0 && waterShown) {
            ground = 0;
        }
        pose.eye = {s.eye.x, s.eye.y + ground, s.eye.z};
        pose.target = add(pose.eye, direction);
        return pose;
    }
    pose.eye = s.eye;
    pose.target = s.target;
    return pose;
}

} // namespace render
