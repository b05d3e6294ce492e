#include "panels/PanelHooks.h"

#include "panels/CSwitchControlWindow.h"
#include "panels/CTrainControlWindow.h"

namespace panels {

PanelHooks& panelHooks() {
    static PanelHooks hooks;
    return hooks;
}

void requestPanelRefresh() {
    CSwitchControlWindow::markAllDirty();
    CTrainControlWindow::markAllDirty();
}

QString panelText(editor::TextKind kind, int id) {
    const auto t = editor::uiText(kind, id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

} // namespace panels
