// The 3D window on a real display (Xvfb): keys, resizes, placement, its picture against the
// offscreen renderer, and running with trains.
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QOpenGLContext>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "editor/COpenGLView.h"
#include "editor/EditorHooks.h"
#include "editor/OpenGLFrameWnd.h"
#include "editor/UiTexts.h"
#include "image/PictureFiles.h"
#include "model/CZarnoltDocument.h"
#include "platform/Registry.h"
#include "render/CDocumentRenderer.h"
#include "render/KeyStateTable.h"
#include "render/opengl/ContextCheck.h"
#include "sound/CPlaySound.h"
#include "sound/SteamSound.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"
#include "tests/editor/EditorFixture.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"

namespace {

using editor::accelerator3D;

const std::filesystem::path kSamples =
    std::filesystem::path(ZARNOLT_BUILD_DIR) / "bin" / "サンプル";

TEST(Window3DKeysTest, KeyTableMatchesDigitsWhateverTheLayoutReports) {
    const auto cs = Qt::ControlModifier | Qt::ShiftModifier;
    struct Case {
        int key;
        Qt::KeyboardModifiers mods;
        quint32 scanCode;
        bool japanese;
        int command;
    };
    const Case cases[] = {
        {Qt::Key_0, cs, 0, false, 1125},
        {Qt::Key_1, cs, 0, false, 1126},
        {Qt::Key_3, cs, 0, false, 1129}, // left window before right
        {Qt::Key_4, cs, 0, false, 1128},
        {Qt::Key_6, cs, 0, false, 1131},
        {Qt::Key_7, cs, 0, false, 1132},
        {Qt::Key_8, cs, 0, false, 0},
        {Qt::Key_AsciiCircum, cs, 0, false, 1131}, // US Shift+6
        {Qt::Key_Ampersand, cs, 0, false, 1132},   // US Shift+7
        {Qt::Key_Ampersand, cs, 0, true, 1131},    // Japanese Shift+6
        {Qt::Key_Apostrophe, cs, 0, true, 1132},   // Japanese Shift+7
        {Qt::Key_QuoteDbl, cs, 0, true, 1127},     // Japanese Shift+2
        {Qt::Key_ParenRight, cs, 0, false, 1125},  // US Shift+0
        {Qt::Key_Ampersand, cs, 15, true, 1131},   // the key position decides: 15 holds 6
        {Qt::Key_Ampersand, cs, 16, false, 1132},
        {Qt::Key_Exclam, cs, 19, false, 1125}, // 19 holds 0
        {Qt::Key_C, cs, 0, false, 57602},
        {Qt::Key_G, Qt::ControlModifier, 0, false, 1525},
        {Qt::Key_G, cs, 0, false, 0},
        {Qt::Key_6, Qt::ControlModifier, 0, false, 0},
        {Qt::Key_6, Qt::ShiftModifier, 0, false, 0},
        {Qt::Key_W, Qt::NoModifier, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + " scan " + std::to_string(c.scanCode));
        EXPECT_EQ(accelerator3D(c.key, c.mods, c.scanCode, c.japanese), c.command);
    }
    EXPECT_EQ(accelerator3D(Qt::Key_6, cs | Qt::KeypadModifier, 0, false), 1131);
}

TEST(Window3DKeysTest, AutoRepeatIsIgnoredAndClearEmptiesTheTable) {
    render::KeyStateTable keys;
    keys.press(Qt::Key_W, false);
    keys.press(Qt::Key_A, true); // a repeat without its first press
    EXPECT_TRUE(keys.isDown(Qt::Key_W));
    EXPECT_FALSE(keys.isDown(Qt::Key_A));
    keys.release(Qt::Key_W, true); // the release of a repeat does not let go
    EXPECT_TRUE(keys.isDown(Qt::Key_W));
    keys.release(Qt::Key_W, false);
    EXPECT_FALSE(keys.anyDown());
    keys.press(Qt::Key_S, false);
    keys.press(Qt::Key_Left, false);
    keys.clear();
    EXPECT_FALSE(keys.anyDown());
}

TEST(Window3DContextTest, SoftwareRasterisersAreRecognisedByName) {
    const std::pair<const char*, bool> cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"Mesa X11 SOFTPIPE", true},
        {"Software Rasterizer", true},
        {"GDI Generic", true},
        {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)", false},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"", false},
    };
    for (const auto& [name, software] : cases) {
        EXPECT_EQ(render::opengl::isSoftwareRenderer(name), software) << name;
    }
}

TEST(Window3DContextTest, NoAccelerationChoosesTheSoftwareRasteriserBeforeAnyContext) {
    const QByteArray saved = qgetenv("LIBGL_ALWAYS_SOFTWARE");
    const bool had = qEnvironmentVariableIsSet("LIBGL_ALWAYS_SOFTWARE");
    testsupport::TempFolder folder;
    platform::Registry registry(folder / "settings");
    for (const bool noAcceleration : {false, true}) {
        SCOPED_TRACE(noAcceleration);
        qunsetenv("LIBGL_ALWAYS_SOFTWARE");
        model::PreferenceData preferences = model::PreferenceData::defaults();
        if (noAcceleration) {
            preferences.flags |= model::PrefNoAcceleration;
        }
        const auto bytes = preferences.toBytes();
        ASSERT_TRUE(registry.setBinary(model::CZarnoltDocument::kRegistrySection,
                                       model::CZarnoltDocument::kRegistryEntry, bytes));
        EXPECT_EQ(editor::chooseSoftwareRenderer(registry), noAcceleration);
        EXPECT_EQ(qgetenv("LIBGL_ALWAYS_SOFTWARE"),
                  noAcceleration ? QByteArray("1") : QByteArray());
    }
    // A value the user put in the environment wins.
    qputenv("LIBGL_ALWAYS_SOFTWARE", "0");
    EXPECT_TRUE(editor::chooseSoftwareRenderer(registry));
    EXPECT_EQ(qgetenv("LIBGL_ALWAYS_SOFTWARE"), QByteArray("0"));
    if (had) {
        qputenv("LIBGL_ALWAYS_SOFTWARE", saved);
    } else {
        qunsetenv("LIBGL_ALWAYS_SOFTWARE");
    }
}

class Window3DTest : public editortest::EditorFixture {
protected:
    void SetUp() override {
        makeFrame();
        editor::installOpenGLWindow(prompter, *registry, frame.get());
        frame->show();
    }
    void TearDown() override {
        if (auto* w = editor::OpenGLFrameWnd::instance()) {
            w->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        editor::stopRunningNow();
        editortest::EditorFixture::TearDown();
    }
    editor::OpenGLFrameWnd* open(int command = 1126) {
        editor::editorHooks().open3DWindow(command);
        auto* window = editor::OpenGLFrameWnd::instance();
        if (window) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
            window->view()->paintNow();
        }
        return window;
    }
    void openSample(const char* name) {
        ASSERT_TRUE(frame->openLayout(QString::fromStdString((kSamples / name).string())));
    }
};

TEST_F(Window3DTest, OpensWithItsTitleMenusAndAReadyRenderer) {
    EXPECT_FALSE(editor::editorHooks().has3DWindow());
    auto* window = open(1131);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(editor::editorHooks().has3DWindow());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Zarnolt3D [OpenGL]"));
    QStringList titles;
    for (QAction* a : window->menuBar()->actions()) {
        titles << a->text();
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("ファイル"), QStringLiteral("３Ｄビュー"),
                                   QStringLiteral("コントロール")}));
    EXPECT_TRUE(window->action(1132)->text().startsWith(QStringLiteral("列車を追走\t")));
    ASSERT_TRUE(window->view()->contextUsable()) << prompter.messages.join('\n').toStdString();
    ASSERT_NE(window->view()->renderer(), nullptr);
    EXPECT_EQ(window->view()->cameraMode(), render::ModeWalk);
    // The main frame's camera commands show the 3D view's mode.
    frame->updateCommands();
    EXPECT_TRUE(frame->action(1131)->isChecked());
    EXPECT_FALSE(frame->action(1126)->isChecked());
    // A second camera command reuses the window.
    frame->action(1126)->trigger();
    EXPECT_EQ(editor::OpenGLFrameWnd::instance(), window);
    EXPECT_EQ(editor::editorHooks().cameraMode(), render::ModeLayout);
    EXPECT_TRUE(frame->action(1126)->isChecked());
}

TEST_F(Window3DTest, CtrlShift6SwitchesToWalkAndHoldingWWalksUntilFocusIsLost) {
    auto* window = open();
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    ASSERT_NE(view->renderer(), nullptr);
    QTest::keyClick(view, Qt::Key_6, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(view->cameraMode(), render::ModeWalk);
    EXPECT_EQ(editor::editorHooks().cameraMode(), render::ModeWalk);

    // Held W walks on the 10 ms timer, towards the target, at the standing height.
    const render::Vec3 start = view->renderer()->cameraState().eye;
    const render::Vec3 aim = view->renderer()->cameraState().target;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &press);
    ASSERT_TRUE(view->keys().isDown('W'));
    const auto walkedFrom = [&](const render::Vec3& from) {
        const render::Vec3 eye = view->renderer()->cameraState().eye;
        return std::hypot(eye.x - from.x, eye.z - from.z);
    };
    QTRY_VERIFY_WITH_TIMEOUT(walkedFrom(start) > 0.1, 10000);
    const render::Vec3 walked = view->renderer()->cameraState().eye;
    EXPECT_EQ(walked.y, start.y);
    EXPECT_LT(std::hypot(aim.x - walked.x, aim.z - walked.z),
              std::hypot(aim.x - start.x, aim.z - start.z));

    // Losing the focus lets go of the keys and stops the walker at once.
    QFocusEvent lost(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(view, &lost);
    EXPECT_FALSE(view->keys().anyDown());
    const render::Vec3 stopped = view->renderer()->cameraState().eye;
    QTest::qWait(100);
    view->pollKeys();
    EXPECT_EQ(view->renderer()->cameraState().eye, stopped);

    // Ctrl+Shift+1 goes back to the standard view; Ctrl+Shift+C closes the window.
    QTest::keyClick(view, Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view->cameraMode(), render::ModeLayout);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor::OpenGLFrameWnd::instance(), nullptr);
    EXPECT_EQ(render::documentRenderer(), nullptr);
}

TEST_F(Window3DTest, TheWalkKeysAreTheOnesChosenInTheSettings) {
    auto* doc = model::currentDocument();
    ASSERT_NE(doc, nullptr);
    model::PreferenceData preferences = doc->getPreferences();
    preferences.keys[model::WalkForward].keyCode = 'I';
    doc->setPreferences(preferences);
    auto* window = open(1131);
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    ASSERT_NE(view->renderer(), nullptr);
    ASSERT_EQ(view->cameraMode(), render::ModeWalk);
    const render::Vec3 start = view->renderer()->cameraState().eye;

    // W is no walk key any more: holding it leaves the walker standing.
    QKeyEvent pressW(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &pressW);
    QTest::qWait(200);
    EXPECT_EQ(view->renderer()->cameraState().eye, start);
    QKeyEvent releaseW(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &releaseW);

    // I walks, and releasing it lets the walker glide to a stop.
    QKeyEvent pressI(QEvent::KeyPress, Qt::Key_I, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &pressI);
    ASSERT_TRUE(view->keys().isDown('I'));
    QTRY_VERIFY_WITH_TIMEOUT(view->renderer()->cameraState().eye.z < start.z - 0.1, 10000);
    QKeyEvent releaseI(QEvent::KeyRelease, Qt::Key_I, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &releaseI);
    EXPECT_FALSE(view->keys().anyDown());
    QTRY_VERIFY_WITH_TIMEOUT(view->walkPoller().motion().moveSpeed == 0, 10000);
    // The settings outlive the document: give the next tests their W back.
    preferences.keys[model::WalkForward].keyCode = 'W';
    doc->setPreferences(preferences);
}

TEST_F(Window3DTest, OnlyANewNonEmptySizeSetsTheRendererUpAgain) {
    auto* window = open();
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    ASSERT_NE(view->renderer(), nullptr);
    const QSize applied = view->appliedSize();
    ASSERT_FALSE(applied.isEmpty());
    EXPECT_FALSE(view->applySize(applied));
    EXPECT_FALSE(view->applySize(QSize(applied.width(), 0)));
    EXPECT_FALSE(view->applySize(QSize(-3, 50)));
    EXPECT_EQ(view->appliedSize(), applied);
    const QSize other(applied.width() + 37, applied.height() + 11);
    view->renderer()->setLayoutYaw(25);
    ASSERT_TRUE(view->renderer()->setZoom(2.0));
    const render::CameraState before = view->renderer()->cameraState();
    ASSERT_TRUE(view->applySize(other));
    const render::CameraState& camera = view->renderer()->cameraState();
    EXPECT_EQ(camera.viewportWidth, other.width());
    EXPECT_EQ(camera.viewportHeight, other.height());
    // The view keeps its pose; only the shape of the picture changes.
    EXPECT_EQ(camera.eye, before.eye);
    EXPECT_EQ(camera.target, before.target);
    EXPECT_EQ(camera.layoutYaw, 25);
    EXPECT_EQ(camera.zoom, 2.0);
    EXPECT_DOUBLE_EQ(camera.aspect, static_cast<double>(other.width()) / other.height());
    // A resize of the window settles on the window's size.
    window->resize(520, 330);
    QTRY_COMPARE(view->appliedSize(), view->size() * view->devicePixelRatio());
}

TEST_F(Window3DTest, DragTurnsAndTheWheelZoomsTheLayoutView) {
    auto* window = open();
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    render::CDocumentRenderer* r = view->renderer();
    ASSERT_NE(r, nullptr);
    const int shorter = std::min(view->width(), view->height());
    ASSERT_GT(shorter, 20);
    const double yaw = r->layoutYaw();
    const double pitch = r->layoutPitch();
    const QPointF from(view->width() / 2.0, view->height() / 2.0);
    const QPointF to = from + QPointF(shorter / 2.0, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, view->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &press);
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    // Half the shorter side to the right turns the view by 45 degrees; the pitch stays.
    EXPECT_EQ(r->layoutYaw(), render::wrapDegrees(yaw + 45));
    EXPECT_EQ(r->layoutPitch(), pitch);
    QMouseEvent release(QEvent::MouseButtonRelease, to, view->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &release);
    // A move without the button turns nothing.
    const QPointF away = to + QPointF(0, 30);
    QMouseEvent hover(QEvent::MouseMove, away, view->mapToGlobal(away), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view, &hover);
    EXPECT_EQ(r->layoutPitch(), pitch);

    const double zoom = r->zoom();
    QWheelEvent wheel(from, view->mapToGlobal(from), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    EXPECT_NEAR(r->zoom(), zoom + 0.06, 1e-9);
    QWheelEvent back(from, view->mapToGlobal(from), QPoint(), QPoint(0, -240), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &back);
    // Below a zoom of 1 the step is refused, not clamped.
    EXPECT_NEAR(r->zoom(), zoom + 0.06, 1e-9);
}

// The frames are shown in a native window over the view: what the user does with the mouse
// there reaches the view, and a click takes the keyboard focus to the view, not the surface.
TEST_F(Window3DTest, TheSurfaceHandsMouseAndWheelToTheView) {
    auto* window = open();
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    render::CDocumentRenderer* r = view->renderer();
    ASSERT_NE(r, nullptr);
    QWindow* surface = view->surface();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->size(), view->size());
    window->menuBar()->setFocus();
    ASSERT_FALSE(view->hasFocus());
    const double yaw = r->layoutYaw();
    const int shorter = std::min(view->width(), view->height());
    const QPoint from(view->width() / 2, view->height() / 2);
    const QPoint to = from + QPoint(shorter / 2, 0);
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, from);
    EXPECT_TRUE(view->hasFocus());
    EXPECT_NE(QGuiApplication::focusWindow(), surface);
    QTest::mouseMove(surface, to);
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_NEAR(r->layoutYaw(), render::wrapDegrees(yaw + 45), 1.0);
    const double zoom = r->zoom();
    QWheelEvent wheel(QPointF(from), QPointF(surface->mapToGlobal(from)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(surface, &wheel);
    EXPECT_NEAR(r->zoom(), zoom + 0.06, 1e-9);
}

TEST_F(Window3DTest, PlacementIsKeptInTheSettingsAndRestored) {
    auto* window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(registry->getBinary("OpenGLFrameWnd", "WINDOWPLACEMENT").has_value());
    window->resize(431, 287);
    QTRY_COMPARE(window->size(), QSize(431, 287));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(registry->getBinary("OpenGLFrameWnd", "WINDOWPLACEMENT").has_value());
    EXPECT_EQ(render::documentRenderer(), nullptr);

    auto* again = open();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, window);
    EXPECT_EQ(again->size(), QSize(431, 287));
    ASSERT_NE(again->view()->renderer(), nullptr) << "the renderer comes back with the window";
}

TEST_F(Window3DTest, DamagedPlacementBytesLeaveTheDefaultPlacement) {
    const std::vector<std::uint8_t> junk = {1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF};
    registry->setBinary("OpenGLFrameWnd", "WINDOWPLACEMENT", junk);
    auto* window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(),
              QSize(editor::OpenGLFrameWnd::kDefaultSize, editor::OpenGLFrameWnd::kDefaultSize));
}

// Moving the view into another window moves its native surface there; the renderer and its
// camera carry on and still draw the layout.
TEST_F(Window3DTest, TheRendererOutlivesMovingTheViewToAnotherWindow) {
    auto* window = open(1126);
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    render::CDocumentRenderer* before = view->renderer();
    ASSERT_NE(before, nullptr);
    before->setLayoutYaw(30);
    QWidget other;
    other.resize(300, 200);
    view->setParent(&other);
    view->resize(300, 200);
    other.show();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const QImage picture = view->grabFramebuffer();
    EXPECT_EQ(render::documentRenderer(), before);
    ASSERT_NE(view->renderer(), nullptr);
    EXPECT_EQ(view->renderer()->layoutYaw(), 30);
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
            colours.insert(picture.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 20u);
    window->setCentralWidget(view);
    EXPECT_TRUE(prompter.messages.filter(QStringLiteral("OpenGLの初期化")).isEmpty());
}

TEST_F(Window3DTest, PictureMatchesTheOffscreenRendererOfTheSameLayoutAndPose) {
    openSample("複線ループ.zrn");
    auto* window = open();
    ASSERT_NE(window, nullptr);
    auto* view = window->view();
    ASSERT_NE(view->renderer(), nullptr);
    view->renderer()->setHudVisible(false);
    const QImage shown = view->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(shown.isNull());
    // The frame reaches the screen as drawn: the window system's copy of the view's native
    // window holds the same pixels once the frame is shown.
    ASSERT_TRUE(view->paintNow());
    QScreen* screen = view->surface()->screen();
    ASSERT_NE(screen, nullptr);
    const QImage onScreen = screen->grabWindow(view->surface()->winId())
                                .toImage()
                                .convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(onScreen.size(), shown.size());
    int unlike = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                unlike += std::abs(shown.constScanLine(y)[3 * x + c] -
                                   onScreen.constScanLine(y)[3 * x + c]) > 2
                              ? 1
                              : 0;
            }
        }
    }
    EXPECT_EQ(unlike, 0);

    testsupport::TempFolder scratch;
    const std::filesystem::path png = scratch / "offscreen.png";
    const std::string size = std::to_string(shown.width()) + "x" + std::to_string(shown.height());
    const auto run =
        testsupport::runCli({"render", (kSamples / "複線ループ.zrn").string(), "--out",
                             png.string(), "--size", size, "--camera", "0", "--no-hud"},
                            scratch);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QImage offscreen(QString::fromStdString(png.string()));
    ASSERT_FALSE(offscreen.isNull());
    offscreen = offscreen.convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(offscreen.size(), shown.size());
    // For a look by eye: the frame and the whole window as shown.
    const auto saved = std::filesystem::path(ZARNOLT_BUILD_DIR);
    shown.save(QString::fromStdString((saved / "window3d-frame.png").string()));
    screen->grabWindow(window->winId())
        .save(QString::fromStdString((saved / "window3d-window.png").string()));
    // The two GL implementations sample the fine, unfiltered ballast and sleeper textures
    // differently, so the pictures are compared by 8×8 blocks: how many pixels of a block
    // show the green ground (the outline of everything drawn on it) and the block's mean
    // colour. A moved camera, a missing pass or a wrong colour changes many blocks; texture
    // sampling changes neither much.
    constexpr int kBlock = 8;
    const auto isGround = [](const uchar* p) { return p[1] > p[0] + 40 && p[1] > p[2] + 40; };
    int blocks = 0;
    int differing = 0;
    for (int by = 0; by + kBlock <= shown.height(); by += kBlock) {
        for (int bx = 0; bx + kBlock <= shown.width(); bx += kBlock) {
            int sumA[3] = {0, 0, 0};
            int sumB[3] = {0, 0, 0};
            int groundA = 0;
            int groundB = 0;
            for (int y = by; y < by + kBlock; ++y) {
                const uchar* a = shown.constScanLine(y);
                const uchar* b = offscreen.constScanLine(y);
                for (int x = bx; x < bx + kBlock; ++x) {
                    groundA += isGround(a + 3 * x) ? 1 : 0;
                    groundB += isGround(b + 3 * x) ? 1 : 0;
                    for (int c = 0; c < 3; ++c) {
                        sumA[c] += a[3 * x + c];
                        sumB[c] += b[3 * x + c];
                    }
                }
            }
            ++blocks;
            bool differs = std::abs(groundA - groundB) > kBlock;
            for (int c = 0; c < 3; ++c) {
                differs |= std::abs(sumA[c] - sumB[c]) > 40 * kBlock * kBlock;
            }
            differing += differs ? 1 : 0;
        }
    }
    EXPECT_LE(differing, blocks / 100) << differing << " of " << blocks << " blocks differ";
    // Both drew the layout, not just the background: the plate's wood shows many colours.
    std::set<QRgb> colours;
    for (int y = 0; y < shown.height(); y += 2) {
        for (int x = 0; x < shown.width(); x += 2) {
            colours.insert(shown.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 20u);
}

// Resting on a catalogue cell shows the item drawn by the command-line tool's item picture
// code, through the display's OpenGL; the picture matches the tool's (compared by 8 × 8 block
// means, as two GL implementations may shade single pixels differently), and drawing it leaves
// the 3D view's context current.
TEST_F(Window3DTest, CataloguePreviewDrawsTheItemAsTheToolDoes) {
    openSample("複線ループ.zrn");
    auto* window = open();
    ASSERT_NE(window, nullptr);
    window->view()->makeCurrent();
    QOpenGLContext* viewContext = QOpenGLContext::currentContext();
    ASSERT_NE(viewContext, nullptr);
    ASSERT_TRUE(static_cast<bool>(editor::editorHooks().renderItemPicture));
    const auto item = std::filesystem::path(ZARNOLT_BUILD_DIR) / "bin" / "データ" / "C3DItem_File" /
                      "列車、客車、貨車" / "機関車" / "SL01.zn3";
    const QImage drawn = editor::editorHooks()
                             .renderItemPicture(item, QSize(240, 180))
                             .convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(QOpenGLContext::currentContext(), viewContext);
    window->view()->doneCurrent();
    ASSERT_EQ(drawn.size(), QSize(240, 180));

    testsupport::TempFolder scratch;
    const std::filesystem::path png = scratch / "item.png";
    const auto run = testsupport::runCli(
        {"render-item", item.string(), "--out", png.string(), "--size", "240x180"}, scratch);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QImage tool =
        QImage(QString::fromStdString(png.string())).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(tool.size(), drawn.size());
    constexpr int kBlock = 8;
    constexpr int kBackground[3] = {214, 222, 232};
    int blocks = 0;
    int differing = 0;
    int modelBlocks = 0;
    for (int by = 0; by + kBlock <= drawn.height(); by += kBlock) {
        for (int bx = 0; bx + kBlock <= drawn.width(); bx += kBlock) {
            int a[3] = {0, 0, 0};
            int b[3] = {0, 0, 0};
            for (int y = by; y < by + kBlock; ++y) {
                for (int x = bx; x < bx + kBlock; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        a[c] += drawn.constScanLine(y)[3 * x + c];
                        b[c] += tool.constScanLine(y)[3 * x + c];
                    }
                }
            }
            ++blocks;
            bool differs = false;
            bool model = false;
            for (int c = 0; c < 3; ++c) {
                differs |= std::abs(a[c] - b[c]) > 12 * kBlock * kBlock;
                model |= std::abs(b[c] - kBackground[c] * kBlock * kBlock) > 30 * kBlock * kBlock;
            }
            differing += differs ? 1 : 0;
            modelBlocks += model ? 1 : 0;
        }
    }
    EXPECT_LE(differing, blocks / 50) << differing << " of " << blocks << " blocks differ";
    // The locomotive fills a good part of the picture, not just the background.
    EXPECT_GT(modelBlocks, blocks / 10);
    drawn.save(QString::fromStdString(
        (std::filesystem::path(ZARNOLT_BUILD_DIR) / "catalogue-preview-gl.png").string()));
}

TEST_F(Window3DTest, RunningStartsBothThreadsAndClosingStopsThem) {
    openSample("複線ループ.zrn");
    auto* window = open();
    ASSERT_NE(window, nullptr);
    QTest::keyClick(window->view(), Qt::Key_G, Qt::ControlModifier);
    auto* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    ASSERT_TRUE(controller->isRunning());
    ASSERT_NE(trains::controlItemManager(), nullptr);
    EXPECT_TRUE(trains::controlItemManager()->hasThread());
    // Nothing else asks for frames now: the controller's steps do.
    const long frames = window->view()->framesDrawn();
    QTest::qWait(1000);
    EXPECT_TRUE(controller->isRunning());
    EXPECT_GT(window->view()->framesDrawn(), frames);
    window->close();
    EXPECT_FALSE(controller->isRunning());
    EXPECT_EQ(controller->thread(), nullptr);
    EXPECT_FALSE(trains::controlItemManager()->hasThread());
    EXPECT_EQ(editor::OpenGLFrameWnd::instance(), nullptr);
}

TEST_F(Window3DTest, CtrlGStopsRunningTrainsByBraking) {
    openSample("複線ループ.zrn");
    auto* window = open();
    ASSERT_NE(window, nullptr);
    window->runCommand(1525);
    auto* controller = trains::trainController();
    ASSERT_TRUE(controller && controller->isRunning());
    QTest::qWait(300);
    QTest::keyClick(window->view(), Qt::Key_G, Qt::ControlModifier);
    // The trains brake to a stop and the controller's thread ends by itself.
    QTRY_VERIFY_WITH_TIMEOUT(!controller->isRunning(), 30000);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Window3DTest, SteamSoundPlaysWhileTheSteamLocomotiveRunsAndNoSoundIsReadOnce) {
    openSample("複線ループ.zrn");
    auto* doc = model::currentDocument();
    doc->setPreferenceFlag(model::PrefNoSound, true);
    auto* window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->view()->steamSound(), nullptr);
    EXPECT_TRUE(window->view()->steamSound()->noSound());
    // Clearing the preference changes nothing until the window is opened again.
    doc->setPreferenceFlag(model::PrefNoSound, false);
    EXPECT_TRUE(window->view()->steamSound()->noSound());
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window = open();
    ASSERT_NE(window, nullptr);
    auto* steam = window->view()->steamSound();
    ASSERT_NE(steam, nullptr);
    EXPECT_FALSE(steam->noSound());
    // The built-in sound is loaded and an output (a device or the silent one) is open.
    ASSERT_NE(steam->player().waveFile(), nullptr);
    ASSERT_TRUE(steam->player().isDeviceOpen());
    EXPECT_EQ(steam->player().state(), 0);

    window->runCommand(1525);
    auto* controller = trains::trainController();
    ASSERT_TRUE(controller && controller->isRunning());
    // Once the steam locomotive moves, a tick of the view's timer starts the sound at half
    // volume in the layout camera mode.
    QTRY_VERIFY_WITH_TIMEOUT(sound::decideSteamSound(false, window->view()->soundInputs()).wanted,
                             30000);
    QTRY_COMPARE_WITH_TIMEOUT(steam->player().state(), 1, 5000);
    EXPECT_EQ(window->view()->cameraMode(), render::ModeLayout);
    EXPECT_EQ(steam->player().getVolume(), sound::kVolumeHalf);
    editor::stopRunningNow();
    QTRY_COMPARE_WITH_TIMEOUT(steam->player().state(), 0, 5000);
}

} // namespace
