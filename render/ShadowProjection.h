#pragma once
#include <array>
#include <optional>

#include "render/Camera.h"

namespace render {

// Lights closer to the shadow plane than this cast no shadows (the projection degenerates).
inline constexpr double kMinShadowLightHeight = 0.001;

// The point where the ray from the light through p meets the plane y = planeHeight:
// L + (p − L)(ly − h)/(ly − py). Empty when the light is not above the plane by
// kMinShadowLightHeight or p is not below the light.
std::optional<Vec3> projectShadowPoint(const Vec3& light, double planeHeight, const Vec3& p);

// The same projection as a 4 × 4 matrix in column-major order (for the model-view stack):
// points on the plane stay where they are. Empty when the light is not above the plane by
// kMinShadowLightHeight.
std::optional<std::array<double, 16>> shadowProjectionMatrix(const Vec3& light, double planeHeight);

} // namespace render
