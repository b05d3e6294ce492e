#include "render/SmokePuffs.h"

#include <algorithm>
#include <cmath>

namespace render {

bool SmokePuffs::emitPuff(std::int64_t vehicle, const Vec3& at, double now, double& lastPuff) {
    if (lastPuff > 0 && now - lastPuff < 1.0) {
        return false;
    }
    SmokePuff puff;
    puff.vehicle = vehicle;
    puff.position = at;
    puff.lastUpdate = now;
    puffs_.push_back(puff);
    lastPuff = now;
    return true;
}

void SmokePuffs::advance(double now, double tileSize) {
    for (SmokePuff& puff : puffs_) {
        const double elapsed = now - puff.lastUpdate;
        if (!(elapsed > 0.01)) {
            continue;
        }
        const double steps = elapsed * kStepsPerSecond;
        puff.size += 0.05 * steps;
        puff.threshold += 0.05 * steps;
        puff.position.y += 0.05 * tileSize * steps;
        puff.spin = std::fmod(puff.spin + 10 * steps, 360.0);
        puff.lastUpdate = now;
    }
    std::erase_if(puffs_,
                  [](const SmokePuff& puff) { return puff.size > 1.0 || puff.threshold > 1.0; });
}

double speedometerNeedleAngle(int gauge, double speed) {
    switch (gauge) {
    case 2:
        return std::min(213.0, 213.0 - 0.84375 * speed);
    case 3:
        return speed > 0 ? 123.0 : 213.0;
    default:
        return 213.0;
    }
}

} // namespace render
