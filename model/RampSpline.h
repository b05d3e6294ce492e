#pragma once
#include <cstddef>
#include <vector>

#include "model/Geometry.h"

namespace model {

// A natural cubic spline through 3D control points at parameters 0, 1, 2, …; each coordinate
// is splined separately. The height profile of a run of joined lines.
class RampSpline {
public:
    explicit RampSpline(std::vector<Vec3d> points);

    // The spline at parameter s, clamped to the control points' range.
    Vec3d at(double s) const;
    std::size_t size() const { return points_.size(); }

private:
    std::vector<Vec3d> points_;
    std::vector<Vec3d> second_; // second derivatives at the control points
};

// The process-wide registry of ramp splines: counts the lines using each and deletes a
// spline when its count drops to zero. Safe to use from any thread.
namespace ramps {
// Registers a new spline with no users and returns it.
RampSpline* create(std::vector<Vec3d> points);
// One more user of a registered spline; false for an unknown address.
bool retain(const RampSpline* spline);
// One user fewer; the spline is deleted at zero. False for an unknown address.
bool release(const RampSpline* spline);
// Deletes registered splines that no line uses (a run whose lines all moved on).
void dropUnused();
std::size_t liveCount();
int userCount(const RampSpline* spline);
} // namespace ramps

} // namespace model
