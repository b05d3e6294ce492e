#pragma once
#include <cstdint>
#include <vector>

#include "render/Camera.h"

namespace render {

// One puff of locomotive smoke, in scene units.
struct SmokePuff {
    std::int64_t vehicle = 0; // the vehicle it came from
    Vec3 position;
    double size = 0.5;      // the billboard's side is size × tileSize × 0.5
    double threshold = 0.1; // alpha-test threshold: the puff thins as it grows
    double spin = 0;        // degrees
    double lastUpdate = 0;  // seconds
};

// The smoke puffs of all trains in creation order. A steam locomotive puffs once a second;
// every puff rises, grows, turns and thins with the time that passes, not with the frames
// drawn, so it looks the same at any frame rate, and is gone once it has grown to full size.
class SmokePuffs {
public:
    // Growth steps per second (each: size and threshold +0.05, height +0.05 tile, spin +10).
    static constexpr double kStepsPerSecond = 10.0;

    // Adds a puff at `at` for `vehicle` when it has made none (lastPuff ≤ 0) or at least one
    // second has passed since its last; then lastPuff = now. True when a puff was added.
    bool emitPuff(std::int64_t vehicle, const Vec3& at, double now, double& lastPuff);
    // Grows every puff by the time since its last update and removes those grown past 1.
    void advance(double now, double tileSize);
    const std::vector<SmokePuff>& puffs() const { return puffs_; }
    void clear() { puffs_.clear(); }

private:
    std::vector<SmokePuff> puffs_;
};

// The needle of speedometer gauge 1, 2 or 3 on the cab panel, in degrees counter-clockwise
// from the gauge's x axis: gauge 1 rests at 213; gauge 2 turns with the speed, 213 −
// 0.84375 × speed (never past its rest for a negative speed); gauge 3 shows 123 while the
// vehicle moves forward, else 213.
double speedometerNeedleAngle(int gauge, double speed);

} // namespace render
