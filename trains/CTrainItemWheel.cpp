#include "trains/CTrainItemWheel.h"

#include <cmath>

#include "items/ItemRegistry.h"
#include "trains/ControllerClock.h"

namespace trains {

CTrainItemWheel::CTrainItemWheel() {
    rotating_.setRotationSpeed(-1.0);
    rotating_.setInterval(kFrameInterval);
    rotating_.startTurning(controllerClock().now());
}

bool CTrainItemWheel::currentFrameBox(double tileSize, items::BoundingBox& box) const {
    if (rotating_.frames().empty()) {
        return false;
    }
    box = rotating_.boundingBox(tileSize);
    return true;
}

void CTrainItemWheel::followVehicleSpeed(double vehicleSpeed) {
    const double sign = rotating_.rotationSpeed() < 0 ? -1.0 : 1.0;
    const double speed = vehicleSpeed * kSpeedFactor * sign;
    if (speed != rotating_.rotationSpeed()) {
        rotating_.setRotationSpeed(speed);
    }
}

void CTrainItemWheel::startTurning() {
    rotating_.startTurning(controllerClock().now());
}

void CTrainItemWheel::setRotationDirection(bool reversedRunning) {
    rotating_.setRotationSign(reversedRunning);
    rotating_.advanceRotation(controllerClock().now());
}

int CTrainItemWheel::bogieWheelCount(int arrangement, bool onBogies) {
    static constexpr int bogies[9] = {2, 2, 3, 4, 0, 0, 2, 0, 0};
    static constexpr int axles[9] = {0, 1, 0, 0, 2, 4, 0, 2, 4};
    if (arrangement < 1 || arrangement > 9) {
        return 0;
    }
    return onBogies ? bogies[arrangement - 1] : axles[arrangement - 1];
}

items::C3DItemObject* CTrainItemWheel::bogieModel(int number) {
    if (number < 1 || number > 4) {
        return nullptr;
    }
    return items::getBuiltinItem(static_cast<std::int16_t>(134 + number));
}

WheelGeometry CTrainItemWheel::computeWheelGeometry(const items::C3DItemObject* model, double t,
                                                    double a, double b) {
    WheelGeometry g;
    g.k[0] = t;
    g.k[1] = b;
    g.k[2] = b;
    if (model == nullptr || model->wheelRecord().value1 == 0) {
        return g;
    }
    const items::WheelRecord& record = model->wheelRecord();
    g.wheelModel = record.value1;
    g.arrangement = record.value2;
    g.xOffset = t * record.length2;
    g.sideRods = record.value3 != 0;
    const int nb = bogieWheelCount(g.arrangement, true);
    if (const items::C3DItemObject* wheel = bogieModel(g.wheelModel)) {
        const items::BoundingBox box = wheel->boundingBox(t);
        const double r = (nb == 2 && g.arrangement != 7) ? t * 0.085 : t * 0.065;
        g.radius = r;
        g.axleRadius = t * 0.05;
        g.bogieOffset = nb == 2 ? t * 0.11 : t * 0.16;
        g.halfBase = t * 0.35;
        const double depth = box.max.z - box.min.z;
        g.depthScale = depth != 0 ? 0.75 * b / depth : 0.0;
        g.halfRadius = r / 2;
        g.sideRodOffset = 0.75 * b;
        g.k[3] = g.k[4] = 2 * r / t;
        g.k[5] = g.depthScale;
        g.k[6] = g.bogieOffset;
        g.k[7] = 1.5 * b + std::fabs((box.max.x - box.min.x) - (box.max.y - box.min.y));
        g.k[8] = a / 2;
        g.bogieAxleHeight = r + 1.5 * b;
        g.plainAxleHeight = g.bogieAxleHeight - (r - g.axleRadius);
    }
    if (const items::C3DItemObject* axle = items::getBuiltinItem(134)) {
        const items::BoundingBox box = axle->boundingBox(t);
        const double q = g.radius / 4;
        const double dx = box.max.x - box.min.x;
        const double dy = box.max.y - box.min.y;
        const double dz = box.max.z - box.min.z;
        g.k[9] = dx != 0 ? q / dx : 0.0;
        g.k[10] = dy != 0 ? q / dy : 0.0;
        g.k[11] = dz != 0 ? 2 * g.k[8] / dz : 0.0;
        g.k[12] = -t * (dx / 2 + box.min.x);
        g.k[13] = g.bogieAxleHeight;
        g.k[14] = -t * (dz / 2 + box.min.z);
    }
    return g;
}

} // namespace trains
