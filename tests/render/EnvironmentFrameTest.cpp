// Frames with terrain, sky, water and shadows drawn into an offscreen context.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "editing/CLightControler.h"
#include "image/PngCodec.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace {

using render::CDocumentRenderer;
using Rgb = std::array<int, 3>;

class EnvironmentScene {
public:
    EnvironmentScene(int size, int width, int height) : context_(width, height) {
        document_ = std::make_unique<model::CZarnoltDocument>(size, size);
        document_->setEnvironmentFlag(model::EnvNoWater, true);
    }
    ~EnvironmentScene() {
        renderer_.reset();
        model::deleteAllLandscapeItems();
        document_.reset();
        model::deleteAllTiles();
    }
    bool valid() const { return context_.valid(); }
    model::CZarnoltDocument& document() { return *document_; }

    // A landscape item over tiles c0 … c1, r0 … r1 from an all-white picture: a plateau of
    // the given height scale with sloped borders.
    void addItem(int c0, int r0, int c1, int r1, double scale, bool hollow) {
        model::CLandscapeItem* item = model::createLandscapeItem();
        item->setRect(model::BoardRect{r0 * 40, c0 * 40, (r1 + 1) * 40, (c1 + 1) * 40});
        image::Picture picture(32, 32, 24);
        std::fill(picture.bytes().begin(), picture.bytes().end(), std::uint8_t{255});
        item->setPicture(std::move(picture));
        item->setHollow(hollow);
        item->setHeightScale(scale);
    }

    CDocumentRenderer& start(int mode) {
        auto backEnd = std::make_unique<render::opengl::COpenGLBackEnd>();
        backEnd_ = backEnd.get();
        renderer_ = std::make_unique<CDocumentRenderer>(*document_, std::move(backEnd));
        EXPECT_TRUE(renderer_->initialise(context_.width(), context_.height(), mode));
        renderer_->setHudVisible(false);
        renderer_->hooks().drawBuiltinItem = [](int, double) {};
        return *renderer_;
    }

    std::vector<std::uint8_t> frame() {
        EXPECT_TRUE(renderer_->draw());
        return context_.readPixels();
    }
    Rgb at(const std::vector<std::uint8_t>& pixels, int x, int y) const {
        const std::size_t offset =
            (static_cast<std::size_t>(context_.height() - 1 - y) * context_.width() + x) * 4;
        return {pixels[offset], pixels[offset + 1], pixels[offset + 2]};
    }
    // Window pixel (x from the left, y from the top) of a scene point in the current pose.
    std::array<int, 2> project(double x, double y, double z) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        renderer_->applyCamera();
        GLdouble modelView[16];
        GLdouble projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble wx = 0, wy = 0, wz = 0;
        gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz);
        return {static_cast<int>(wx), context_.height() - 1 - static_cast<int>(wy)};
    }
    int width() const { return context_.width(); }
    int height() const { return context_.height(); }
    render::opengl::COpenGLBackEnd& backEnd() { return *backEnd_; }

private:
    render::opengl::OffscreenContext context_;
    std::unique_ptr<model::CZarnoltDocument> document_;
    std::unique_ptr<CDocumentRenderer> renderer_;
    render::opengl::COpenGLBackEnd* backEnd_ = nullptr;
};

constexpr std::uint16_t kFull = 65535;

TEST(EnvironmentFrame, EachTerrainRegionShowsItsColour) {
    EnvironmentScene scene(16, 200, 200);
    ASSERT_TRUE(scene.valid());
    scene.document().setTerrainColours(
        {model::RGBColor16{kFull, 0, 0}, model::RGBColor16{0, 0, kFull},
         model::RGBColor16{0, kFull, 0}, model::RGBColor16{kFull, 0, kFull}});
    scene.addItem(1, 1, 5, 5, 0.1, false);   // 1.1 high: the highest, hill-high colour
    scene.addItem(9, 1, 13, 5, 0.02, false); // a fifth of it: close to hill-low
    scene.addItem(1, 9, 5, 13, 0.05, true);  // a hollow
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    renderer.setLayoutPitch(80);
    const auto pixels = scene.frame();
    enum class Hue { Red, Green, Blue, Magenta };
    struct Case {
        double x, y, z;
        Hue hue;
        const char* what;
    };
    const Case cases[] = {{12, 0, 12, Hue::Red, "ground"},
                          {3.5, 1.1, 3.5, Hue::Blue, "hill top"},
                          {11.5, 0.22, 3.5, Hue::Green, "low hill"},
                          {3.5, -0.55, 11.5, Hue::Magenta, "hollow"}};
    for (const Case& c : cases) {
        const auto [px, py] = scene.project(c.x, c.y, c.z);
        ASSERT_TRUE(px >= 0 && px < scene.width() && py >= 0 && py < scene.height()) << c.what;
        const auto [r, g, b] = scene.at(pixels, px, py);
        SCOPED_TRACE(testing::Message() << c.what << ": " << r << "," << g << "," << b);
        switch (c.hue) {
        case Hue::Red:
            EXPECT_TRUE(r > g + 60 && r > b + 60);
            break;
        case Hue::Green:
            EXPECT_TRUE(g > r + 60 && g > b + 60);
            break;
        case Hue::Blue:
            EXPECT_TRUE(b > r + 60 && b > g + 60);
            break;
        case Hue::Magenta:
            EXPECT_TRUE(r > g + 60 && b > g + 60);
            break;
        }
    }
    EXPECT_NEAR(renderer.groundHeightAt(3.5, 3.5), 1.1, 1e-3);
    EXPECT_NEAR(renderer.groundHeightAt(3.5, 11.5), -0.55, 1e-3);
}

void drawSquare(double x0, double z0, double x1, double z1, double y) {
    glBegin(GL_QUADS);
    glVertex3d(x0, y, z0);
    glVertex3d(x0, y, z1);
    glVertex3d(x1, y, z1);
    glVertex3d(x1, y, z0);
    glEnd();
}

TEST(EnvironmentFrame, ShadowsDarkenTheGroundOnceEvenWhereTheyOverlap) {
    EnvironmentScene scene(16, 200, 200);
    ASSERT_TRUE(scene.valid());
    const model::RGBColor16 grey{52000, 52000, 52000};
    scene.document().setTerrainColours({grey, grey, grey, grey});
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    renderer.setLayoutPitch(80);
    const auto plain = scene.frame();
    renderer.hooks().drawShadowCasters = [] {
        drawSquare(5, 5, 7, 7, 2);
        drawSquare(6, 6, 8, 8, 2);
    };
    const auto shaded = scene.frame();
    // Ground points in the shadow of the first square only, of both, and of the second only.
    const render::Vec3 light = renderer.lightPosition();
    auto shadowOf = [&](double x, double z) {
        const double t = (light.y - 0.015625) / (light.y - 2);
        return std::array<double, 2>{light.x + (x - light.x) * t, light.z + (z - light.z) * t};
    };
    for (const auto& [x, z] : {std::pair{5.3, 5.3}, std::pair{6.5, 6.5}, std::pair{7.8, 7.8}}) {
        const auto ground = shadowOf(x, z);
        const auto [px, py] = scene.project(ground[0], 0, ground[1]);
        ASSERT_TRUE(px >= 0 && px < scene.width() && py >= 0 && py < scene.height()) << x;
        const Rgb before = scene.at(plain, px, py);
        const Rgb after = scene.at(shaded, px, py);
        for (int k = 0; k < 3; ++k) {
            EXPECT_GT(before[k], 100);
            EXPECT_NEAR(after[k], 0.8 * before[k], 2)
                << x << " channel " << k << " pixel " << px << "," << py << " light " << light.x
                << "," << light.y << "," << light.z;
        }
    }
    const auto [fx, fy] = scene.project(12, 0, 12);
    ASSERT_TRUE(fx >= 0 && fx < scene.width() && fy >= 0 && fy < scene.height());
    EXPECT_EQ(scene.at(plain, fx, fy), scene.at(shaded, fx, fy));
    // No shadows with the preference off.
    scene.document().setPreferenceFlag(model::PrefNoShadows, true);
    EXPECT_EQ(scene.frame(), plain);
}

TEST(EnvironmentFrame, TheWalkersSkyDarkensWithTheLight) {
    for (const bool lightOff : {false, true}) {
        EnvironmentScene scene(16, 160, 120);
        ASSERT_TRUE(scene.valid());
        scene.document().setEnvironmentFlag(model::EnvLightOff, lightOff);
        scene.document().setSkyType(0);
        model::PreferenceData preferences = scene.document().getPreferences();
        preferences.backgroundColour[0] = 0;
        preferences.backgroundColour[1] = 0;
        preferences.backgroundColour[2] = 0;
        scene.document().setPreferences(preferences);
        scene.start(render::ModeWalk);
        const auto pixels = scene.frame();
        for (const int x : {5, 80, 150}) {
            const auto [r, g, b] = scene.at(pixels, x, 3);
            SCOPED_TRACE(testing::Message()
                         << (lightOff ? "light off " : "light on ") << r << "," << g << "," << b);
            if (lightOff) {
                EXPECT_LE(std::max({r, g, b}), 10);
            } else {
                EXPECT_GE(r + g + b, 300); // a day sky, not the black background
            }
        }
    }
}

TEST(EnvironmentFrame, TwoWaterTimesDifferOnlyOverWater) {
    EnvironmentScene scene(16, 200, 200);
    ASSERT_TRUE(scene.valid());
    scene.document().setEnvironmentFlag(model::EnvNoWater, false);
    scene.addItem(2, 9, 6, 13, 0.05, true);
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    renderer.setLayoutPitch(80);
    renderer.setFixedTime(0.0);
    const auto first = scene.frame();
    renderer.setFixedTime(0.55);
    const auto second = scene.frame();
    // The water shows inside the hollow's tile range.
    int left = scene.width(), right = -1, top = scene.height(), bottom = -1;
    for (const double x : {2.0, 7.0}) {
        for (const double z : {9.0, 14.0}) {
            const auto [px, py] = scene.project(x, -0.165, z);
            left = std::min(left, px);
            right = std::max(right, px);
            top = std::min(top, py);
            bottom = std::max(bottom, py);
        }
    }
    int differing = 0;
    for (int y = 0; y < scene.height(); ++y) {
        for (int x = 0; x < scene.width(); ++x) {
            if (scene.at(first, x, y) != scene.at(second, x, y)) {
                ++differing;
                EXPECT_TRUE(x >= left - 1 && x <= right + 1 && y >= top - 1 && y <= bottom + 1)
                    << "pixel " << x << "," << y << " changed away from the water";
            }
        }
    }
    EXPECT_GT(differing, 100);
    // Without water nothing moves.
    scene.document().setEnvironmentFlag(model::EnvNoWater, true);
    renderer.setFixedTime(0.0);
    const auto dryFirst = scene.frame();
    renderer.setFixedTime(0.55);
    EXPECT_EQ(scene.frame(), dryFirst);
}

} // namespace

namespace {

TEST(EnvironmentFrame, TheSkyFollowsABrightnessChangeOnTheNextFrame) {
    EnvironmentScene scene(16, 160, 120);
    ASSERT_TRUE(scene.valid());
    scene.document().setSkyType(0);
    CDocumentRenderer& renderer = scene.start(render::ModeWalk);
    const Rgb bright = scene.at(scene.frame(), 80, 3);
    renderer.setLightIntensity(0.5);
    const Rgb half = scene.at(scene.frame(), 80, 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(half[k], bright[k] * 0.5, 2) << "channel " << k;
    }
}

TEST(EnvironmentFrame, ALightUnderAHillIsLiftedOntoIt) {
    EnvironmentScene scene(16, 80, 60);
    ASSERT_TRUE(scene.valid());
    scene.addItem(4, 4, 11, 11, 1.0, false); // 11 tiles high over the centre
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    EXPECT_NEAR(renderer.lightPosition().y, 8.0, 1e-6);
    scene.frame();
    const render::Vec3 light = renderer.lightPosition();
    EXPECT_NEAR(light.y, renderer.groundHeightAt(light.x, light.z), 1e-4);
    EXPECT_GT(light.y, 10.0);
}

} // namespace

namespace {

model::CTrackItem* treeAt(int column, int row) {
    model::CTrackItem* tile =
        model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
    tile->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureTree, std::string()));
    return tile;
}

TEST(EnvironmentFrame, ATreeShowsGreenFoliageAtItsPlaceAlsoOnAHill) {
    for (const bool onHill : {false, true}) {
        SCOPED_TRACE(onHill ? "on a hill" : "on flat ground");
        EnvironmentScene scene(16, 200, 200);
        ASSERT_TRUE(scene.valid());
        const model::RGBColor16 grey{40000, 40000, 40000};
        scene.document().setTerrainColours({grey, grey, grey, grey});
        if (onHill) {
            scene.addItem(5, 5, 11, 11, 0.1, false); // a plateau 1.1 high under the tree
        }
        CDocumentRenderer& renderer = scene.start(render::ModeLayout);
        renderer.setLayoutPitch(80);
        const auto bare = scene.frame();
        treeAt(8, 8);
        renderer.invalidateTileLists(0, 8, 8);
        const auto wooded = scene.frame();
        const double ground = renderer.groundHeightAt(8 + 1.0 / 3, 8.2);
        EXPECT_NEAR(ground, onHill ? 1.1 : 0.0, 1e-6);
        // The crown, 0.35 … 1 above the foot of the trunk, seen from nearly straight above.
        const auto [cx, cy] = scene.project(8 + 1.0 / 3, ground + 0.8, 8.2);
        const auto [ex, ey] = scene.project(9.8, ground, 8.2); // 1.5 tiles away
        const int reach = std::abs(ex - cx);
        ASSERT_GT(reach, 10);
        int changed = 0;
        int green = 0;
        for (int y = 0; y < scene.height(); ++y) {
            for (int x = 0; x < scene.width(); ++x) {
                const Rgb before = scene.at(bare, x, y);
                const Rgb after = scene.at(wooded, x, y);
                if (before == after) {
                    continue;
                }
                ++changed;
                EXPECT_TRUE(std::abs(x - cx) <= reach && std::abs(y - cy) <= reach)
                    << "pixel " << x << "," << y << " changed far from the tree";
                green += after[1] > after[0] && after[1] > after[2] ? 1 : 0;
            }
        }
        EXPECT_GT(changed, 100);
        EXPECT_GT(green, changed / 2) << green << " of " << changed;
        const Rgb centre = scene.at(wooded, cx, cy);
        EXPECT_GT(centre[1], centre[0]);
        EXPECT_GT(centre[1], centre[2]);
        model::deleteAllTiles();
    }
}

TEST(EnvironmentFrame, NearTreesUseTheFullFormAndFadedOnesTheLowDetailForm) {
    EnvironmentScene scene(40, 160, 120);
    ASSERT_TRUE(scene.valid());
    treeAt(4, 20);  // near the walker
    treeAt(19, 20); // about 15 tiles ahead: in the fade range
    CDocumentRenderer& renderer = scene.start(render::ModeWalk);
    renderer.setEyeTarget({2, 0.5, 20.2}, {30, 0.5, 20.2});
    scene.frame();
    std::vector<int> levels;
    for (const render::DrawListEntry& entry : renderer.trackStats().drawList) {
        levels.push_back(entry.level);
    }
    ASSERT_EQ(levels.size(), 2u);
    const int far = levels[0]; // the list runs far to near
    EXPECT_EQ(levels[1], 0);
    ASSERT_GE(far, 1);
    ASSERT_LE(far, 9);
    const render::opengl::CachedLists& lists = scene.backEnd().cachedLists();
    EXPECT_TRUE(lists.contains(render::kTreeListKey));
    EXPECT_TRUE(lists.contains(render::kTreeListKey + far));
    for (int level = 1; level <= 9; ++level) {
        if (level != far) {
            EXPECT_FALSE(lists.contains(render::kTreeListKey + level)) << level;
        }
    }
    model::deleteAllTiles();
}

TEST(EnvironmentFrame, AnElevatedTracksShadowDarkensTheGroundToFourFifthsEvenWhereShadowsOverlap) {
    EnvironmentScene scene(16, 200, 200);
    ASSERT_TRUE(scene.valid());
    const model::RGBColor16 grey{52000, 52000, 52000};
    scene.document().setTerrainColours({grey, grey, grey, grey});
    // Two straight tracks on layer 2 and one crossing over them on layer 3: their shadows
    // overlap on the ground, and the rails overlap their own sleepers' shadows.
    for (const int row : {6, 7}) {
        model::createTile({6, static_cast<std::int16_t>(row)}, 2)->setShape(1);
    }
    model::CTrackItem* crossing = model::createTile({6, 6}, 3);
    crossing->setShape(1);
    crossing->rotate90();
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    renderer.setLayoutPitch(80);
    scene.document().setPreferenceFlag(model::PrefNoShadows, true);
    scene.frame(); // the lists are compiled
    const auto plain = scene.frame();
    scene.document().setPreferenceFlag(model::PrefNoShadows, false);
    const auto shaded = scene.frame();
    int darkened = 0;
    for (int y = 0; y < scene.height(); ++y) {
        for (int x = 0; x < scene.width(); ++x) {
            const Rgb before = scene.at(plain, x, y);
            const Rgb after = scene.at(shaded, x, y);
            if (before == after) {
                continue;
            }
            ++darkened;
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(after[k], 0.8 * before[k], 2)
                    << "pixel " << x << "," << y << " channel " << k;
            }
        }
    }
    EXPECT_GT(darkened, 200);
    model::deleteAllTiles();
}

TEST(EnvironmentFrame, WithFogNoDrawListEntryLiesBeyondTheFogCut) {
    EnvironmentScene scene(60, 160, 120);
    ASSERT_TRUE(scene.valid());
    for (int column = 0; column < 60; ++column) {
        model::createTile({static_cast<std::int16_t>(column), 30}, 0)->setShape(1);
        model::createTile({static_cast<std::int16_t>(column), 31}, 1)->setShape(1);
    }
    // Show every far tile, so that only the fog cuts by distance.
    scene.document().setPreferenceFlag(model::PrefShowAllFarTracks, true);
    CDocumentRenderer& renderer = scene.start(render::ModeWalk);
    renderer.setEyeTarget({0.5, 0.5, 30.5}, {59, 0.5, 30.5});
    for (const bool fog : {false, true}) {
        scene.document().setEnvironmentFlag(model::EnvFog, fog);
        scene.frame();
        double farthest = 0;
        std::size_t count = 0;
        for (const render::DrawListEntry& entry : renderer.trackStats().drawList) {
            farthest = std::max(farthest, entry.distance);
            ++count;
        }
        if (fog) {
            EXPECT_LE(farthest, 1.1 * 20);
            EXPECT_GE(count, 40u); // the near part of both rows remains
        } else {
            EXPECT_GT(farthest, 50);
        }
    }
    model::deleteAllTiles();
}

TEST(EnvironmentFrame, LampLightsGoOutWhenTheSceneIsBright) {
    EnvironmentScene scene(16, 80, 60);
    ASSERT_TRUE(scene.valid());
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    editing::CLightControler* lights = editing::lightController();
    ASSERT_NE(lights, nullptr);
    ASSERT_GE(scene.backEnd().lightUnitCount(), 2);
    // A lamp left on from a dark frame.
    lights->light(1)->enable();
    scene.frame();
    EXPECT_FALSE(lights->isLightEnabled(1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_DOUBLE_EQ(renderer.brightness(), 1.0);
}

} // namespace

namespace {

TEST(EnvironmentFrame, TheTerrainAndItsLayersAreRebuiltWhenTheLandscapeChanges) {
    EnvironmentScene scene(16, 120, 120);
    ASSERT_TRUE(scene.valid());
    CDocumentRenderer& renderer = scene.start(render::ModeLayout);
    renderer.setLayoutPitch(80);
    const auto flat = scene.frame();
    render::opengl::CachedLists& lists = scene.backEnd().cachedLists();
    EXPECT_TRUE(lists.contains(render::kTerrainAboveListKey));
    for (const std::int32_t empty : {331, 334, 335}) {
        EXPECT_FALSE(lists.contains(empty)) << empty;
    }
    // The same frame again compiles nothing and draws the same.
    EXPECT_EQ(scene.frame(), flat);
    EXPECT_FALSE(lists.compiling());

    scene.addItem(4, 4, 11, 11, 0.3, false);
    renderer.markTerrainDirty();
    const auto hilly = scene.frame();
    EXPECT_TRUE(lists.contains(render::kTerrainAboveListKey));
    EXPECT_TRUE(lists.compiling());
    const auto [px, py] = scene.project(8, renderer.groundHeightAt(8, 8), 8);
    EXPECT_NE(scene.at(hilly, px, py), scene.at(flat, px, py));

    // New terrain colours show on the next frame.
    const auto [gx, gy] = scene.project(15.5, 0, 15.5);
    const model::RGBColor16 blue{0, 0, kFull};
    scene.document().setTerrainColours({blue, blue, blue, blue});
    const Rgb recoloured = scene.at(scene.frame(), gx, gy);
    EXPECT_TRUE(recoloured[2] > recoloured[0] + 60 && recoloured[2] > recoloured[1] + 60)
        << recoloured[0] << "," << recoloured[1] << "," << recoloured[2];
}

} // namespace

namespace {

// The mean of the green bytes over the middle of a picture (the board's grass).
double meanGreen(const image::RawPixels& picture) {
    double sum = 0;
    int count = 0;
    for (int y = picture.height / 3; y < 2 * picture.height / 3; ++y) {
        for (int x = picture.width / 4; x < 3 * picture.width / 4; ++x) {
            sum += picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) *
                                      picture.bytesPerPixel +
                                  1];
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

TEST(EnvironmentFrame, AtNightOnlyTheLampsOfTheTrainsLightTheBoard) {
    // Running trains carry lamp lights in the dark; those light the track ahead of them, not
    // the whole board.
    const std::filesystem::path loop =
        std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル/複線ループ.zrn";
    testsupport::TempFolder scratch;
    double green[2] = {0, 0};
    for (const bool night : {false, true}) {
        const std::string png = (scratch.path() / "frame.png").string();
        const auto run = testsupport::runCli({"render", loop.string(), "--out", png, "--size",
                                              "320x240", "--no-hud", "--simulate", "5", "--env",
                                              night ? "light=off" : "light=on"},
                                             scratch);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto picture = image::readPngFile(png);
        ASSERT_TRUE(picture.has_value());
        green[night ? 1 : 0] = meanGreen(*picture);
    }
    EXPECT_GT(green[0], 80);
    EXPECT_LT(green[1], green[0] / 2) << "day " << green[0] << ", night " << green[1];
}

} // namespace
