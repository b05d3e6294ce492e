#pragma once
#include <QString>

#include <functional>

#include "editor/UiTexts.h"

namespace panels {

// What the 3D window provides to the panels once it exists. Every entry may be empty: then
// there is no renderer and the panels change only the document.
struct PanelHooks {
    // True while a scene renderer exists.
    std::function<bool()> hasRenderer;
    // True while a 3D frame window exists.
    std::function<bool()> has3DWindow;
    std::function<void(double x, double y, double z)> setLightOffset;
    std::function<void(double)> setLightIntensity;
    std::function<bool()> showPointNumbers;
    std::function<void(bool)> setShowPointNumbers;
    // Asks the OpenGL 3D view to draw a new frame.
    std::function<void()> repaint3D;
};

PanelHooks& panelHooks();

// Marks the train and point panels for a rebuild at their next timer tick. Any thread may
// call it; it only sets flags.
void requestPanelRefresh();

// A text of the program's table as a QString.
QString panelText(editor::TextKind kind, int id);

} // namespace panels
