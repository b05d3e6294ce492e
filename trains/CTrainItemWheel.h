#pragma once
#include <array>
#include <cstdint>

#include "items/C3DItemObject.h"
#include "trains/CAnimatableRotate3DItemObject.h"

namespace trains {

// What the renderer needs to draw a vehicle's wheels, computed per frame from the model's
// wheel record (see CTrainItemWheel::computeWheelGeometry for the meaning of each value).
struct WheelGeometry {
    std::int32_t wheelModel = 0;
    std::int32_t arrangement = 0;
    double radius = 0;          // r
    double axleRadius = 0;      // m
    double bogieAxleHeight = 0; // hA
    double plainAxleHeight = 0; // hS
    double bogieOffset = 0;     // o
    double halfBase = 0;        // w
    double depthScale = 0;      // u
    double xOffset = 0;
    double halfRadius = 0;    // r / 2
    double sideRodOffset = 0; // d
    bool sideRods = false;
    std::array<double, 15> k{};
};

// The turning wheels of one vehicle: an owned rotating item that follows the speed of the
// train, and the wheel geometry of a vehicle model. The wheels keep the controller's time, so
// a run on the hand-driven clock turns them exactly alike every time.
class CTrainItemWheel {
public:
    static constexpr double kFrameInterval = 0.005;
    // Degrees per interval per layout unit per second.
    static constexpr double kSpeedFactor = 0.003125 * 15;

    CTrainItemWheel();

    // Box of the rotating item's current frame at a tile size; false without frames.
    bool currentFrameBox(double tileSize, items::BoundingBox& box) const;
    void setRotationSpeed(double v) { rotating_.setRotationSpeed(v); }
    void setFrameInterval(double seconds) { rotating_.setInterval(seconds); }
    // Rotation speed = speed × kSpeedFactor with the current sign.
    void followVehicleSpeed(double vehicleSpeed);
    void addFrame(items::C3DItemObject* item) { rotating_.addFrame(item); }
    double angle() const { return rotating_.angle(); }
    double rotationSpeed() const { return rotating_.rotationSpeed(); }
    bool isTurning() const { return rotating_.isRunning(); }
    void startTurning();
    void stopTurning() { rotating_.stop(); }
    // Positive rotation for a vehicle running reversed, negative otherwise; then one update.
    void setRotationDirection(bool reversedRunning);
    void update(double now) { rotating_.advanceRotation(now); }
    CAnimatableRotate3DItemObject& rotatingItem() { return rotating_; }

    // Wheel sets on bogies (onBogies) or on plain axles for an arrangement 1 … 9; 0 otherwise.
    static int bogieWheelCount(int arrangement, bool onBogies);
    // Built-in wheel models 135 … 138 for numbers 1 … 4, else null.
    static items::C3DItemObject* bogieModel(int number);
    // The geometry record for a vehicle model at tile size t with the renderer's constants a
    // and b. Without a model or with wheel model 0 only k0 … k2 are set (nothing is drawn).
    static WheelGeometry computeWheelGeometry(const items::C3DItemObject* model, double t, double a,
                                              double b);

private:
    CAnimatableRotate3DItemObject rotating_;
};

} // namespace trains
