#include "editing/CLightControler.h"

#include <algorithm>

#include "items/C3DItemObject.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"

namespace editing {

CLight::CLight(int unit) : unit_(unit) {
    reset();
}

CLight::CLight(int unit, const model::Vec3f& at) : CLight(unit) {
    position = {at.x * 0.5f, at.y * 0.5f, at.z * 0.5f, 1.0f};
}

void CLight::reset() {
    diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    spotDirection = {0.0f, -1.0f, 0.0f, 0.0f};
    enabled_ = unit_ == 0 ? 1 : 0;
    ambientFactor = unit_ == 0 ? std::array<float, 4>{0.2f, 0.2f, 0.2f, 1.0f}
                               : std::array<float, 4>{0.0f, 0.0f, 0.0f, 1.0f};
    vehicle_ = 0;
}

void CLight::attachToVehicle(int unit, trains::VehicleId vehicle) {
    unit_ = unit;
    vehicle_ = vehicle;
}

CLightControler::CLightControler(int units, const model::Vec3f& standardLightPosition) {
    units = std::max(units, 1);
    for (int i = 0; i < units; ++i) {
        lights_.push_back(std::make_unique<CLight>(i, standardLightPosition));
    }
}

CLight* CLightControler::light(int i) {
    return i >= 0 && i < lightUnitCount() ? lights_[i].get() : nullptr;
}

bool CLightControler::isLightEnabled(int i) const {
    return enabledLight(i) != nullptr;
}

const CLight* CLightControler::enabledLight(int i) const {
    if (i < 0 || i >= lightUnitCount() || !lights_[i]->isEnabled()) {
        return nullptr;
    }
    return lights_[i].get();
}

model::Vec3d CLightControler::lightPosition0() const {
    const auto& p = lights_[0]->position;
    return {p[0], p[1], p[2]};
}

void CLightControler::setParameter(int i, LightParameter which,
                                   const std::array<float, 4>& values) {
    CLight* target = light(i);
    if (target == nullptr) {
        return;
    }
    switch (which) {
    case LightParameter::Ambient:
        target->ambientFactor = values;
        break;
    case LightParameter::Diffuse:
        target->diffuse = values;
        break;
    case LightParameter::Position:
        target->position = values;
        break;
    }
}

std::array<float, 4> CLightControler::getParameter(int i, LightParameter which) const {
    if (i < 0 || i >= lightUnitCount()) {
        return {};
    }
    const CLight& source = *lights_[i];
    switch (which) {
    case LightParameter::Ambient:
        return source.ambientFactor;
    case LightParameter::Diffuse:
        return source.diffuse;
    case LightParameter::Position:
        return source.position;
    }
    return {};
}

void CLightControler::switchLamps(bool on, const std::vector<LampCarrier>& carriers) {
    if (on) {
        lights_[0]->enable();
    }
    const std::size_t n = carriers.size();
    for (std::size_t i = 1; i < lights_.size(); ++i) {
        lights_[i]->setEnabled(on && i <= n);
    }
}

void CLightControler::assignLamps(const std::vector<LampCarrier>& carriers) {
    if (lights_[0]->diffuse[0] >= 0.7f) {
        for (std::size_t i = 1; i < lights_.size(); ++i) {
            lights_[i]->reset();
        }
        return;
    }
    for (std::size_t i = 1; i < lights_.size(); ++i) {
        if (i > carriers.size()) {
            lights_[i]->disable();
            continue;
        }
        const LampCarrier& carrier = carriers[i - 1];
        lights_[i]->attachToVehicle(static_cast<int>(i), carrier.vehicle);
        lights_[i]->setEnabled(carrier.hasLamps);
    }
}

void CLightControler::assignLamps() {
    assignLamps(lampCarriers());
}

std::vector<LampCarrier> lampCarriers() {
    std::vector<LampCarrier> carriers;
    const trains::CTrainControler* controller = trains::trainController();
    if (controller == nullptr) {
        return carriers;
    }
    for (trains::CTrainItem* vehicle : controller->vehicles()) {
        if (vehicle == nullptr || vehicle->rearNeighbour() != nullptr) {
            continue;
        }
        std::vector<trains::CTrainItem*> motive;
        vehicle->motiveVehicles(motive);
        for (trains::CTrainItem* carrier : motive) {
            const items::C3DItemObject* model = carrier->findModel();
            carriers.push_back({carrier->id(), model != nullptr && model->hasLamps()});
        }
    }
    return carriers;
}

namespace {
std::unique_ptr<CLightControler>& controllerSlot() {
    static std::unique_ptr<CLightControler> slot;
    return slot;
}
} // namespace

CLightControler* lightController() {
    return controllerSlot().get();
}

CLightControler& getOrCreateLightController(int units, const model::Vec3f& standardLightPosition) {
    auto& slot = controllerSlot();
    if (!slot) {
        slot = std::make_unique<CLightControler>(units, standardLightPosition);
    }
    return *slot;
}

void releaseLightController() {
    controllerSlot().reset();
}

} // namespace editing
