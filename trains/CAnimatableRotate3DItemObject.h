#pragma once
#include "items/CAnimatable3DItemObject.h"

namespace trains {

// A frame animation that also turns its frame about the z axis: the angle grows by
// rotationSpeed degrees per frame interval while it runs.
class CAnimatableRotate3DItemObject : public items::CAnimatable3DItemObject {
public:
    double angle() const { return angle_; }
    double rotationSpeed() const { return rotationSpeed_; }
    void setRotationSpeed(double degreesPerInterval) { rotationSpeed_ = degreesPerInterval; }
    // Positive speed for `positive`, negative otherwise; the magnitude is kept.
    void setRotationSign(bool positive);

    // Runs the frame bookkeeping, then, when running and more than one interval has passed
    // since the last turn, turns by rotationSpeed × elapsed / interval degrees (at least one
    // degree for a non-zero speed, at most 120 either way). An angle reaching ±360 is
    // replaced by its whole-degree remainder.
    void advanceRotation(double now);
    void startTurning(double now);

private:
    double angle_ = 0.0;
    double rotationSpeed_ = 1.0;
    double lastTurn_ = 0.0;
};

} // namespace trains
