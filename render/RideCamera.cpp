#include "render/RideCamera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "render/VectorTurns.h"

namespace render {
namespace {

using namespace turns;

// Tilts v up (positive degrees) or down in the vertical plane that holds it.
Vec3 tilt(const Vec3& v, double degrees) {
    const double horizontal = std::hypot(v.x, v.z);
    if (horizontal == 0) {
        return v;
    }
    const double angle = std::atan2(v.y, horizontal) + radians(degrees);
    const double length = std::hypot(horizontal, v.y);
    const double h = length * std::cos(angle);
    return {v.x / horizontal * h, length * std::sin(angle), v.z / horizontal * h};
}

} // namespace

void rideModelPoints(int mode, double rearX, const Vec3& seat, const Vec3& chasePoint, double m,
                     double tileSize, Vec3& eye, Vec3& target) {
    const double t = tileSize;
    eye = seat;
    target = seat;
    switch (mode) {
    case ModeLeftWindow:
        target.z -= m;
        break;
    case ModeRightWindow:
        target.z += m;
        break;
    case ModeConductorRoom:
        eye = {rearX + 0.15 * t, seat.y, seat.z};
        target = {eye.x - m, eye.y, eye.z};
        break;
    case ModeChase:
        if (chasePoint == Vec3{}) {
            eye = {};
            target = {-m, 0, 0};
        } else {
            eye = {rearX - std::fabs(chasePoint.x), chasePoint.y, chasePoint.z};
            target = {0, 0.3 * t, 0};
        }
        break;
    default: // the driver's seat
        target.x += m;
        break;
    }
}

bool ridePose(const RideInput& in, const GroundHeight& groundHeight, CameraPose& pose) {
    if (in.p1 == in.p2) {
        return false;
    }
    const double dx = in.p2.x - in.p1.x;
    const double dy = in.p2.y - in.p1.y;
    const double dz = in.p2.z - in.p1.z;
    const double horizontal = std::hypot(dx, dz);
    pose.up = {0, 1, 0};
    if (horizontal == 0) {
        pose.eye = {in.p1.x, 0.46875 * in.tileSize, in.p1.z};
        pose.target = add(pose.eye, {0.1, 0, 0});
        return true;
    }
    double yaw = std::atan2(dz, dx) * 180.0 / std::numbers::pi;
    double pitch = std::atan2(dy, horizontal) * 180.0 / std::numbers::pi;
    if (in.reversedRunning) {
        yaw -= 180.0;
        pitch = -pitch;
    }
    yaw = std::fmod(yaw, 360.0);
    pitch = std::fmod(pitch, 360.0);
    const double lift = in.lift;
    const auto place = [&](const Vec3& v) {
        return add(add(turnAboutY(turnAboutZ(v, pitch), -yaw), in.p1), {0, lift, 0});
    };
    Vec3 eye = place(in.eye);
    Vec3 target = place(in.target);
    const bool chase = in.mode == ModeChase;
    if (in.rideYaw != 0) {
        if (chase) {
            eye = add(target, turnAboutY(sub(eye, target), -in.rideYaw));
        } else {
            target = add(eye, turnAboutY(sub(target, eye), in.rideYaw));
        }
    }
    if (in.ridePitch != 0) {
        target = add(eye, tilt(sub(target, eye), -in.ridePitch));
    }
    if (chase && groundHeight) {
        // The chasing eye stays above the ground under it.
        const double ground = groundHeight(eye.x, eye.z);
        const double lowest = ground + 0.25 * in.tileSize;
        if (eye.y < lowest) {
            eye.y = std::clamp(lowest, 0.03125, std::max(in.extent, 0.03125));
        }
    }
    pose.eye = eye;
    pose.target = target;
    return true;
}

} // namespace render
