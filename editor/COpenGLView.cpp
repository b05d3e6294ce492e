#include "editor/COpenGLView.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLWindow>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "editor/Prompter.h"
#include "editor/UiTexts.h"
#include "editor/WalkKeyCodes.h"
#include "items/BuiltinFiles.h"
#include "model/CZarnoltDocument.h"
#include "platform/Registry.h"
#include "platform/RenderLock.h"
#include "render/CDocumentRenderer.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/ContextCheck.h"
#include "sound/CPlaySound.h"
#include "sound/SteamSound.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace editor {

namespace {

QString uiString(int id) {
    const std::string_view text = uiText(TextKind::String, id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The software warning is shown once a process.
bool softwareWarned = false;

// The digit 0 … 9 on a key position (X11 key codes 10 … 19 hold 1 … 9, 0), or −1.
int digitOfScanCode(quint32 scanCode) {
    if (scanCode >= 10 && scanCode <= 19) {
        return scanCode == 19 ? 0 : static_cast<int>(scanCode) - 9;
    }
    return -1;
}

int digitOfKey(int key, bool japaneseLayout) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return key - Qt::Key_0;
    }
    // Shifted symbols of 0 … 9 on the two layouts; 0 on the Japanese layout has none.
    constexpr int kUs[] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                           Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                           Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                           Qt::Key_ParenLeft};
    constexpr int kJapanese[] = {0,
                                 Qt::Key_Exclam,
                                 Qt::Key_QuoteDbl,
                                 Qt::Key_NumberSign,
                                 Qt::Key_Dollar,
                                 Qt::Key_Percent,
                                 Qt::Key_Ampersand,
                                 Qt::Key_Apostrophe,
                                 Qt::Key_ParenLeft,
                                 Qt::Key_ParenRight};
    const int* table = japaneseLayout ? kJapanese : kUs;
    for (int d = 0; d < 10; ++d) {
        if (table[d] != 0 && table[d] == key) {
            return d;
        }
    }
    return -1;
}

} // namespace

// The native window the frames are drawn in. Its context shares the process's lists and
// textures. It never takes the keyboard focus, so keys reach the view as any widget's do;
// mouse and wheel events are handed to the view, whose coordinates are the same.
class COpenGLSurface : public QOpenGLWindow {
public:
    explicit COpenGLSurface(COpenGLView& view)
        : QOpenGLWindow(QOpenGLContext::globalShareContext()), view_(view) {
        setFormat(COpenGLView::requestedFormat());
        setFlag(Qt::WindowDoesNotAcceptFocus);
    }

protected:
    void initializeGL() override { view_.initializeGL(); }
    void resizeGL(int, int) override { view_.resizeGL(); }
    void paintGL() override { view_.paintGL(); }
    bool event(QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            view_.setFocus(Qt::MouseFocusReason);
            [[fallthrough]];
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::FocusOut:
            return QCoreApplication::sendEvent(&view_, e);
        default:
            return QOpenGLWindow::event(e);
        }
    }

private:
    COpenGLView& view_;
};

bool chooseSoftwareRenderer(const platform::Registry& registry) {
    const auto stored = registry.getBinary(model::CZarnoltDocument::kRegistrySection,
                                           model::CZarnoltDocument::kRegistryEntry);
    const auto preferences = stored ? model::PreferenceData::fromBytes(*stored) : std::nullopt;
    if (!preferences || (preferences->flags & model::PrefNoAcceleration) == 0) {
        return false;
    }
    // Mesa's drivers read this when they load; a value the user set stays.
    qputenv("LIBGL_ALWAYS_SOFTWARE", qEnvironmentVariable("LIBGL_ALWAYS_SOFTWARE", "1").toUtf8());
    if (QCoreApplication::instance() == nullptr) {
        QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL);
    }
    return true;
}

int cameraModeOfCommand(int command) {
    switch (command) {
    case 1126:
        return render::ModeLayout;
    case 1127:
        return render::ModeDriverSeat;
    case 1129:
        return render::ModeLeftWindow;
    case 1128:
        return render::ModeRightWindow;
    case 1130:
        return render::ModeConductorRoom;
    case 1131:
        return render::ModeWalk;
    case 1132:
        return render::ModeChase;
    default:
        return -1;
    }
}

int accelerator3D(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode, bool japaneseLayout) {
    const Qt::KeyboardModifiers mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (mods == Qt::ControlModifier && key == Qt::Key_G) {
        return 1525;
    }
    if (mods != (Qt::ControlModifier | Qt::ShiftModifier)) {
        return 0;
    }
    if (key == Qt::Key_C) {
        return 57602;
    }
    int digit = digitOfScanCode(scanCode);
    if (digit < 0) {
        digit = digitOfKey(key, japaneseLayout);
    }
    // Ctrl+Shift+0 … 7 in the order of the 3D view menu.
    constexpr int kCommands[] = {1125, 1126, 1127, 1129, 1128, 1130, 1131, 1132};
    return digit >= 0 && digit <= 7 ? kCommands[digit] : 0;
}

QSurfaceFormat COpenGLView::requestedFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

COpenGLView::COpenGLView(Prompter& prompter, int cameraMode, QWidget* parent)
    : QWidget(parent), prompter_(prompter), initialMode_(cameraMode) {
    setObjectName(QStringLiteral("COpenGLView"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    surface_ = new COpenGLSurface(*this);
    container_ = QWidget::createWindowContainer(surface_, this);
    container_->setObjectName(QStringLiteral("COpenGLSurface"));
    container_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container_);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMillis);
    connect(&settle_, &QTimer::timeout, this, [this] {
        if (applySize(deviceSize())) {
            requestFrame();
        }
    });
    keyPoll_.setInterval(kKeyPollMillis);
    connect(&keyPoll_, &QTimer::timeout, this, &COpenGLView::pollKeys);

    // The running sound: "no sound" is read once, here; the built-in sound 128 plays on the
    // first output device in its own format.
    const auto* doc = model::currentDocument();
    auto player = std::make_unique<sound::CPlaySound>();
    if (player->loadWaveFile(items::findBuiltinSound("128"))) {
        player->openDevice(0, player->waveFile()->format());
    }
    sound_ = std::make_unique<sound::SteamSound>(
        std::move(player), doc != nullptr && doc->testPreferenceFlag(model::PrefNoSound));
    soundTimer_.setInterval(kSoundMillis);
    connect(&soundTimer_, &QTimer::timeout, this, &COpenGLView::soundTick);
    soundTimer_.start();
}

COpenGLView::~COpenGLView() {
    soundTimer_.stop();
    sound_.reset();
    releaseRenderer();
    // The surface and its context go while the view is whole: the context's going calls back
    // into the view.
    delete container_;
    container_ = nullptr;
    surface_ = nullptr;
}

sound::SteamSoundInputs COpenGLView::soundInputs() const {
    sound::SteamSoundInputs in;
    const auto* controller = trains::trainController();
    in.hasController = controller != nullptr;
    if (controller != nullptr) {
        // The controller's thread moves the vehicles: read them as a step leaves them.
        platform::RenderLockGuard model;
        for (const trains::CTrainItem* v : controller->vehicles()) {
            in.vehicles.push_back(sound::SteamSoundInputs::Vehicle{
                v->isSteamLocomotive(), v->isActive(), v->isBlocked(), v->speed()});
        }
        const trains::CTrainItem* camera = trains::cameraTrain();
        in.cameraTrainIsSteam = camera != nullptr && camera->isSteamLocomotive();
    }
    in.hasRenderer = render::documentRenderer() != nullptr;
    in.cameraMode = cameraMode();
    return in;
}

void COpenGLView::soundTick() {
    if (sound_) {
        sound_->tick(soundInputs());
    }
}

render::CDocumentRenderer* COpenGLView::renderer() const {
    render::CDocumentRenderer* r = render::documentRenderer();
    return usable_ && r && r->isReady() ? r : nullptr;
}

QSize COpenGLView::deviceSize() const {
    const qreal ratio = surface_->devicePixelRatio();
    return {static_cast<int>(std::lround(surface_->width() * ratio)),
            static_cast<int>(std::lround(surface_->height() * ratio))};
}

QWindow* COpenGLView::surface() const {
    return surface_;
}

bool COpenGLView::makeCurrent() {
    if (surface_->context() == nullptr || surface_->handle() == nullptr) {
        return false;
    }
    surface_->makeCurrent();
    return true;
}

void COpenGLView::doneCurrent() {
    if (surface_->context() != nullptr) {
        surface_->doneCurrent();
    }
}

void COpenGLView::requestFrame() {
    surface_->update();
}

bool COpenGLView::paintNow() {
    if (!surface_->isExposed() || renderer() == nullptr || !makeCurrent()) {
        return false;
    }
    const long before = framesDrawn_;
    paintGL();
    surface_->context()->swapBuffers(surface_);
    return framesDrawn_ != before;
}

QImage COpenGLView::grabFramebuffer() {
    render::CDocumentRenderer* r = renderer();
    if (r == nullptr || !makeCurrent()) {
        return {};
    }
    // Drawn into the back buffer and read from there, without being shown.
    if (!r->draw()) {
        return {};
    }
    ++framesDrawn_;
    return surface_->grabFramebuffer();
}

void COpenGLView::initializeGL() {
    connect(surface_->context(), &QOpenGLContext::aboutToBeDestroyed, this,
            &COpenGLView::contextGoing,
            static_cast<Qt::ConnectionType>(Qt::DirectConnection | Qt::UniqueConnection));
    usable_ = false;
    const render::opengl::ContextFacts facts = render::opengl::inspectCurrentContext();
    if (!facts.usable) {
        tell(4004);
        return;
    }
    auto* doc = model::currentDocument();
    if (!doc) {
        return;
    }
    const bool softwareChosen = doc->testPreferenceFlag(model::PrefNoAcceleration);
    if (facts.software && !softwareChosen && !softwareWarned) {
        softwareWarned = true;
        tell(4005);
    }
    render::CDocumentRenderer* r = render::documentRenderer();
    int mode = initialMode_;
    if (r && &r->document() != doc) {
        r = nullptr;
    }
    if (r) {
        // A context made again while the renderer lives on: the lists and textures live on
        // in the shared context; only the new context's state is set up.
        mode = r->cameraMode();
    } else {
        r = render::installDocumentRenderer(std::make_unique<render::CDocumentRenderer>(
            *doc, std::make_unique<render::opengl::COpenGLBackEnd>()));
    }
    const QSize size = deviceSize();
    if (!r->initialise(std::max(size.width(), 1), std::max(size.height(), 1), mode)) {
        tell(4004);
        return;
    }
    applied_ = size;
    usable_ = true;
    released_ = false;
}

void COpenGLView::tell(int message) {
    // Shown once the context set-up has returned, not from inside it.
    QTimer::singleShot(0, this, [this, message] { prompter_.inform(this, uiString(message)); });
}

void COpenGLView::contextGoing() {
    // The context goes while the view lives on: the renderer is set up again in the next
    // context. When the view itself goes, the renderer goes too.
    usable_ = false;
}

void COpenGLView::releaseRenderer() {
    if (released_) {
        return;
    }
    released_ = true;
    keyPoll_.stop();
    settle_.stop();
    if (render::documentRenderer()) {
        const bool current = makeCurrent();
        render::destroyDocumentRenderer();
        if (current) {
            doneCurrent();
        }
    }
    usable_ = false;
}

void COpenGLView::resizeGL() {
    // Sizes settle before the renderer is set up for them.
    settle_.start();
}

bool COpenGLView::applySize(QSize size) {
    render::CDocumentRenderer* r = renderer();
    if (!r || size.width() <= 0 || size.height() <= 0 || size == applied_ || r->isDrawing()) {
        return false;
    }
    if (!makeCurrent()) {
        return false;
    }
    const bool done = r->resize(size.width(), size.height());
    doneCurrent();
    if (done) {
        applied_ = size;
    }
    return done;
}

void COpenGLView::paintGL() {
    if (render::CDocumentRenderer* r = renderer(); r && r->draw()) {
        ++framesDrawn_;
    }
}

void COpenGLView::setCameraMode(int mode) {
    if (render::CDocumentRenderer* r = renderer(); r && makeCurrent()) {
        r->setCameraMode(mode);
        doneCurrent();
        requestFrame();
    } else {
        initialMode_ = mode;
    }
}

int COpenGLView::cameraMode() const {
    const render::CDocumentRenderer* r = renderer();
    return r ? r->cameraMode() : initialMode_;
}

bool COpenGLView::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        // The window's own keys win over the main frame's application shortcuts.
        auto* key = static_cast<QKeyEvent*>(e);
        const QInputMethod* im = QGuiApplication::inputMethod();
        const bool japanese = im && im->locale().language() == QLocale::Japanese;
        if (accelerator3D(key->key(), key->modifiers(), key->nativeScanCode(), japanese) != 0) {
            e->accept();
            return true;
        }
    }
    return QWidget::event(e);
}

void COpenGLView::keyPressEvent(QKeyEvent* e) {
    const QInputMethod* im = QGuiApplication::inputMethod();
    const bool japanese = im && im->locale().language() == QLocale::Japanese;
    const int id = accelerator3D(e->key(), e->modifiers(), e->nativeScanCode(), japanese);
    if (id != 0) {
        if (!e->isAutoRepeat()) {
            emit command(id);
        }
        return;
    }
    keys_.press(virtualKeyFromQtKey(e->key()), e->isAutoRepeat());
    emit activity();
    if (keys_.anyDown() && !keyPoll_.isActive()) {
        // A new round of polling starts from standing still, with the keys the user chose.
        const auto* doc = model::currentDocument();
        poller_.setBindings(doc != nullptr
                                ? render::WalkKeyBindings::fromPreferences(doc->getPreferences())
                                : render::WalkKeyBindings{});
        poller_.reset();
        keyPoll_.start();
    }
}

void COpenGLView::keyReleaseEvent(QKeyEvent* e) {
    keys_.release(virtualKeyFromQtKey(e->key()), e->isAutoRepeat());
}

void COpenGLView::focusOutEvent(QFocusEvent* e) {
    // A key released elsewhere never reports here: let go of everything and stand still.
    keys_.clear();
    keyPoll_.stop();
    poller_.reset();
    dragging_ = false;
    QWidget::focusOutEvent(e);
}

void COpenGLView::pollKeys() {
    render::CDocumentRenderer* r = renderer();
    if (!r) {
        keyPoll_.stop();
        return;
    }
    const render::WalkPollResult result = poller_.poll(keys_, *r);
    if (result.moved) {
        requestFrame();
    }
    if (!result.keepPolling) {
        keyPoll_.stop();
    }
}

void COpenGLView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        dragging_ = true;
        lastMouse_ = e->position().toPoint();
        emit activity();
    }
}

void COpenGLView::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint now = e->position().toPoint();
    if (now == lastMouse_) {
        return;
    }
    if (render::CDocumentRenderer* r = renderer()) {
        r->dragTurn(lastMouse_.x() - now.x(), lastMouse_.y() - now.y(), width(), height());
        requestFrame();
    }
    lastMouse_ = now;
}

void COpenGLView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        dragging_ = false;
        lastMouse_ = e->position().toPoint();
    }
}

void COpenGLView::wheelEvent(QWheelEvent* e) {
    render::CDocumentRenderer* r = renderer();
    const int delta = e->angleDelta().y();
    if (!r || delta == 0 || !makeCurrent()) {
        return;
    }
    const bool changed = r->addZoom(delta / 120.0 * 0.06);
    doneCurrent();
    if (changed) {
        requestFrame();
    }
    e->accept();
}

} // namespace editor
