#pragma once
#include "render/Camera.h"

namespace render {

// What the riding and chase views need of the camera vehicle, in scene units.
struct RideInput {
    int mode = ModeDriverSeat;
    // The vehicle's two wheel-set points.
    Vec3 p1;
    Vec3 p2;
    bool reversedRunning = false;
    // Eye and target in the vehicle model's frame (x forward along the model, y up).
    Vec3 eye;
    Vec3 target;
    // How far eye and target are raised above the vehicle's frame.
    double lift = 0;
    // The riding angles (degrees) that turn and tilt the view about the eye (the chase view
    // turns the eye about the target instead).
    double rideYaw = 0;
    double ridePitch = 0;
    // max(board width, depth), the board's longer side.
    double extent = 1;
    double tileSize = 1;
};

// The model-frame eye and target of a riding mode (points above the rails, x forward along
// the model) for a model whose box ends at `rearX` behind along x: the driver's
// seat and the side windows look out from `seat` (forward, left, right), the conductor's room
// looks back from the rear at the seat's height, and the chase view stands behind the
// vehicle, `chasePoint` mirrored to the rear, looking at the vehicle (for a chase point at the
// origin it looks back from the vehicle). m is the board's longer side.
void rideModelPoints(int mode, double rearX, const Vec3& seat, const Vec3& chasePoint, double m,
                     double tileSize, Vec3& eye, Vec3& target);

// The riding pose: the model-frame points tilted by the vehicle's pitch, turned by its
// heading and moved to the first wheel set, both lifted by `lift`, then the
// riding angles applied. The chase view keeps its eye above `groundHeight` at the eye (may be
// empty). False when the two wheel sets coincide (the caller keeps its pose).
bool ridePose(const RideInput& input, const GroundHeight& groundHeight, CameraPose& pose);

} // namespace render
