#pragma once
#include <array>

#include "render/Camera.h"

namespace render {

// The volume a camera sees, as six planes (near, far, left, right, bottom, top) whose normals
// point inwards. Used to leave out objects that cannot appear in the picture.
class ViewFrustum {
public:
    // The frustum of a pose with a vertical field of view (degrees), an aspect (width /
    // height) and near and far planes. A degenerate pose (eye on the target, up along the
    // view) gives a frustum that keeps everything.
    void build(const CameraPose& pose, double fieldOfView, double aspect, double nearPlane,
               double farPlane);

    bool containsPoint(const Vec3& point) const;
    // False only when all eight corners lie outside one plane, so a box that straddles the
    // frustum, or spans it entirely, counts as visible.
    bool boxVisible(const std::array<Vec3, 8>& corners) const;

private:
    struct Plane {
        Vec3 normal;
        double offset = 0; // inside when normal · p + offset ≥ 0
    };
    std::array<Plane, 6> planes_{};
    bool keepsEverything_ = true;
};

} // namespace render
