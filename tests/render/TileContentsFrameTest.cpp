// What stands on the tiles, drawn into whole frames: structures from their item models and the
// built-in piece bodies at their tiles and heights, supports under elevated track, point
// numbers floating over their points, the shadow list's casters, and a first frame (lists
// compiled while drawn) equal to the frames drawn from the lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "items/ItemRegistry.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"
#include "render/CDocumentRenderer.h"
#include "render/opengl/COpenGLBackEnd.h"
#include "render/opengl/OffscreenContext.h"
#include "render/opengl/TilePieces.h"

namespace {

using render::CDocumentRenderer;
using Pixels = std::vector<std::uint8_t>;

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// Where the pixels of two frames differ: how many, and their mean position (pixels from the
// left and from the top).
struct Change {
    int count = 0;
    double x = 0;
    double y = 0;
};

Change changeBetween(const Pixels& a, const Pixels& b) {
    Change change;
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column) {
            const std::size_t i = (static_cast<std::size_t>(row) * kWidth + column) * 4;
            if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) {
                ++change.count;
                change.x += column;
                change.y += kHeight - 1 - row; // the rows are read from the bottom
            }
        }
    }
    if (change.count > 0) {
        change.x /= change.count;
        change.y /= change.count;
    }
    return change;
}

class TileContentsFrame : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = std::make_unique<render::opengl::OffscreenContext>(kWidth, kHeight);
        ASSERT_TRUE(context_->valid());
        document_ = std::make_unique<model::CZarnoltDocument>(8, 8);
    }
    void TearDown() override {
        renderer_.reset();
        document_.reset();
        context_.reset();
        model::deleteAllTiles();
        items::releaseAllItems();
    }
    CDocumentRenderer& start() {
        renderer_ = std::make_unique<CDocumentRenderer>(
            *document_, std::make_unique<render::opengl::COpenGLBackEnd>());
        EXPECT_TRUE(renderer_->initialise(kWidth, kHeight, render::ModeLayout));
        renderer_->setHudVisible(false); // the frame-rate text changes from frame to frame
        renderer_->setFixedTime(0);
        return *renderer_;
    }
    Pixels frame() {
        EXPECT_TRUE(renderer_->draw());
        return context_->readPixels();
    }
    // Where a scene point appears, pixels from the left and the top.
    bool screen(double x, double y, double z, double& sx, double& sy) {
        return render::screenPoint(renderer_->currentPose(), renderer_->cameraState(),
                                   render::Vec3{x, y, z}, sx, sy);
    }

    std::unique_ptr<render::opengl::OffscreenContext> context_;
    std::unique_ptr<model::CZarnoltDocument> document_;
    std::unique_ptr<CDocumentRenderer> renderer_;
};

struct StructureCase {
    int category;
    const char* model;
};

TEST_F(TileContentsFrame, StructuresAreDrawnOnTheirTileAndLayer) {
    const StructureCase cases[] = {
        {model::StructureItemModel, "House01.zn3"},
        {model::StructureWooden, ""},
        {model::StructureBushes, ""},
    };
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    start();
    const Pixels empty = frame();
    for (const StructureCase& c : cases) {
        SCOPED_TRACE(c.category);
        // The same structure on the ground at (2, 5), then at (5, 2), then on layer 2 at (5, 2).
        const model::TilePos places[] = {{2, 5}, {5, 2}, {5, 2}};
        const int layers[] = {0, 0, 2};
        Change seen[3];
        for (int i = 0; i < 3; ++i) {
            model::CTrackItem* tile = model::getOrCreateTile(places[i], layers[i]);
            tile->setStructure(std::make_unique<model::CTrackStructureItem>(c.category, c.model));
            if (c.category == model::StructureItemModel) {
                ASSERT_NE(tile->getStructure()->itemModel(), nullptr) << c.model;
            }
            seen[i] = changeBetween(empty, frame());
            model::deleteAllTiles();
            EXPECT_GT(seen[i].count, 20) << "place " << i;
        }
        // Each drawing lies about its tile's centre on the screen.
        for (int i = 0; i < 2; ++i) {
            double sx = 0, sy = 0;
            ASSERT_TRUE(screen(places[i].column + 0.5, 0.2, places[i].row + 0.5, sx, sy));
            EXPECT_NEAR(seen[i].x, sx, 12) << "place " << i;
            EXPECT_NEAR(seen[i].y, sy, 12) << "place " << i;
        }
        // On layer 2 it stands two levels higher.
        double sx = 0, sy = 0;
        ASSERT_TRUE(screen(places[2].column + 0.5, 2 * 1.2 + 0.2, places[2].row + 0.5, sx, sy));
        EXPECT_NEAR(seen[2].x, sx, 12);
        EXPECT_NEAR(seen[2].y, sy, 12);
        EXPECT_LT(seen[2].y, seen[1].y - 10);
    }
    EXPECT_EQ(frame(), empty);
}

TEST_F(TileContentsFrame, BushesShowLitLeavesFromEverySide) {
    // Leaf cards are seen from both sides and lit on the side that faces out: from each of four
    // directions the bushes cover a good patch of the picture in leaf green, not in dark specks.
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    model::getOrCreateTile({3, 3}, 0)->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureBushes, ""));
    CDocumentRenderer& renderer = start();
    for (const double yaw : {0.0, 90.0, 180.0, 270.0}) {
        SCOPED_TRACE(yaw);
        renderer.setLayoutYaw(yaw);
        renderer.setZoom(3);
        renderer.applyCamera();
        const Pixels with = frame();
        model::getOrCreateTile({3, 3}, 0)->setStructure(nullptr);
        const Pixels without = frame();
        model::getOrCreateTile({3, 3}, 0)->setStructure(
            std::make_unique<model::CTrackStructureItem>(model::StructureBushes, ""));
        int changed = 0;
        double green = 0;
        for (std::size_t i = 0; i + 3 < with.size(); i += 4) {
            if (with[i] == without[i] && with[i + 1] == without[i + 1] &&
                with[i + 2] == without[i + 2]) {
                continue;
            }
            ++changed;
            green += with[i + 1];
        }
        // Culled or unlit cards left a few hundred dark pixels (mean green below 70).
        EXPECT_GT(changed, 2000);
        EXPECT_GT(green / std::max(changed, 1), 90.0);
    }
}

TEST_F(TileContentsFrame, AStructureLeavesNoColourOnTheRoadDrawnAfterIt) {
    // A shop behind a road tile (drawn before it, far to near): the road's white-lit bed must
    // look the same with and without the shop, not take on the colour the shop ended with.
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    model::CTrackItem* road = model::createTile({3, 5}, 0);
    road->addShape(1, model::LineKindSecondFirst);
    ASSERT_TRUE(road->addControlItem(model::KindReversing)); // drawn from its own list
    start();
    frame();
    const Pixels alone = frame();
    for (const char* shop : {"Shop01.zn3", "House01.zn3", "House04.zn3"}) {
        SCOPED_TRACE(shop);
        model::getOrCreateTile({3, 1}, 0)->setStructure(
            std::make_unique<model::CTrackStructureItem>(model::StructureItemModel, shop));
        ASSERT_NE(model::tileAt(0, {3, 1})->getStructure()->itemModel(), nullptr);
        const Pixels behind = frame();
        model::tileAt(0, {3, 1})->setStructure(nullptr);
        // The road's middle, away from the buffer block at its right end.
        double sx = 0, sy = 0;
        ASSERT_TRUE(screen(3.4, 0.05, 5.5, sx, sy));
        int differing = 0;
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -8; dx <= 8; ++dx) {
                const int x = static_cast<int>(sx) + dx;
                const int row = kHeight - 1 - (static_cast<int>(sy) + dy);
                const std::size_t i = (static_cast<std::size_t>(row) * kWidth + x) * 4;
                differing += alone[i] != behind[i] || alone[i + 1] != behind[i + 1] ||
                                     alone[i + 2] != behind[i + 2]
                                 ? 1
                                 : 0;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

TEST_F(TileContentsFrame, SupportsStandUnderElevatedTrack) {
    // A straight elevated line on layer 2 at (3, 3) with each kind of support under it.
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    model::CTrackItem* tile = model::createTile({3, 3}, 2);
    tile->setShape(1);
    start();
    frame();
    const Pixels bare = frame();
    double groundX = 0, groundY = 0, topX = 0, topY = 0;
    ASSERT_TRUE(screen(3.5, 0, 3.5, groundX, groundY));
    ASSERT_TRUE(screen(3.5, 2 * 1.2, 3.5, topX, topY));
    for (int kind = model::KindPierFirst; kind <= model::KindPierLast; ++kind) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(tile->addControlItem(kind));
        const Change change = changeBetween(bare, frame());
        tile->removeControlItems(kind);
        EXPECT_GT(change.count, 30);
        // Between the ground and the track, under the tile.
        EXPECT_GT(change.y, topY);
        EXPECT_LT(change.y, groundY);
        EXPECT_NEAR(change.x, (groundX + topX) / 2, 15);
    }
    EXPECT_EQ(frame(), bare);
}

TEST_F(TileContentsFrame, TwoSupportKindsOnOneTileDrawEachTheirOwn) {
    // Concrete blocks and a stone arch under one elevated line: the picture with both holds
    // more than either alone, rather than the first kind drawn twice.
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    model::CTrackItem* tile = model::createTile({3, 3}, 2);
    tile->setShape(1);
    start();
    const Pixels bare = frame();
    const int blocks = model::KindPierFirst + 1, arch = model::KindPierFirst + 4;
    ASSERT_TRUE(tile->addControlItem(blocks));
    const Pixels blocksOnly = frame();
    ASSERT_TRUE(tile->addControlItem(arch));
    const Pixels both = frame();
    tile->removeControlItems(blocks);
    const Pixels archOnly = frame();
    EXPECT_GT(changeBetween(bare, blocksOnly).count, 30);
    EXPECT_GT(changeBetween(bare, archOnly).count, 30);
    EXPECT_GT(changeBetween(blocksOnly, both).count, 30);
    EXPECT_GT(changeBetween(archOnly, both).count, 30);
}

TEST_F(TileContentsFrame, ItemPieceFrameStandsOverTheTrackInDarkRed) {
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    model::CTrackItem* tile = model::createTile({3, 3}, 0);
    tile->setShape(1);
    start();
    const Pixels bare = frame();
    ASSERT_TRUE(tile->addControlItem(model::KindItemPiece));
    const Pixels framed = frame();
    const Change change = changeBetween(bare, framed);
    EXPECT_GT(change.count, 60);
    // Centred over the middle of the line, about half the frame's height up.
    double sx = 0, sy = 0;
    ASSERT_TRUE(screen(3.5, 0.375, 3.5, sx, sy));
    EXPECT_NEAR(change.x, sx, 12);
    EXPECT_NEAR(change.y, sy, 12);
    // Most changed pixels are red over green and blue: the frame's dark red, lit.
    int reddish = 0;
    for (std::size_t i = 0; i + 3 < framed.size(); i += 4) {
        const bool changed =
            framed[i] != bare[i] || framed[i + 1] != bare[i + 1] || framed[i + 2] != bare[i + 2];
        if (changed && framed[i] > 2 * framed[i + 1] && framed[i] > 2 * framed[i + 2]) {
            ++reddish;
        }
    }
    EXPECT_GT(reddish, change.count / 2);
    tile->removeControlItems(model::KindItemPiece);
    EXPECT_EQ(frame(), bare);
}

TEST_F(TileContentsFrame, PointNumbersFloatOverTheirPointOnlyWhenSwitchedOn) {
    model::CTrackItem* point = model::getOrCreateTile({4, 3}, 0);
    point->setShape(1);
    point->addShape(2, 1);
    ASSERT_NE(point->pointItem(), nullptr);
    CDocumentRenderer& renderer = start();
    frame();
    const Pixels plain = frame();
    renderer.setShowPointNumbers(true);
    point->setPointNumber(7);
    const Change one = changeBetween(plain, frame());
    point->setPointNumber(123);
    const Change three = changeBetween(plain, frame());
    renderer.setShowPointNumbers(false);
    EXPECT_EQ(frame(), plain);

    double sx = 0, sy = 0;
    ASSERT_TRUE(screen(4.5, 0.1 + 0.165, 3.5, sx, sy));
    for (const Change& c : {one, three}) {
        EXPECT_GT(c.count, 10);
        EXPECT_NEAR(c.x, sx, 8);
        EXPECT_NEAR(c.y, sy, 8);
    }
    // Three digits of half the width cover more than one digit of 0.8.
    EXPECT_GT(three.count, one.count);
}

TEST(PointNumberCells, WidthFollowsTheNumberOfDigits) {
    const struct {
        int number;
        double width;
    } cases[] = {{7, 0.8 / 3}, {42, 0.6 / 3}, {123, 0.5 / 3}, {999, 0.5 / 3}, {1234, 0.5 / 4}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(render::opengl::pointNumberCellWidth(c.number, 1.0), c.width) << c.number;
        EXPECT_DOUBLE_EQ(render::opengl::pointNumberCellWidth(c.number, 2.0), 2 * c.width);
    }
}

TEST_F(TileContentsFrame, TheShadowListCastsElevatedTrackAndContentsOnFlatGround) {
    // An elevated straight line, a house on the ground and plain ground track.
    model::createTile({2, 2}, 1)->setShape(1);
    model::getOrCreateTile({5, 5}, 0)->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureItemModel, "House01.zn3"));
    model::createTile({1, 6}, 0)->setShape(1);
    CDocumentRenderer& renderer = start();
    document_->setPreferenceFlag(model::PrefNoShadows, true);
    frame();
    const Pixels without = frame();
    EXPECT_TRUE(renderer.trackStats().shadowList.empty());
    EXPECT_EQ(renderer.trackStats().shadowCasters, 0);

    document_->setPreferenceFlag(model::PrefNoShadows, false);
    const Pixels with = frame();
    EXPECT_EQ(renderer.trackStats().shadowList.size(), 3u);
    EXPECT_EQ(renderer.trackStats().shadowCasters, 2);
    // The house darkens the ground near it.
    const Change shadow = changeBetween(without, with);
    EXPECT_GT(shadow.count, 50);
    for (std::size_t i = 0; i + 3 < with.size(); i += 4) {
        EXPECT_LE(with[i] + with[i + 1] + with[i + 2],
                  without[i] + without[i + 1] + without[i + 2] + 3)
            << "pixel " << i / 4;
    }
}

TEST_F(TileContentsFrame, TheFirstFrameEqualsTheFramesDrawnFromItsLists) {
    // Rails, beds, a point, a station, supports and a structure: everything that is compiled
    // while it is first drawn.
    for (std::int16_t c = 0; c < 8; ++c) {
        model::createTile({c, 2}, 0)->setShape(1);
        model::createTile({c, 4}, 1)->setShape(1);
    }
    model::tileAt(0, {3, 2})->addShape(2, 1);
    model::tileAt(0, {6, 2})->addControlItem(model::KindStation1);
    model::tileAt(1, {2, 4})->addControlItem(model::KindPierFirst + 1);
    model::tileAt(1, {5, 4})->addControlItem(model::KindPierFirst + 2);
    model::tileAt(0, {1, 2})->addControlItem(model::KindItemPiece);
    model::getOrCreateTile({4, 6}, 0)->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureBushes, ""));
    CDocumentRenderer& renderer = start();
    const Pixels first = frame();
    EXPECT_GT(renderer.trackStats().listsCompiled, 0);
    const Pixels second = frame();
    EXPECT_EQ(renderer.trackStats().listsCompiled, 0);
    EXPECT_EQ(changeBetween(first, second).count, 0);
    EXPECT_EQ(frame(), second);
}

} // namespace
