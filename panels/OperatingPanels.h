#pragma once
#include <functional>
#include <map>

class QDockWidget;
class QMainWindow;

namespace panels {

// Creates the run, light, train and point panels as dock windows of the main window, keyed by
// the command that shows and hides each (1230 … 1233), and routes the model's refresh requests
// to them. `runCommand` toggles running as the menu command does.
std::map<int, QDockWidget*> createOperatingPanels(QMainWindow& mainWindow,
                                                  std::function<void()> runCommand);

} // namespace panels
