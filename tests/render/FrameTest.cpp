// Whole frames drawn into an offscreen context: clear colour, light set-up, the HUD's place,
// repeatability, and what the frame holds while it draws.
#include "render/CDocumentRenderer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "render/Camera.h"
#include "render/ListKeys.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"

namespace {

using render::CDocumentRenderer;
using render::opengl::COpenGLBackEnd;
using render::opengl::OffscreenContext;

using Rgb = std::array<int, 3>;

// One context, one document and one renderer drawing into it.
class Scene {
public:
    Scene(int columns, int rows, int width, int height) : context_(width, height) {
        document_ = std::make_unique<model::CZarnoltDocument>(columns, rows);
    }
    ~Scene() {
        renderer_.reset();
        document_.reset();
        model::deleteAllTiles();
    }

    model::CZarnoltDocument& document() { return *document_; }
    bool valid() const { return context_.valid(); }

    CDocumentRenderer& start(int mode = 0) {
        renderer_ =
            std::make_unique<CDocumentRenderer>(*document_, std::make_unique<COpenGLBackEnd>());
        EXPECT_TRUE(renderer_->initialise(context_.width(), context_.height(), mode));
        return *renderer_;
    }
    CDocumentRenderer& renderer() { return *renderer_; }

    // Draws one frame and reads it back; pixel (x, y) counts y from the top.
    std::vector<std::uint8_t> frame() {
        EXPECT_TRUE(renderer_->draw());
        return context_.readPixels();
    }
    Rgb at(const std::vector<std::uint8_t>& pixels, int x, int y) const {
        const std::size_t offset =
            (static_cast<std::size_t>(context_.height() - 1 - y) * context_.width() + x) * 4;
        return {pixels[offset], pixels[offset + 1], pixels[offset + 2]};
    }

private:
    OffscreenContext context_;
    std::unique_ptr<model::CZarnoltDocument> document_;
    std::unique_ptr<CDocumentRenderer> renderer_;
};

void expectColourNear(const Rgb& actual, const Rgb& expected, const char* where) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1) << where << " channel " << i;
    }
}

TEST(Frame, CornersShowTheBackgroundTimesTheBrightness) {
    struct Case {
        bool lightOff;
        std::array<std::uint8_t, 3> background;
        Rgb expected;
    };
    const Case cases[] = {
        {false, {0, 102, 0}, {0, 102, 0}},
        {true, {0, 102, 0}, {0, 1, 0}}, // the light-off intensity 0.01
        {false, {200, 40, 90}, {200, 40, 90}},
        {true, {200, 100, 250}, {2, 1, 3}},
    };
    // The board shows its ground, so the corners must look past it: a board turned by 45
    // degrees leaves the top corners over the floor around the base plate, which has the
    // clear colour too.
    struct View {
        int size;
        double yaw;
        double pitch;
        int width;
        int height;
        int corners;
    };
    const View views[] = {{40, 45, 30, 120, 120, 2}, {11, 45, 30, 160, 120, 2}};
    for (const View& view : views) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << view.size << " tiles, " << (c.lightOff ? "light off" : "light on")
                         << ", background " << int(c.background[0]) << "," << int(c.background[1])
                         << "," << int(c.background[2]));
            Scene scene(view.size, view.size, view.width, view.height);
            ASSERT_TRUE(scene.valid());
            model::PreferenceData preferences = scene.document().getPreferences();
            std::copy(c.background.begin(), c.background.end(), preferences.backgroundColour);
            scene.document().setPreferences(preferences);
            scene.document().setEnvironmentFlag(model::EnvLightOff, c.lightOff);
            CDocumentRenderer& renderer = scene.start();
            renderer.setHudVisible(false);
            renderer.setLayoutYaw(view.yaw);
            renderer.setLayoutPitch(view.pitch);
            EXPECT_DOUBLE_EQ(renderer.brightness(), c.lightOff ? 0.01f : 1.0f);
            const auto pixels = scene.frame();
            expectColourNear(scene.at(pixels, 0, 0), c.expected, "top left");
            const int right = view.width - 1;
            const int bottom = view.height - 1;
            expectColourNear(scene.at(pixels, right, 0), c.expected, "top right");
            if (view.corners == 4) {
                expectColourNear(scene.at(pixels, 0, bottom), c.expected, "bottom left");
                expectColourNear(scene.at(pixels, right, bottom), c.expected, "bottom right");
            }
        }
    }
}

TEST(Frame, TheBoardsEdgeShowsTheGroundOverTheBasePlatesRims) {
    // The rims reach under the board's edge with their tops in the board's plane; seen at a
    // low angle the ground must still cover them, with no wood showing through.
    Scene scene(24, 24, 640, 480);
    ASSERT_TRUE(scene.valid());
    CDocumentRenderer& renderer = scene.start();
    renderer.setHudVisible(false);
    renderer.setLayoutYaw(30);
    renderer.setLayoutPitch(15);
    renderer.applyCamera();
    const auto pixels = scene.frame();
    const double tile = renderer.sceneMetrics().tileSize;
    const double inside = 0.08 * tile;
    int seen = 0;
    for (double along = 0.5 * tile; along < 24 * tile; along += 0.25 * tile) {
        // Just inside the back edge and the left edge, where the rims lie under the board.
        for (const render::Vec3 point :
             {render::Vec3{along, 0, inside}, render::Vec3{inside, 0, along}}) {
            double x = 0, y = 0;
            if (!render::screenPoint(renderer.currentPose(), renderer.cameraState(), point, x, y) ||
                x < 0 || y < 0 || x >= 640 || y >= 480) {
                continue;
            }
            ++seen;
            const Rgb c = scene.at(pixels, static_cast<int>(x), static_cast<int>(y));
            EXPECT_GT(c[1], c[0] + 30) << "at " << point.x << ", " << point.z;
        }
    }
    EXPECT_GT(seen, 60);
}

TEST(Frame, TheLayoutsLightPositionIsAppliedAtSetUp) {
    struct Case {
        model::Vec3f fractions;
        render::Vec3 expected; // centre (10, ·, 5), height 10 for a 20 × 10 board
    };
    const Case cases[] = {
        {{0, 0, 0}, {10, 10, 5}},
        {{0.25f, -0.5f, 0.5f}, {15, 0, 10}},
        {{-0.5f, 0.5f, -0.1f}, {0, 20, 4}},
        // Values a damaged file may hold: clamped to ±0.5, no number counts as 0.
        {{7.0f, -3.0f, NAN}, {20, 0, 5}},
    };
    for (const Case& c : cases) {
        Scene scene(20, 10, 32, 32);
        ASSERT_TRUE(scene.valid());
        scene.document().setLightPosition(c.fractions);
        CDocumentRenderer& renderer = scene.start();
        const render::Vec3 light = renderer.lightPosition();
        EXPECT_NEAR(light.x, c.expected.x, 1e-5);
        EXPECT_NEAR(light.y, c.expected.y, 1e-5);
        EXPECT_NEAR(light.z, c.expected.z, 1e-5);
    }
}

// Rows (from the top) a text line with its baseline at `baseline` may cover: the glyphs of a
// 12-pixel font rise at most 12 above the baseline and descend at most 4 below.
bool inTextRows(int y, int baseline) {
    return y >= baseline - 13 && y <= baseline + 4;
}

TEST(Frame, HudPixelsAppearOnlyInTheirRows) {
    for (const auto& [width, height] : {std::pair{320, 200}, std::pair{200, 320}}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Scene scene(11, 11, width, height);
        ASSERT_TRUE(scene.valid());
        CDocumentRenderer& renderer = scene.start();
        renderer.setHudVisible(false);
        const auto without = scene.frame();
        renderer.setHudVisible(true);
        const auto with = scene.frame();

        int fpsPixels = 0;
        int stringPixels = 0;
        int stray = 0;
        int leftmost = width;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (scene.at(without, x, y) == scene.at(with, x, y)) {
                    continue;
                }
                leftmost = std::min(leftmost, x);
                if (inTextRows(y, 20)) {
                    ++fpsPixels;
                } else if (inTextRows(y, height - 25) || inTextRows(y, height - 10)) {
                    ++stringPixels;
                } else {
                    ++stray;
                }
                EXPECT_EQ(scene.at(with, x, y), (Rgb{255, 255, 255})) << x << "," << y;
            }
        }
        EXPECT_GT(fpsPixels, 20) << "the frame-rate text";
        EXPECT_GT(stringPixels, 40) << "the two driver strings";
        EXPECT_EQ(stray, 0) << "text outside its rows";
        EXPECT_GE(leftmost, 9) << "text starts 10 pixels from the left edge";
        EXPECT_LE(leftmost, 14);
    }
}

TEST(Frame, TheSameFrameGivesTheSamePixels) {
    // Twice in one renderer: the base plate's list is compiled by the first frame and called by
    // the second.
    Scene scene(11, 11, 160, 120);
    ASSERT_TRUE(scene.valid());
    CDocumentRenderer& renderer = scene.start();
    renderer.setHudVisible(false);
    renderer.setLayoutYaw(-20);
    renderer.setLayoutPitch(-25);
    const auto first = scene.frame();
    const auto second = scene.frame();
    EXPECT_TRUE(first == second);

    // In fresh contexts, with the HUD: a single frame reads the same each time.
    std::vector<std::uint8_t> pictures[2];
    for (auto& picture : pictures) {
        Scene fresh(11, 11, 160, 120);
        ASSERT_TRUE(fresh.valid());
        fresh.start().setLayoutYaw(-20);
        picture = fresh.frame();
    }
    EXPECT_TRUE(pictures[0] == pictures[1]);
    // The board's rim is drawn: the picture is not a plain clear colour.
    int rimPixels = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            const Rgb c = scene.at(first, x, y);
            rimPixels += c[0] > 40 ? 1 : 0; // the background has no red
        }
    }
    EXPECT_GT(rimPixels, 100);
}

TEST(Frame, AFrameHoldsTheRenderLockAndItsFlagWhileItDraws) {
    Scene scene(11, 11, 64, 64);
    ASSERT_TRUE(scene.valid());
    CDocumentRenderer& renderer = scene.start();
    int calls = 0;
    bool lockFreeElsewhere = true;
    bool flagSet = false;
    // The sun marker's item is drawn inside the frame: look from there.
    renderer.hooks().drawBuiltinItem = [&](int number, double size) {
        ++calls;
        EXPECT_EQ(number, 128);
        EXPECT_DOUBLE_EQ(size, 0.4);
        flagSet = platform::frameInProgress().load();
        std::thread other([&] {
            platform::TryRenderLock attempt;
            lockFreeElsewhere = attempt.owns();
        });
        other.join();
        EXPECT_FALSE(renderer.draw()) << "no frame inside a frame";
    };
    EXPECT_TRUE(renderer.draw());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(flagSet);
    EXPECT_FALSE(lockFreeElsewhere);
    EXPECT_FALSE(platform::frameInProgress().load()) << "cleared after the frame";
    platform::TryRenderLock after;
    EXPECT_TRUE(after.owns());
}

TEST(Frame, NothingIsDrawnBeforeSetUpOrAfterShutdown) {
    Scene scene(11, 11, 32, 32);
    ASSERT_TRUE(scene.valid());
    CDocumentRenderer renderer(scene.document(), std::make_unique<COpenGLBackEnd>());
    EXPECT_FALSE(renderer.isReady());
    EXPECT_FALSE(renderer.draw());
    EXPECT_FALSE(renderer.initialise(0, 32, 0)) << "no size";
    EXPECT_FALSE(renderer.draw());
    ASSERT_TRUE(renderer.initialise(32, 32, 0));
    EXPECT_TRUE(renderer.draw());
    EXPECT_FALSE(renderer.resize(32, 32)) << "the same size changes nothing";
    EXPECT_TRUE(renderer.resize(48, 24));
    EXPECT_EQ(renderer.cameraState().viewportWidth, 48);
    EXPECT_DOUBLE_EQ(renderer.cameraState().aspect, 2.0);
    renderer.shutdown();
    EXPECT_FALSE(renderer.draw());
}

TEST(Frame, AResizeKeepsThePoseOfEveryModeAndTakesOnlyTheNewAspect) {
    Scene scene(11, 11, 32, 32);
    ASSERT_TRUE(scene.valid());
    for (const int mode : {render::ModeLayout, render::ModeWalk}) {
        SCOPED_TRACE(mode);
        CDocumentRenderer& renderer = scene.start(mode);
        // A pose of the user's own: turned, zoomed, moved.
        renderer.setLayoutYaw(37);
        renderer.setLayoutPitch(-12);
        ASSERT_TRUE(renderer.setZoom(1.6));
        renderer.setEyeTarget({2.5, 0.5, 9.25}, {4, 0.5, 1});
        const render::CameraState before = renderer.cameraState();
        ASSERT_TRUE(renderer.resize(48, 24));
        const render::CameraState& after = renderer.cameraState();
        EXPECT_EQ(after.mode, mode);
        EXPECT_EQ(after.eye, before.eye);
        EXPECT_EQ(after.target, before.target);
        EXPECT_EQ(after.layoutYaw, 37);
        EXPECT_EQ(after.layoutPitch, -12);
        EXPECT_EQ(after.zoom, before.zoom);
        EXPECT_EQ(after.fieldOfView, before.fieldOfView);
        EXPECT_EQ(after.nearPlane, before.nearPlane);
        EXPECT_EQ(after.farPlane, before.farPlane);
        EXPECT_EQ(after.viewportWidth, 48);
        EXPECT_EQ(after.viewportHeight, 24);
        EXPECT_DOUBLE_EQ(after.aspect, 2.0);
        EXPECT_TRUE(renderer.isReady());
    }
}

TEST(Frame, TheStandardViewRisesWithTheHighestElevatedLayer) {
    Scene scene(22, 16, 32, 32);
    ASSERT_TRUE(scene.valid());
    model::getOrCreateTile(model::TilePos{3, 4}, 3);
    CDocumentRenderer& renderer = scene.start();
    EXPECT_NEAR(renderer.cameraState().target.y, 2.4, 1e-12);
    EXPECT_NEAR(renderer.cameraState().eye.y, 22 + 2.4, 1e-12);
}

TEST(Frame, InvalidatedListsAreDroppedByTheNextFrame) {
    Scene scene(11, 11, 32, 32);
    ASSERT_TRUE(scene.valid());
    auto backEnd = std::make_unique<COpenGLBackEnd>();
    render::opengl::CachedLists& lists = backEnd->cachedLists();
    CDocumentRenderer renderer(scene.document(), std::move(backEnd));
    ASSERT_TRUE(renderer.initialise(32, 32, 0));
    ASSERT_TRUE(renderer.draw());
    EXPECT_TRUE(lists.contains(render::kBasePlateListKey));

    // Lists of two tiles; only the invalidated tile's go.
    const std::int32_t tile = render::tileListKey(1, 3, 2, 11, 4, false);
    const std::int32_t shadow = render::tileListKey(1, 3, 2, 11, 0, true);
    const std::int32_t other = render::tileListKey(1, 4, 2, 11, 4, false);
    for (const std::int32_t key : {tile, shadow, other}) {
        lists.draw(key, [] {});
    }
    renderer.invalidateTileLists(1, 3, 2);
    EXPECT_TRUE(lists.contains(tile)) << "nothing is dropped outside a frame";
    ASSERT_TRUE(renderer.draw());
    EXPECT_FALSE(lists.contains(tile));
    EXPECT_FALSE(lists.contains(shadow));
    EXPECT_TRUE(lists.contains(other));

    // The shared lists are dropped and the base plate compiled anew by the same frame; a
    // frame that only calls its lists compiles nothing.
    ASSERT_TRUE(renderer.draw());
    EXPECT_FALSE(lists.compiling());
    renderer.invalidateSharedLists();
    ASSERT_TRUE(renderer.draw());
    EXPECT_TRUE(lists.compiling());
    EXPECT_TRUE(lists.contains(render::kBasePlateListKey));
    EXPECT_TRUE(lists.contains(other));
}

} // namespace
