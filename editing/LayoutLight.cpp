#include "editing/LayoutLight.h"

#include <algorithm>
#include <cmath>

#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "platform/RenderLock.h"

namespace editing {

LayoutLightHooks& layoutLightHooks() {
    static LayoutLightHooks hooks;
    return hooks;
}

int lightSliderPosition(float component, int minimum, int maximum) {
    const double span = static_cast<double>(maximum) - minimum;
    return static_cast<int>(std::lround((static_cast<double>(component) + 0.5) * span + minimum));
}

float lightComponentFromSlider(int position, int minimum, int maximum) {
    const double span = static_cast<double>(maximum) - minimum;
    if (span == 0) {
        return 0.0f;
    }
    return static_cast<float>(position / span - 0.5);
}

void setLightComponent(model::CZarnoltDocument& document, int axis, float component) {
    platform::RenderLockGuard model;
    if (axis < 0 || axis > 2 || std::isnan(component)) {
        return;
    }
    component = std::clamp(component, -0.5f, 0.5f);
    model::Vec3f position = document.getLightPosition();
    (axis == 0 ? position.x : axis == 1 ? position.y : position.z) = component;
    document.setLightPosition(position);
    if (auto& hook = layoutLightHooks().setOffset) {
        hook(position);
    }
}

void setLightOn(model::CZarnoltDocument& document, bool on) {
    platform::RenderLockGuard model;
    document.setEnvironmentFlag(model::EnvLightOff, !on);
    if (auto& hook = layoutLightHooks().setIntensity) {
        hook(on ? kLightOnIntensity : kLightOffIntensity);
    }
}

bool isLightOn(const model::CZarnoltDocument& document) {
    return !document.testEnvironmentFlag(model::EnvLightOff);
}

void resetLightPosition(model::CZarnoltDocument& document) {
    platform::RenderLockGuard model;
    document.setLightPosition({0, 0, 0});
    if (auto& hook = layoutLightHooks().setOffset) {
        hook({0, 0, 0});
    }
}

} // namespace editing
