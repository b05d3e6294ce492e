#pragma once
#include <vector>

#include "model/Geometry.h"
#include "model/Pt.h"

namespace model {

// c = 20 × (√5 − 2): where diagonal lines cross a tile border, measured from the corner.
inline constexpr double kDiagonalExit = 4.7213595499958;

// The analytic curve of a line: a canonical curve of its shape, turned by −rotation about
// the tile centre and then mirrored.
struct CurveBlock {
    double startX = 0, startY = 0, startZ = 0;
    double endX = 0, endY = 0, endZ = 0;
    int subdivisions = 0;
    double length = 0;
    double centreX = 0, centreY = 0, centreZ = 0;
    double radius = 0;
    double sweep = 0;
    double startAngle = 0;
    double endAngle = 0;
    double rotation = 0;
    double mirrorX = 1;
    double mirrorZ = 1;
    // The line runs the canonical curve from its end to its start (a transition curve stored
    // in the other direction, which no turn or mirror of the canonical curve fits).
    bool reversed = false;

    // The canonical curve of shape 1 … 6 fitted to the end points; false (and a block with
    // only the polyline length) when the shape is not standard or no orientation fits.
    static bool build(int shape, const std::vector<Pt>& points, CurveBlock& out);
    // The tile-local (x, z) at t ∈ [0, 1].
    void evaluate(int shape, double t, double& x, double& z) const;
};

} // namespace model
