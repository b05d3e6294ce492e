#pragma once
#include <functional>

#include "model/Geometry.h"

namespace model {
class CZarnoltDocument;
}

namespace editing {

// The layout's main light as the light panel edits it: a position offset of three fractions
// in −0.5 … +0.5 from the standard place and an on/off state, both kept in the document's
// environment record. The renderer hears about changes through the hooks.
struct LayoutLightHooks {
    std::function<void(const model::Vec3f& offset)> setOffset;
    std::function<void(float intensity)> setIntensity;
};
LayoutLightHooks& layoutLightHooks();

inline constexpr float kLightOnIntensity = 1.0f;
inline constexpr float kLightOffIntensity = 0.01f;

// Slider position for a position component: (c + 0.5) × (maximum − minimum) + minimum, and the
// component a slider position reads as: position / (maximum − minimum) − 0.5. A slider whose
// range is empty reads as 0 and shows its minimum.
int lightSliderPosition(float component, int minimum, int maximum);
float lightComponentFromSlider(int position, int minimum, int maximum);

// Sets one component (axis 0 x, 1 y, 2 z; others ignored), clamped to −0.5 … +0.5, in the
// document and the renderer.
void setLightComponent(model::CZarnoltDocument& document, int axis, float component);
// The "ON" button: clears or sets the light-off flag and sets the renderer's intensity.
void setLightOn(model::CZarnoltDocument& document, bool on);
bool isLightOn(const model::CZarnoltDocument& document);
// "初期値": the light back at its standard place (offset (0, 0, 0)).
void resetLightPosition(model::CZarnoltDocument& document);

} // namespace editing
