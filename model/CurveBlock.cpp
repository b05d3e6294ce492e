#include "model/CurveBlock.h"

#include <cmath>

namespace model {

namespace {

struct Canonical {
    double sx, sz, ex, ez;
};

// Integer canonical end points (a diagonal exit stored as 4) for fitting.
constexpr Canonical kCanonicalEnds[7] = {
    {0, 0, 0, 0}, {0, 20, 40, 20}, {0, 20, 20, 0}, {0, 20, 40, 4},
    {0, 4, 4, 0}, {4, 40, 40, 20}, {4, 40, 40, 4},
};

double sweepOfShape3() {
    return 90.0 - std::atan2(kDiagonalExit + 40.0, 40.0) * 180.0 / 3.14159265358979323846;
}

struct Shape5Arc {
    double cx, cz, start, sweep;
};

// The shape-5 arc: radius 62 through (c, 40) and (40, 20), centre towards +x and +z.
const Shape5Arc& shape5Arc() {
    static const Shape5Arc arc = [] {
        const double ax = kDiagonalExit, az = 40.0, bx = 40.0, bz = 20.0;
        const double mx = (ax + bx) / 2, mz = (az + bz) / 2;
        const double dx = bx - ax, dz = bz - az;
        const double length = std::sqrt(dx * dx + dz * dz);
        const double d = length / 2;
        double nx = -dz / length, nz = dx / length;
        if (nx < 0 || nz < 0) {
            nx = -nx;
            nz = -nz;
        }
        const double h = std::sqrt(62.0 * 62.0 - d * d);
        Shape5Arc result{mx + h * nx, mz + h * nz, 0, 0};
        const double toA = directionAngle(result.cx, result.cz, ax, az);
        const double toB = directionAngle(result.cx, result.cz, bx, bz);
        result.start = toA + 90.0;
        result.sweep = std::fabs(toB - toA);
        return result;
    }();
    return arc;
}

void transformPoint(double& x, double& z, double rotation, double mirrorX, double mirrorZ) {
    if (rotation != 0) {
        rotateAbout(x, z, kTileCentre, kTileCentre, -rotation, false);
    }
    if (mirrorX < 0) {
        x = kTileEdge - x;
    }
    if (mirrorZ < 0) {
        z = kTileEdge - z;
    }
}

double polylineLength(const std::vector<Pt>& points) {
    double length = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        length += std::hypot(points[i].x - points[i - 1].x, points[i].z - points[i - 1].z);
    }
    return length;
}

} // namespace

bool CurveBlock::build(int shape, const std::vector<Pt>& points, CurveBlock& out) {
    out = CurveBlock{};
    out.length = polylineLength(points);
    if (shape < 1 || shape > 6 || points.size() < 2) {
        return false;
    }
    const double c = kDiagonalExit;
    const double a3 = sweepOfShape3();
    switch (shape) {
    case 1:
        out = CurveBlock{0, 0, 20, 40, 0, 20, 9, 40.0};
        break;
    case 2:
        out = CurveBlock{0, 0, 20, 20, 0, 0, 9, arcLength(20, 90), 0, 0, 0, 20, 90, 180, 90};
        break;
    case 3:
        out =
            CurveBlock{0, 0, 20, 40, 0, c, 9, arcLength(60, a3), 0, 0, -40, 60, a3, 180, 180 - a3};
        break;
    case 4: {
        const double sweep = 90.0 - 2.0 * a3;
        out = CurveBlock{0,
                         0,
                         c,
                         c,
                         0,
                         0,
                         2,
                         arcLength(60, sweep),
                         -40,
                         0,
                         -40,
                         60,
                         sweep,
                         180 - a3,
                         180 - a3 - sweep};
        break;
    }
    case 5: {
        const Shape5Arc& arc = shape5Arc();
        out = CurveBlock{c,
                         0,
                         40,
                         40,
                         0,
                         20,
                         9,
                         arcLength(62, arc.sweep),
                         arc.cx,
                         0,
                         arc.cz,
                         62,
                         arc.sweep,
                         arc.start,
                         arc.start + arc.sweep};
        break;
    }
    case 6:
        out = CurveBlock{c, 0, 40, 40, 0, c, 12, (40.0 - c) * std::sqrt(2.0)};
        break;
    }
    const Canonical& ends = kCanonicalEnds[shape];
    static constexpr double mirrors[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    static constexpr double rotations[4] = {0, 90, -90, 180};
    for (bool reversed : {false, true}) {
        const Pt& first = reversed ? points.back() : points.front();
        const Pt& last = reversed ? points.front() : points.back();
        for (const auto& mirror : mirrors) {
            if (shape == 1 && (mirror[0] < 0 || mirror[1] < 0)) {
                break;
            }
            for (double rotation : rotations) {
                double sx = ends.sx, sz = ends.sz, ex = ends.ex, ez = ends.ez;
                transformPoint(sx, sz, rotation, mirror[0], mirror[1]);
                transformPoint(ex, ez, rotation, mirror[0], mirror[1]);
                if (std::lround(sx) == first.x && std::lround(sz) == first.z &&
                    std::lround(ex) == last.x && std::lround(ez) == last.z) {
                    out.rotation = rotation;
                    out.mirrorX = mirror[0];
                    out.mirrorZ = mirror[1];
                    out.reversed = reversed;
                    return true;
                }
            }
        }
    }
    const double length = polylineLength(points);
    out = CurveBlock{};
    out.length = length;
    return false;
}

void CurveBlock::evaluate(int shape, double t, double& x, double& z) const {
    if (reversed) {
        t = 1.0 - t;
    }
    if (shape == 1 || shape == 6) {
        x = startX + t * (endX - startX);
        z = startZ + t * (endZ - startZ);
    } else {
        x = centreX;
        z = centreZ - radius;
        rotateAbout(x, z, centreX, centreZ, startAngle + t * (endAngle - startAngle), false);
    }
    transformPoint(x, z, rotation, mirrorX, mirrorZ);
}

} // namespace model
