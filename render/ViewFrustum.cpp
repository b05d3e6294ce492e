#include "render/ViewFrustum.h"

#include <cmath>
#include <numbers>

namespace render {
namespace {

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 add(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 scale(const Vec3& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(const Vec3& a) {
    return std::sqrt(dot(a, a));
}

} // namespace

void ViewFrustum::build(const CameraPose& pose, double fieldOfView, double aspect, double nearPlane,
                        double farPlane) {
    keepsEverything_ = true;
    Vec3 forward = sub(pose.target, pose.eye);
    const double forwardLength = length(forward);
    Vec3 right = cross(forward, pose.up);
    const double rightLength = length(right);
    if (!(forwardLength > 0) || !(rightLength > 0) || !(aspect > 0) || !(fieldOfView > 0) ||
        !(fieldOfView < 180) || !(farPlane > nearPlane)) {
        return;
    }
    forward = scale(forward, 1 / forwardLength);
    right = scale(right, 1 / rightLength);
    const Vec3 up = cross(right, forward);
    const double halfV = std::tan(fieldOfView * std::numbers::pi / 360.0);
    const double halfH = halfV * aspect;

    auto plane = [&](const Vec3& normal, const Vec3& through) {
        const double n = length(normal);
        const Vec3 unit = scale(normal, 1 / n);
        return Plane{unit, -dot(unit, through)};
    };
    const Vec3& eye = pose.eye;
    planes_[0] = plane(forward, add(eye, scale(forward, nearPlane)));
    planes_[1] = plane(scale(forward, -1), add(eye, scale(forward, farPlane)));
    // Side planes pass through the eye; their normals lean inwards.
    planes_[2] = plane(add(right, scale(forward, halfH)), eye);            // left
    planes_[3] = plane(add(scale(right, -1), scale(forward, halfH)), eye); // right
    planes_[4] = plane(add(up, scale(forward, halfV)), eye);               // bottom
    planes_[5] = plane(add(scale(up, -1), scale(forward, halfV)), eye);    // top
    keepsEverything_ = false;
}

bool ViewFrustum::containsPoint(const Vec3& point) const {
    if (keepsEverything_) {
        return true;
    }
    for (const Plane& p : planes_) {
        if (dot(p.normal, point) + p.offset < 0) {
            return false;
        }
    }
    return true;
}

bool ViewFrustum::boxVisible(const std::array<Vec3, 8>& corners) const {
    if (keepsEverything_) {
        return true;
    }
    for (const Plane& p : planes_) {
        bool allOutside = true;
        for (const Vec3& c : corners) {
            if (dot(p.normal, c) + p.offset >= 0) {
                allOutside = false;
                break;
            }
        }
        if (allOutside) {
            return false;
        }
    }
    return true;
}

} // namespace render
