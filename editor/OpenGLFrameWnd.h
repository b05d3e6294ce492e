#pragma once
#include <QMainWindow>

#include <map>
#include <memory>

class QAction;

namespace platform {
class Registry;
}
namespace render {
class CDocumentRendererThread;
}

namespace editor {

class COpenGLView;
class Prompter;

// The 3D window: a top-level frame titled "Zarnolt3D [OpenGL]" with the 3D menu, holding the
// OpenGL view. One exists at most. Its placement is kept in the settings section
// "OpenGLFrameWnd". Closing it stops the trains and the point control and destroys the
// renderer.
class OpenGLFrameWnd : public QMainWindow {
    Q_OBJECT
public:
    // `mainWindow` is activated by the 3D view's layout command and shown when this closes.
    OpenGLFrameWnd(Prompter& prompter, platform::Registry& registry, QWidget* mainWindow,
                   int cameraMode);
    ~OpenGLFrameWnd() override;

    // The open 3D window, or null.
    static OpenGLFrameWnd* instance();

    COpenGLView* view() const { return view_; }
    QAction* action(int id) const;
    // Runs a command of the 3D menu.
    void runCommand(int id);
    // Restores the saved placement (on a screen); false when none is saved.
    bool restorePlacement();
    void savePlacement();
    // Asks the view to draw a new frame; safe to call from the user-interface thread only.
    void requestRepaint();
    // Starts the repaint pacing thread unless it runs.
    void startPacing();

    static constexpr int kDefaultSize = 400;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void buildMenus();
    void updateCommands();
    void stopEverything();

    Prompter& prompter_;
    platform::Registry& registry_;
    QWidget* mainWindow_;
    COpenGLView* view_ = nullptr;
    std::map<int, QAction*> actions_;
    std::unique_ptr<render::CDocumentRendererThread> pacing_;
    bool stopped_ = false;
};

// Starts running (the train controller and the point control's thread) or stops the trains;
// the point control keeps ticking so that holds still end. Opens nothing.
void toggleRunning();
// Stops the trains at once and ends the point control's thread; returns when both are gone.
void stopRunningNow();

// Connects the 3D window to the main frame's hooks and the trains' repaint requests.
// `mainWindow` must outlive every 3D window.
void installOpenGLWindow(Prompter& prompter, platform::Registry& registry, QWidget* mainWindow);

} // namespace editor
