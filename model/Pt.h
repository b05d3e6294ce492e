#pragma once
#include <cstdint>

#include "model/Geometry.h"

namespace model {

inline constexpr float kHeightUnset = -100.0f;

// A point of a track line: integer tile-local (x, z), a stored height in levels (−100 when
// not set) and its 3D position in tile-local layout units (Y −100 until computed).
class Pt {
public:
    Pt() = default;
    Pt(int x, int z) : x(x), z(z), X(x), Z(z) {}

    Vec3d position3D() const { return Vec3d{X, Y, Z}; }

    // Turns both (x, z) and (X, Z) about the tile centre; results land on whole units.
    void rotate(double degrees);
    void mirrorLeftRight();
    void mirrorTopBottom();

    bool sameXZ(const Pt& other) const { return x == other.x && z == other.z; }

    std::int32_t x = 0;
    std::int32_t z = 0;
    float height = kHeightUnset;
    double X = 0;
    double Y = -100.0;
    double Z = 0;
};

} // namespace model
