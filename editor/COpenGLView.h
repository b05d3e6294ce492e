#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "render/KeyStateTable.h"
#include "render/WalkKeyPoller.h"

class QWindow;

namespace platform {
class Registry;
}
namespace render {
class CDocumentRenderer;
}
namespace sound {
class SteamSound;
struct SteamSoundInputs;
} // namespace sound

namespace editor {

class Prompter;
class COpenGLSurface;

// The 3D window's drawing area: hosts the OpenGL context (compatibility profile, 8 bits a
// colour channel, 24-bit depth, 8-bit stencil) and hands every frame to the process-wide
// renderer. It makes no OpenGL calls of its own.
//
// The frames go to a native OpenGL window filling the view, shown straight by the window
// system. Drawing into a texture that the toolkit then composes with the rest of the window
// would cost two more full-window passes a frame, a third of the frame time with a software
// rasteriser. Keys and focus stay with this widget; the surface hands it its mouse events.
class COpenGLView : public QWidget {
    Q_OBJECT
public:
    COpenGLView(Prompter& prompter, int cameraMode, QWidget* parent = nullptr);
    ~COpenGLView() override;

    // The format every 3D context asks for; also the process's default format, so that the
    // shared context that keeps the renderer's resources matches it.
    static QSurfaceFormat requestedFormat();

    // The renderer when it is ready to draw, else null.
    render::CDocumentRenderer* renderer() const;
    // True once the context was checked and the renderer initialised.
    bool contextUsable() const { return usable_; }
    // The size (device pixels) the renderer was last set up for.
    QSize appliedSize() const { return applied_; }
    // Sets the renderer up for a new size in device pixels: nothing for an empty or unchanged
    // size or during a frame. True when it re-initialised.
    bool applySize(QSize size);
    void setCameraMode(int mode);
    int cameraMode() const;
    // The held keys by virtual-key code (the walk keys' codes of the settings dialog).
    const render::KeyStateTable& keys() const { return keys_; }
    const render::WalkKeyPoller& walkPoller() const { return poller_; }
    // Frames drawn since the view was made.
    long framesDrawn() const { return framesDrawn_; }
    // One poll of the held keys with the user's walk keys; repaints when the camera moved and
    // stops polling when nothing is held and the walker stands still.
    void pollKeys();
    // Ends the view's use of the renderer: destroys it with the context current.
    void releaseRenderer();
    // Asks for a frame at the window system's next update.
    void requestFrame();
    // Draws a frame and shows it now (tests and benchmarks). False when nothing was drawn.
    bool paintNow();
    // A fresh frame as drawn, before it is shown; null without a usable renderer.
    QImage grabFramebuffer();
    // The native window the frames are shown in.
    QWindow* surface() const;
    // Makes the view's context current; false while it has none yet.
    bool makeCurrent();
    void doneCurrent();

    // Resizes settle this long before the renderer is set up again.
    static constexpr int kSettleMillis = 150;
    static constexpr int kKeyPollMillis = 10;
    static constexpr int kSoundMillis = 5;

    // The running sound of this view (its "no sound" preference is the one read when the view
    // was made), and one tick of its timer.
    sound::SteamSound* steamSound() const { return sound_.get(); }
    void soundTick();
    // What the sound depends on now: the trains, the renderer and its camera.
    sound::SteamSoundInputs soundInputs() const;

signals:
    // A key of the window's key table was pressed (a command id).
    void command(int id);
    // Any press in the view (the pacing thread starts).
    void activity();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    friend class COpenGLSurface;
    void initializeGL();
    void resizeGL();
    void paintGL();
    QSize deviceSize() const;
    void contextGoing();
    // Shows string-table message `message` through the prompter.
    void tell(int message);

    Prompter& prompter_;
    COpenGLSurface* surface_ = nullptr;
    QWidget* container_ = nullptr;
    int initialMode_ = 0;
    bool usable_ = false;
    bool released_ = false;
    QSize applied_;
    QTimer settle_;
    QTimer keyPoll_;
    QTimer soundTimer_;
    std::unique_ptr<sound::SteamSound> sound_;
    render::KeyStateTable keys_;
    render::WalkKeyPoller poller_;
    QPoint lastMouse_;
    bool dragging_ = false;
    long framesDrawn_ = 0;
};

// The command of the 3D window's key table for a key press, or 0. Shift with a digit is
// recognised by the key's position (`scanCode`, X11 key codes 10 … 19 for 1 … 0) or, without
// one, by the digit or the symbol that the US layout (or, with `japaneseLayout`, the Japanese
// layout) puts on it.
int accelerator3D(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode, bool japaneseLayout);
// The "no acceleration" preference stored in `registry` chooses the software rasteriser for
// every OpenGL context of the process: it sets LIBGL_ALWAYS_SOFTWARE=1 (unless the
// environment already says otherwise) and Qt's software OpenGL attribute. Call it before the
// QApplication is made, since the GL driver is chosen when the first context is; a changed
// preference takes effect at the next start. True when software rendering was chosen.
bool chooseSoftwareRenderer(const platform::Registry& registry);
// The camera mode (0 … 6) of a command 1126 … 1132, or −1.
int cameraModeOfCommand(int command);

} // namespace editor
