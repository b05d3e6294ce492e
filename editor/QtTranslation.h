#pragma once

class QCoreApplication;

namespace editor {

// Loads Qt's own Japanese translation (buttons and texts of Qt's file, print and message
// dialogs) from Qt's translations folder and installs it; false when it is not installed.
bool loadQtTranslation(QCoreApplication& app);

} // namespace editor
