#include "trains/CAnimatableRotate3DItemObject.h"

#include <algorithm>
#include <cmath>

namespace trains {

void CAnimatableRotate3DItemObject::setRotationSign(bool positive) {
    const double magnitude = std::fabs(rotationSpeed_);
    rotationSpeed_ = positive ? magnitude : -magnitude;
}

void CAnimatableRotate3DItemObject::startTurning(double now) {
    start(now);
    lastTurn_ = now;
}

void CAnimatableRotate3DItemObject::advanceRotation(double now) {
    advance(now);
    if (now < lastTurn_) {
        lastTurn_ = now;
    }
    const double elapsed = now - lastTurn_;
    if (!isRunning() || interval() <= 0.0 || !(elapsed > interval())) {
        return;
    }
    double delta = rotationSpeed_ * elapsed / interval();
    if (delta == 0.0 && rotationSpeed_ != 0.0) {
        delta = rotationSpeed_ < 0 ? -1.0 : 1.0;
    }
    delta = std::clamp(delta, -120.0, 120.0);
    angle_ += delta;
    if (angle_ >= 360.0 || angle_ <= -360.0) {
        angle_ = static_cast<double>(static_cast<long long>(angle_) % 360);
    }
    lastTurn_ = now;
}

} // namespace trains
