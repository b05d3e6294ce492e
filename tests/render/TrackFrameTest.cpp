// Track drawn into whole frames: list caching across frames, recompiling one edited tile, the
// ballast switch, and the sample layouts rendered by the command-line tool.
#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "image/PngCodec.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/ListKeys.h"
#include "render/opengl/BuiltinTextures.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/CachedLists.h"
#include "render/opengl/ItemDrawer.h"
#include "render/opengl/OffscreenContext.h"
#include "render/opengl/TrackDrawer.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace {

using render::CDocumentRenderer;

class TrackFrame : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = std::make_unique<render::opengl::OffscreenContext>(160, 120);
        ASSERT_TRUE(context_->valid());
        document_ = std::make_unique<model::CZarnoltDocument>(8, 8);
        // A straight line through every tile of rows 2 and 5.
        for (std::int16_t c = 0; c < 8; ++c) {
            model::createTile({c, 2}, 0)->setShape(1);
            model::createTile({c, 5}, 0)->setShape(1);
        }
    }
    void TearDown() override {
        renderer_.reset();
        document_.reset();
        context_.reset();
        model::deleteAllTiles();
    }
    CDocumentRenderer& start() {
        renderer_ = std::make_unique<CDocumentRenderer>(
            *document_, std::make_unique<render::opengl::COpenGLBackEnd>());
        EXPECT_TRUE(renderer_->initialise(160, 120, 0));
        return *renderer_;
    }
    std::vector<std::uint8_t> frame() {
        EXPECT_TRUE(renderer_->draw());
        return context_->readPixels();
    }

    std::unique_ptr<render::opengl::OffscreenContext> context_;
    std::unique_ptr<model::CZarnoltDocument> document_;
    std::unique_ptr<CDocumentRenderer> renderer_;
};

TEST_F(TrackFrame, ASecondFrameCompilesNothingAndAnEditRecompilesOneTile) {
    CDocumentRenderer& renderer = start();
    frame();
    const render::TrackFrameStats first = renderer.trackStats();
    ASSERT_EQ(first.drawList.size(), 16u);
    // Every tile lies near the eye, so the lines and the ballast of the board's one chunk are
    // one list each; then the base plate and the textured terrain seen from above.
    EXPECT_EQ(first.listsCompiled, 1 + 1 + 1 + 1);
    EXPECT_EQ(first.listsCalled, 0);

    frame();
    EXPECT_EQ(renderer.trackStats().listsCompiled, 0);
    EXPECT_EQ(renderer.trackStats().listsCalled, 4);

    renderer.invalidateTileLists(0, 3, 5);
    frame();
    EXPECT_EQ(renderer.trackStats().listsCompiled, 2);
    EXPECT_EQ(renderer.trackStats().listsCalled, 2);
}

TEST(TrackChunks, AnEditRecompilesOnlyItsChunkAndATileWithContentsKeepsItsOwnLists) {
    render::opengl::OffscreenContext context(160, 120);
    ASSERT_TRUE(context.valid());
    constexpr int kSize = 2 * render::kChunkEdge;
    model::CZarnoltDocument document(kSize, kSize);
    document.setPreferenceFlag(model::PrefShowAllFarTracks, true);
    // Rows 2 and kSize − 3 cross all four chunks; the tile at (3, 2) holds a platform.
    for (std::int16_t c = 0; c < kSize; ++c) {
        model::createTile({c, 2}, 0)->setShape(1);
        model::createTile({c, kSize - 3}, 0)->setShape(1);
    }
    model::tileAt(0, {3, 2})->addControlItem(model::KindStation1);
    {
        CDocumentRenderer renderer(document, std::make_unique<render::opengl::COpenGLBackEnd>());
        ASSERT_TRUE(renderer.initialise(160, 120, 0));
        struct Step {
            int column;
            int row;
            int compiled;
            int called;
        };
        // Four chunks of lines and four of ballast, the platform tile's own two lists, the
        // two shared lists. An edit drops the lists of its tile and of its chunk.
        const Step steps[] = {{-1, -1, 12, 0},       {-1, -1, 0, 12}, {5, kSize - 3, 2, 10},
                              {kSize - 1, 2, 2, 10}, {3, 2, 4, 8},    {-1, -1, 0, 12}};
        for (const Step& step : steps) {
            if (step.column >= 0) {
                renderer.invalidateTileLists(0, step.column, step.row);
            }
            ASSERT_TRUE(renderer.draw());
            EXPECT_EQ(renderer.trackStats().drawList.size(), static_cast<std::size_t>(2 * kSize));
            EXPECT_EQ(renderer.trackStats().listsCompiled, step.compiled)
                << step.column << ", " << step.row;
            EXPECT_EQ(renderer.trackStats().listsCalled, step.called)
                << step.column << ", " << step.row;
        }
    }
    model::deleteAllTiles();
}

// A sleeper strip shows its sleepers through the pattern's cut-out, and is left out rather
// than drawn as one solid band where the pattern cannot be made (inside a list recording).
TEST(TrackChunks, ASleeperStripIsCutOutByItsPatternOrLeftOut) {
    constexpr int kSize = 16;
    render::opengl::OffscreenContext context(kSize, kSize);
    ASSERT_TRUE(context.valid());
    render::TrackMesh strip;
    strip.texture = render::kSleeperPatternTexture;
    strip.colour = {1, 0, 0};
    // The whole viewport, one sleeper period across it, sleepers covering half of it.
    for (const auto& [x, u] : {std::pair{-1.0f, 0.0f}, std::pair{1.0f, 1.0f}}) {
        for (const float y : {-1.0f, 1.0f}) {
            render::TrackVertex v;
            v.x = x;
            v.y = y;
            v.nz = 1;
            v.u = u;
            v.v = 0.5f;
            strip.quads.push_back(v);
        }
    }
    std::swap(strip.quads[2], strip.quads[3]); // counter-clockwise
    const std::vector<render::TrackMesh> meshes{strip};
    auto redColumns = [&] {
        const std::vector<std::uint8_t> pixels = context.readPixels();
        std::vector<int> columns;
        for (int x = 0; x < kSize; ++x) {
            const std::uint8_t* p = &pixels[(kSize / 2 * kSize + x) * 4];
            if (p[0] > 200 && p[1] < 50) {
                columns.push_back(x);
            }
        }
        return columns;
    };
    render::opengl::CachedLists lists;
    render::opengl::BuiltinTextures textures;
    render::opengl::ItemDrawer items;
    render::opengl::TrackDrawer drawer(lists, textures, items);
    glClearColor(0, 0, 0, 1);

    glClear(GL_COLOR_BUFFER_BIT);
    lists.draw(1, [&] { drawer.drawMeshes(meshes, 1.0f); });
    glFinish();
    EXPECT_TRUE(redColumns().empty()) << "no pattern while recording: nothing drawn";

    ASSERT_NE(textures.sleeperPattern(), 0u);
    glClear(GL_COLOR_BUFFER_BIT);
    drawer.drawMeshes(meshes, 1.0f);
    glFinish();
    const std::vector<int> drawn = redColumns();
    EXPECT_EQ(drawn, (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11})) << "the middle half";
    EXPECT_EQ(glIsEnabled(GL_ALPHA_TEST), GL_FALSE);
    lists.releaseAll();
    textures.release();
}

TEST(TrackChunks, FarChunksTrimStripAndJoinTheirTrackWithoutAVisibleChange) {
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    render::opengl::OffscreenContext context(kWidth, kHeight);
    ASSERT_TRUE(context.valid());
    constexpr int kSize = 6 * render::kChunkEdge;
    model::CZarnoltDocument document(kSize, kSize);
    document.setPreferenceFlag(model::PrefShowAllFarTracks, true);
    for (std::int16_t r = 0; r < kSize; ++r) {
        for (std::int16_t c = 0; c < kSize; ++c) {
            // Straight rows, with a row of curves and of quarter turns every few rows.
            model::createTile({c, r}, 0)->setShape(r % 5 == 3 ? 3 : r % 5 == 4 ? 2 : 1);
        }
    }
    {
        CDocumentRenderer renderer(document, std::make_unique<render::opengl::COpenGLBackEnd>());
        ASSERT_TRUE(renderer.initialise(kWidth, kHeight, 0));
        renderer.setHudVisible(false);
        // Zoomed so that the far side of the board lies beyond the far distance, the near
        // side within it.
        ASSERT_TRUE(renderer.setZoom(1.5));
        auto frame = [&] {
            EXPECT_TRUE(renderer.draw());
            return context.readPixels();
        };
        const std::vector<std::uint8_t> trimmed = frame();
        const render::TrackFrameStats first = renderer.trackStats();
        // Every chunk drawn calls one list of lines and one of ballast, with the two shared
        // lists; some of the chunks are far from the eye and some near it.
        const int chunks = (first.listsCompiled - 2) / 2;
        EXPECT_GT(first.farChunks, 0);
        EXPECT_LT(first.farChunks, chunks);
        frame();
        EXPECT_EQ(renderer.trackStats().listsCompiled, 0);
        EXPECT_EQ(renderer.trackStats().listsCalled, first.listsCompiled);
        EXPECT_EQ(renderer.trackStats().farChunks, first.farChunks);

        // The same view with no chunk trimmed: the far chunks compile their lines and ballast
        // from above anew, the near ones draw the lists they had, and hardly a pixel changes.
        renderer.setDistantSidesTrimmed(false);
        const std::vector<std::uint8_t> whole = frame();
        EXPECT_EQ(renderer.trackStats().farChunks, 0);
        EXPECT_EQ(renderer.trackStats().listsCompiled, 2 * first.farChunks);
        ASSERT_EQ(whole.size(), trimmed.size());
        // A far sleeper or rail covers under half a pixel: where a few pixel centres fall on
        // either side of an edge the picture may change, but no more than a few pixels.
        int changed = 0;
        int marked = 0;
        for (std::size_t i = 0; i + 3 < whole.size(); i += 4) {
            int difference = 0;
            for (std::size_t k = 0; k < 3; ++k) {
                difference = std::max(difference, std::abs(whole[i + k] - trimmed[i + k]));
            }
            changed += difference > 0 ? 1 : 0;
            marked += difference > 32 ? 1 : 0;
        }
        EXPECT_LT(changed, kWidth * kHeight / 200);
        EXPECT_LT(marked, kWidth * kHeight / 5000);

        // Back to trimming, every list is there; an edit drops every kind of its chunk's lists.
        renderer.setDistantSidesTrimmed(true);
        frame();
        EXPECT_EQ(renderer.trackStats().listsCompiled, 0);
        EXPECT_EQ(renderer.trackStats().farChunks, first.farChunks);
        // The eye stands above the board's last row: the first row of chunks is the far one.
        renderer.invalidateTileLists(0, kSize / 2, kSize - 12);
        renderer.invalidateTileLists(0, kSize / 2, 7);
        frame();
        EXPECT_EQ(renderer.trackStats().listsCompiled, 2 + 2);
        renderer.setDistantSidesTrimmed(false);
        frame();
        EXPECT_EQ(renderer.trackStats().listsCompiled, 2);
    }
    model::deleteAllTiles();
}

TEST_F(TrackFrame, RailsAreDrawnAndTheBallastSwitchChangesOnlyTheBallast) {
    start();
    const std::vector<std::uint8_t> with = frame();
    document_->setPreferenceFlag(model::PrefNoBallast, true);
    const std::vector<std::uint8_t> without = frame();
    model::deleteAllTiles();
    renderer_->invalidateAllLists();
    const std::vector<std::uint8_t> empty = frame();
    ASSERT_EQ(with.size(), without.size());
    // Every pixel the ballast changed is one the track covers; the track without ballast
    // still changes the picture.
    int ballastPixels = 0;
    int trackPixels = 0;
    for (std::size_t i = 0; i + 3 < with.size(); i += 4) {
        const bool ballastDiffers =
            with[i] != without[i] || with[i + 1] != without[i + 1] || with[i + 2] != without[i + 2];
        const bool trackDiffers =
            with[i] != empty[i] || with[i + 1] != empty[i + 1] || with[i + 2] != empty[i + 2];
        ballastPixels += ballastDiffers ? 1 : 0;
        trackPixels += trackDiffers ? 1 : 0;
        if (ballastDiffers) {
            EXPECT_TRUE(trackDiffers) << "pixel " << i / 4;
        }
    }
    EXPECT_GT(ballastPixels, 100);
    EXPECT_GT(trackPixels, ballastPixels);
    int railPixels = 0;
    for (std::size_t i = 0; i + 3 < without.size(); i += 4) {
        railPixels += without[i] != empty[i] || without[i + 1] != empty[i + 1] ? 1 : 0;
    }
    EXPECT_GT(railPixels, 50);
}

TEST_F(TrackFrame, ElevatedTrackShadowsTheGroundOnlyWithShadowsOn) {
    // Rows 2 and 5 hold ground track; an elevated line on layer 2 crosses row 3.
    for (std::int16_t c = 0; c < 8; ++c) {
        model::createTile({c, 3}, 2)->setShape(1);
    }
    start().setHudVisible(false); // the frame-rate text changes between frames
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    frame(); // compiles the lists; the frames compared draw from them
    const std::vector<std::uint8_t> without = frame();
    document_->setPreferenceFlag(model::PrefNoShadows, false);
    const std::vector<std::uint8_t> with = frame();
    ASSERT_EQ(with.size(), without.size());
    // A shadow only darkens: no channel gets brighter, and a band of pixels gets darker.
    int darker = 0;
    for (std::size_t i = 0; i + 3 < with.size(); i += 4) {
        const int before = without[i] + without[i + 1] + without[i + 2];
        const int after = with[i] + with[i + 1] + with[i + 2];
        EXPECT_LE(after, before + 3) << "pixel " << i / 4;
        darker += after + 12 < before ? 1 : 0;
    }
    EXPECT_GT(darker, 100);

    // Ground track alone casts nothing.
    model::deleteAllTiles();
    for (std::int16_t c = 0; c < 8; ++c) {
        model::createTile({c, 2}, 0)->setShape(1);
    }
    renderer_->invalidateAllLists();
    frame();
    const std::vector<std::uint8_t> groundOn = frame();
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    const std::vector<std::uint8_t> groundOff = frame();
    ASSERT_EQ(groundOn.size(), groundOff.size());
    int changed = 0;
    for (std::size_t i = 0; i < groundOn.size(); ++i) {
        changed += groundOn[i] != groundOff[i] ? 1 : 0;
    }
    EXPECT_EQ(changed, 0);
}

TEST(TrackSamples, PreferenceSwitchesHoldForOneRenderOnly) {
    const std::filesystem::path loop =
        std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル/複線ループ.zrn";
    testsupport::TempFolder scratch;
    const std::string png = (scratch.path() / "loop.png").string();
    const std::string stats = (scratch.path() / "loop.json").string();
    auto compiled = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments{"render", loop.string(), "--out",   png,
                                           "--size", "160x120",     "--stats", stats};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const auto run = testsupport::runCli(arguments, scratch);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::ifstream in(stats);
        return nlohmann::json::parse(in)["lists"]["compiled"].get<int>();
    };
    const int plain = compiled({});
    // Without ballast fewer lists are made; the next plain render (same settings folder) has
    // its ballast again.
    EXPECT_LT(compiled({"--prefs", "-ballast"}), plain);
    EXPECT_EQ(compiled({}), plain);
}

TEST(TrackSamples, EverySampleLayoutRendersItsTrack) {
    const std::filesystem::path samples = std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル";
    testsupport::TempFolder scratch;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(samples)) {
        if (entry.path().extension() != ".zrn") {
            continue;
        }
        ++count;
        const std::string png = (scratch.path() / "sample.png").string();
        const std::string stats = (scratch.path() / "sample.json").string();
        // Shadows off: the shadow lists of elevated tiles would add to the exact counts.
        for (const char* prefs : {"+ballast,-shadows", "-ballast,-shadows"}) {
            const auto run =
                testsupport::runCli({"render", entry.path().string(), "--out", png, "--size",
                                     "160x120", "--prefs", prefs, "--stats", stats},
                                    scratch);
            ASSERT_EQ(run.exitCode, 0) << entry.path() << run.err;
            std::ifstream in(stats);
            const nlohmann::json json = nlohmann::json::parse(in);
            EXPECT_GE(json["drawList"].size(), 10u) << entry.path();
            // One list per tile, one per ground tile's ballast unless switched off, the plate,
            // the terrain, the shared tree of each fade level shown, and the concrete
            // supports' and the running gear's model lists (thirty at most: the sample
            // vehicles stand so far off at this size that their running gear is left out).
            // Only the shared tree lists and the stacked support models are called again
            // within the one frame.
            const int tiles = static_cast<int>(json["drawList"].size());
            std::set<int> treeLevels;
            int trees = 0;
            for (const auto& e : json["drawList"]) {
                if (e["structure"].get<int>() == 200) {
                    treeLevels.insert(e["level"].get<int>());
                    ++trees;
                }
            }
            const int shared = 2 + static_cast<int>(treeLevels.size());
            const int compiled = json["lists"]["compiled"].get<int>();
            constexpr int kSupportLists = 30;
            if (std::string(prefs).starts_with("-ballast")) {
                const int supportLists = compiled - (tiles + shared);
                EXPECT_GE(supportLists, 0) << entry.path();
                EXPECT_LE(supportLists, kSupportLists) << entry.path();
                if (supportLists == 0) {
                    EXPECT_EQ(json["lists"]["called"].get<int>(),
                              trees - static_cast<int>(treeLevels.size()))
                        << entry.path();
                }
            } else {
                EXPECT_GE(compiled, tiles + shared) << entry.path();
                EXPECT_LE(compiled, 2 * tiles + shared + kSupportLists) << entry.path();
            }
            EXPECT_GE(json["lists"]["called"].get<int>(),
                      trees - static_cast<int>(treeLevels.size()))
                << entry.path();
            for (const auto& e : json["drawList"]) {
                EXPECT_GE(e["alpha"].get<double>(), 0);
                EXPECT_LE(e["alpha"].get<double>(), 1);
            }
        }
    }
    EXPECT_EQ(count, 5);
}

TEST(TrackSamples, UnknownPreferenceSwitchesAreRefused) {
    const std::filesystem::path sample =
        std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル/複線ループ.zrn";
    testsupport::TempFolder scratch;
    for (const char* prefs : {"shadows", "+nothing", "-ballast,", "+"}) {
        const auto run =
            testsupport::runCli({"render", sample.string(), "--out",
                                 (scratch.path() / "x.png").string(), "--prefs", prefs},
                                scratch);
        EXPECT_EQ(run.exitCode, 1) << prefs;
        EXPECT_NE(run.err.find("--prefs"), std::string::npos) << prefs << run.err;
    }
}

} // namespace

namespace {

TEST_F(TrackFrame, PointNumbersAndStationsChangeThePictureOnlyWhenPresent) {
    // A branching tile with a numbered point and a station tile.
    model::CTrackItem* point = model::getOrCreateTile({4, 3}, 0);
    point->setShape(1);
    point->addShape(2, 1);
    ASSERT_NE(point->pointItem(), nullptr);
    point->setPointNumber(7);
    CDocumentRenderer& renderer = start();
    renderer.setHudVisible(false); // the frame-rate text changes from frame to frame
    frame();                       // compiles the lists
    renderer.setShowPointNumbers(true);
    const auto numbered = frame();
    renderer.setShowPointNumbers(false);
    const auto plain = frame();
    EXPECT_NE(plain, numbered);
    EXPECT_EQ(frame(), plain);

    model::tileAt(0, {2, 2})->addControlItem(model::KindStation1);
    renderer.invalidateTileLists(0, 2, 2);
    EXPECT_NE(frame(), plain);
}

} // namespace
