#include "panels/OperatingPanels.h"

#include <QDockWidget>
#include <QMainWindow>

#include "panels/CLightControlWindow.h"
#include "panels/CMainControlWindow.h"
#include "panels/CSwitchControlWindow.h"
#include "panels/CTrainControlWindow.h"
#include "panels/PanelHooks.h"
#include "trains/TrainHooks.h"

namespace panels {

namespace {
QDockWidget* dock(QMainWindow& main, QWidget* panel, const char* name, Qt::DockWidgetArea area) {
    auto* d = new QDockWidget(panel->windowTitle(), &main);
    d->setObjectName(QString::fromLatin1(name));
    d->setWidget(panel);
    d->setAllowedAreas(Qt::AllDockWidgetAreas);
    main.addDockWidget(area, d);
    return d;
}
} // namespace

std::map<int, QDockWidget*> createOperatingPanels(QMainWindow& mainWindow,
                                                  std::function<void()> runCommand) {
    std::map<int, QDockWidget*> docks;
    // Run and light control docked on the right and shown; point and train control floating
    // and hidden, the point control at the main window's top-left and the train control below.
    docks[1230] = dock(mainWindow, new CMainControlWindow(std::move(runCommand)), "runControl",
                       Qt::RightDockWidgetArea);
    docks[1231] =
        dock(mainWindow, new CLightControlWindow, "lightControl", Qt::RightDockWidgetArea);
    auto* points =
        dock(mainWindow, new CSwitchControlWindow, "pointControl", Qt::RightDockWidgetArea);
    auto* trainPanel =
        dock(mainWindow, new CTrainControlWindow, "trainControl", Qt::RightDockWidgetArea);
    const QPoint origin = mainWindow.mapToGlobal(QPoint(0, 0));
    points->setFloating(true);
    points->setGeometry(origin.x(), origin.y(), 200, 200);
    points->hide();
    trainPanel->setFloating(true);
    trainPanel->setGeometry(origin.x(), origin.y() + 200, 200, 200);
    trainPanel->hide();
    docks[1232] = trainPanel;
    docks[1233] = points;
    trains::trainHooks().requestPanelRefresh = [] { requestPanelRefresh(); };
    return docks;
}

void documentReplaced() {
    if (auto* run = CMainControlWindow::instance()) {
        run->showDocument();
    }
    if (auto* light = CLightControlWindow::instance()) {
        light->showDocument();
    }
    requestPanelRefresh();
}

} // namespace panels
