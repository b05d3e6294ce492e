#include "editor/UiDump.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>

#include <nlohmann/json.hpp>

#include "editor/CLayoutToolWindow.h"
#include "editor/CMainFrame.h"
#include "editor/UiTexts.h"

namespace editor {

std::string dumpUi(const CMainFrame& frame) {
    nlohmann::json menus = nlohmann::json::array();
    for (auto* menu : frame.menus()) {
        menus.push_back(
            {{"id", menu->objectName().toStdString()}, {"text", menu->title().toStdString()}});
    }
    nlohmann::json commands = nlohmann::json::array();
    for (const auto& [id, act] : frame.actions()) {
        QStringList keys;
        for (const auto& key : act->shortcuts()) {
            keys.append(key.toString(QKeySequence::PortableText));
        }
        commands.push_back({{"id", id},
                            {"text", act->text().toStdString()},
                            {"key", keys.join(QStringLiteral(", ")).toStdString()}});
    }
    const auto& tool = frame.layoutToolWindow();
    nlohmann::json combo = nlohmann::json::array();
    for (int i = 0; i < tool.layerCombo()->count(); ++i) {
        combo.push_back(tool.layerCombo()->itemText(i).toStdString());
    }
    nlohmann::json controls = nlohmann::json::array();
    controls.push_back({{"id", CtlLayerCombo}, {"text", combo}});
    controls.push_back({{"id", CtlHeightText}, {"text", tool.heightText()->text().toStdString()}});
    controls.push_back(
        {{"id", CtlPositionText}, {"text", tool.positionText()->text().toStdString()}});
    controls.push_back(
        {{"id", CtlShowTerrain}, {"text", tool.showTerrainBox()->text().toStdString()}});
    nlohmann::json strings = nlohmann::json::array();
    for (const auto& entry : uiTexts()) {
        if (entry.kind == TextKind::String) {
            strings.push_back({{"id", entry.id}, {"text", std::string(entry.text)}});
        }
    }
    const nlohmann::json out = {
        {"menus", menus}, {"commands", commands}, {"controls", controls}, {"strings", strings}};
    return out.dump(2);
}

} // namespace editor
