#include "render/ShadowProjection.h"

namespace render {

std::optional<Vec3> projectShadowPoint(const Vec3& light, double planeHeight, const Vec3& p) {
    const double d = light.y - planeHeight;
    const double below = light.y - p.y;
    if (!(d >= kMinShadowLightHeight) || !(below > 0)) {
        return std::nullopt;
    }
    const double t = d / below;
    return Vec3{light.x + (p.x - light.x) * t, planeHeight, light.z + (p.z - light.z) * t};
}

std::optional<std::array<double, 16>> shadowProjectionMatrix(const Vec3& light,
                                                             double planeHeight) {
    const double h = planeHeight;
    const double d = light.y - h;
    if (!(d >= kMinShadowLightHeight)) {
        return std::nullopt;
    }
    // Rows: x' w = d x − lx y + lx h; y' w = −h y + h ly; z' w = d z − lz y + lz h;
    // w = ly − y.
    return std::array<double, 16>{d,           0,           0,           0,        // column x
                                  -light.x,    -h,          -light.z,    -1,       // column y
                                  0,           0,           d,           0,        // column z
                                  light.x * h, h * light.y, light.z * h, light.y}; // column w
}

} // namespace render
