#include "editor/OpenGLFrameWnd.h"
#include "editor/ItemPictureGL.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>
#include <QScreen>

#include <atomic>
#include <span>

#include "editor/CMainFrame.h"
#include "editor/COpenGLView.h"
#include "editor/EditorHooks.h"
#include "editor/Prompter.h"
#include "editor/UiTexts.h"
#include "model/TrackTiles.h"
#include "panels/PanelHooks.h"
#include "platform/Registry.h"
#include "render/CDocumentRenderer.h"
#include "render/CDocumentRendererThread.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/TrainHooks.h"

namespace editor {

namespace {

constexpr const char* kSection = "OpenGLFrameWnd";
constexpr const char* kPlacement = "WINDOWPLACEMENT";

OpenGLFrameWnd* theWindow = nullptr;
// Whether a 3D window is open, for the pacing thread.
std::atomic<bool> windowOpen{false};

QString tableText(TextKind kind, int id) {
    const std::string_view text = uiText(kind, id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Repaint requests from the controller's and the pacing thread arrive here and are posted
// to the user-interface thread, at most one waiting at a time.
std::atomic<bool> repaintQueued{false};
QObject* repaintTarget = nullptr;

void postRepaint() {
    if (repaintTarget == nullptr || repaintQueued.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        repaintTarget,
        [] {
            repaintQueued.store(false);
            if (theWindow) {
                theWindow->requestRepaint();
            }
        },
        Qt::QueuedConnection);
}

} // namespace

void toggleRunning() {
    trains::CTrainControler* controller = trains::trainController();
    if (!controller || controller->vehicleCount() == 0) {
        return;
    }
    if (controller->isRunning()) {
        controller->stop(false);
        return;
    }
    model::clearSelection();
    trains::getOrCreateControlItemManager().startThread();
    controller->start();
}

void stopRunningNow() {
    if (trains::CTrainControler* controller = trains::trainController()) {
        if (controller->isRunning() || controller->isStopping()) {
            controller->stop(true);
        }
    }
    if (trains::CTrackControlItemManager* manager = trains::controlItemManager()) {
        manager->stopThread();
    }
}

OpenGLFrameWnd* OpenGLFrameWnd::instance() {
    return theWindow;
}

OpenGLFrameWnd::OpenGLFrameWnd(Prompter& prompter, platform::Registry& registry,
                               QWidget* mainWindow, int cameraMode)
    : QMainWindow(mainWindow, Qt::Window), prompter_(prompter), registry_(registry),
      mainWindow_(mainWindow) {
    if (theWindow == nullptr) {
        theWindow = this;
        windowOpen.store(true);
    }
    setObjectName(QStringLiteral("OpenGLFrameWnd"));
    setWindowTitle(QStringLiteral("Zarnolt3D [OpenGL]"));
    // The program ends with its main window, whether or not this one is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(kDefaultSize, kDefaultSize);
    view_ = new COpenGLView(prompter_, cameraMode, this);
    setCentralWidget(view_);
    buildMenus();
    connect(view_, &COpenGLView::command, this, &OpenGLFrameWnd::runCommand);
    connect(view_, &COpenGLView::activity, this, &OpenGLFrameWnd::startPacing);
}

OpenGLFrameWnd::~OpenGLFrameWnd() {
    stopEverything();
    if (theWindow == this) {
        theWindow = nullptr;
        windowOpen.store(false);
    }
}

QAction* OpenGLFrameWnd::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void OpenGLFrameWnd::buildMenus() {
    const auto addCommand = [this](QMenu* menu, int id) {
        const UiText* entry = findUiText(TextKind::Command, id);
        QString label = tableText(TextKind::Command, id);
        if (entry && !entry->keys.empty()) {
            // The keys are shown only: the view matches them itself, ahead of the main
            // window's application-wide keys.
            label += QLatin1Char('\t') +
                     QKeySequence::fromString(
                         QString::fromUtf8(entry->keys.data(),
                                           static_cast<qsizetype>(entry->keys.size())),
                         QKeySequence::PortableText)
                         .toString(QKeySequence::NativeText);
        }
        auto* act = menu->addAction(label);
        act->setObjectName(QStringLiteral("command%1").arg(id));
        connect(act, &QAction::triggered, this, [this, id] { runCommand(id); });
        actions_[id] = act;
    };
    auto* file = menuBar()->addMenu(tableText(TextKind::MenuTitle, Menu3DWindowFile));
    addCommand(file, 57602);
    auto* view = menuBar()->addMenu(tableText(TextKind::MenuTitle, Menu3DWindowView));
    for (int id : {1125, 1126, 1127, 1129, 1128, 1130, 1131, 1132}) {
        addCommand(view, id);
    }
    for (int id = 1126; id <= 1132; ++id) {
        actions_[id]->setCheckable(true);
    }
    auto* control = menuBar()->addMenu(tableText(TextKind::MenuTitle, Menu3DWindowControl));
    addCommand(control, 1525);
    for (QMenu* menu : {file, view, control}) {
        connect(menu, &QMenu::aboutToShow, this, &OpenGLFrameWnd::updateCommands);
    }
}

void OpenGLFrameWnd::updateCommands() {
    const int mode = view_->cameraMode();
    for (int id = 1126; id <= 1132; ++id) {
        actions_[id]->setChecked(cameraModeOfCommand(id) == mode);
    }
    const trains::CTrainControler* controller = trains::trainController();
    const bool running = controller && controller->isRunning();
    actions_[1525]->setEnabled(controller && controller->vehicleCount() > 0);
    actions_[1525]->setText(tableText(TextKind::String, running ? StrStop : StrRun) +
                            QStringLiteral("\t") +
                            QKeySequence(Qt::CTRL | Qt::Key_G).toString(QKeySequence::NativeText));
}

void OpenGLFrameWnd::runCommand(int id) {
    if (const int mode = cameraModeOfCommand(id); mode >= 0) {
        view_->setCameraMode(mode);
        return;
    }
    switch (id) {
    case 1125:
        if (mainWindow_) {
            mainWindow_->activateWindow();
            mainWindow_->raise();
        }
        break;
    case 1525:
        toggleRunning();
        if (const auto* c = trains::trainController(); c && c->isRunning()) {
            view_->requestFrame();
        }
        break;
    case 57602:
        close();
        break;
    default:
        break;
    }
}

void OpenGLFrameWnd::requestRepaint() {
    view_->requestFrame();
}

void OpenGLFrameWnd::startPacing() {
    if (!pacing_) {
        render::CDocumentRendererThread::Hooks hooks;
        hooks.trainsRunning = [] {
            const trains::CTrainControler* c = trains::trainController();
            return c && c->isRunning();
        };
        hooks.viewExists = [] { return windowOpen.load(); };
        hooks.requestRepaint = postRepaint;
        pacing_ = std::make_unique<render::CDocumentRendererThread>(std::move(hooks));
    }
    pacing_->start();
}

void OpenGLFrameWnd::stopEverything() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    if (pacing_) {
        pacing_->stop();
    }
    stopRunningNow();
    if (view_) {
        view_->releaseRenderer();
    }
}

bool OpenGLFrameWnd::restorePlacement() {
    const auto saved = registry_.getBinary(kSection, kPlacement);
    if (!saved || saved->empty()) {
        return false;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(saved->data()),
                           static_cast<qsizetype>(saved->size()));
    // restoreGeometry checks the bytes and moves a window that would be off every screen
    // back onto one.
    return restoreGeometry(bytes);
}

void OpenGLFrameWnd::savePlacement() {
    const QByteArray bytes = saveGeometry();
    registry_.setBinary(
        kSection, kPlacement,
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())));
}

void OpenGLFrameWnd::closeEvent(QCloseEvent* e) {
    savePlacement();
    stopEverything();
    hide();
    if (mainWindow_) {
        mainWindow_->update();
        mainWindow_->show();
    }
    e->accept();
    deleteLater();
    if (theWindow == this) {
        theWindow = nullptr;
        windowOpen.store(false);
    }
}

namespace {
// The light and point panels reach the renderer and this window through these hooks.
void installPanelHooks() {
    auto& hooks = panels::panelHooks();
    hooks.hasRenderer = [] { return render::documentRenderer() != nullptr; };
    hooks.has3DWindow = [] { return theWindow != nullptr; };
    hooks.setLightOffset = [](double x, double y, double z) {
        if (auto* r = render::documentRenderer()) {
            r->setLightOffset(x, y, z);
        }
    };
    hooks.setLightIntensity = [](double value) {
        if (auto* r = render::documentRenderer()) {
            r->setLightIntensity(value);
        }
    };
    hooks.showPointNumbers = [] {
        const auto* r = render::documentRenderer();
        return r != nullptr && r->showPointNumbers();
    };
    hooks.setShowPointNumbers = [](bool on) {
        if (auto* r = render::documentRenderer()) {
            r->setShowPointNumbers(on);
        }
    };
    hooks.repaint3D = [] {
        if (theWindow) {
            theWindow->requestRepaint();
        }
    };
}
} // namespace

void installOpenGLWindow(Prompter& prompter, platform::Registry& registry, QWidget* mainWindow) {
    static QObject* relay = nullptr;
    if (relay == nullptr) {
        // Lives as long as the application: the threads may post to it until they end.
        relay = new QObject(QCoreApplication::instance());
        repaintTarget = relay;
    }
    trains::trainHooks().requestViewRepaint = postRepaint;
    QPointer<QWidget> main(mainWindow);
    EditorHooks& hooks = editorHooks();
    hooks.has3DWindow = [] { return theWindow != nullptr; };
    hooks.cameraMode = [] { return theWindow ? theWindow->view()->cameraMode() : -1; };
    hooks.renderItemPicture = renderItemPictureGL;
    hooks.open3DWindow = [&prompter, &registry, main](int command) {
        int mode = cameraModeOfCommand(command);
        if (theWindow == nullptr) {
            auto* window = new OpenGLFrameWnd(prompter, registry, main.data(), std::max(mode, 0));
            window->setAttribute(Qt::WA_DeleteOnClose, false);
            window->restorePlacement();
            window->show();
        } else if (mode >= 0) {
            theWindow->view()->setCameraMode(mode);
        }
        theWindow->raise();
        theWindow->activateWindow();
    };
    if (auto* frame = qobject_cast<CMainFrame*>(mainWindow)) {
        // The main window's copy of the 3D window's close key closes the 3D window.
        if (QAction* close = frame->action(57602)) {
            QObject::connect(close, &QAction::triggered, frame, [] {
                if (theWindow) {
                    theWindow->close();
                }
            });
        }
        if (QAction* layout = frame->action(1125)) {
            QObject::connect(layout, &QAction::triggered, frame, [] {
                if (editorHooks().open3DWindow) {
                    editorHooks().open3DWindow(1125);
                }
            });
        }
        installPanelHooks();
        // Running from the main window also starts the point control's thread.
        if (QAction* run = frame->action(1525)) {
            QObject::connect(run, &QAction::triggered, frame, [] {
                if (const auto* c = trains::trainController(); c && c->isRunning()) {
                    trains::getOrCreateControlItemManager().startThread();
                }
            });
        }
    }
}

} // namespace editor
