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

// After a new or opened layout: the run and light panels show the document again and the
// train and point panels are rebuilt.
void documentReplaced();

} // namespace panels
