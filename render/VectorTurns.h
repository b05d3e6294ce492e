#pragma once
#include <cmath>
#include <numbers>

#include "render/Camera.h"

// Small vector helpers shared by the camera poses: sums, differences and right-handed turns
// about the axes, as glRotate makes them.
namespace render::turns {

inline double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

inline Vec3 add(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline Vec3 turnAboutX(const Vec3& v, double degrees) {
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    return {v.x, v.y * c - v.z * s, v.y * s + v.z * c};
}
inline Vec3 turnAboutY(const Vec3& v, double degrees) {
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    return {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
}
inline Vec3 turnAboutZ(const Vec3& v, double degrees) {
    const double c = std::cos(radians(degrees));
    const double s = std::sin(radians(degrees));
    return {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
}

} // namespace render::turns
