#include <gtest/gtest.h>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

using namespace model;

namespace {

class TileBoxTest : public ::testing::Test {
protected:
    void TearDown() override { deleteAllTiles(); }

    // The box around the corners, relative to the tile centre for s = 1.
    static SceneBox relativeBox(const CTrackItem& tile, const TileCorners& corners) {
        SceneBox box = boxAround(corners);
        const double cx = tile.getPosition().column + 0.5;
        const double cz = tile.getPosition().row + 0.5;
        box.min.x -= cx;
        box.max.x -= cx;
        box.min.z -= cz;
        box.max.z -= cz;
        return box;
    }

    static void expectBox(const SceneBox& box, Vec3d min, Vec3d max) {
        EXPECT_NEAR(box.min.x, min.x, 1e-9);
        EXPECT_NEAR(box.min.y, min.y, 1e-9);
        EXPECT_NEAR(box.min.z, min.z, 1e-9);
        EXPECT_NEAR(box.max.x, max.x, 1e-9);
        EXPECT_NEAR(box.max.y, max.y, 1e-9);
        EXPECT_NEAR(box.max.z, max.z, 1e-9);
    }
};

} // namespace

TEST_F(TileBoxTest, LinesOfGroundAndElevatedTiles) {
    TileCorners corners;
    CTrackItem* ground = createTile({3, 2}, 0);
    ground->addShape(1, LineKindTrack);
    EXPECT_TRUE(ground->contentBox(1.0, 1.2, corners, true));
    expectBox(relativeBox(*ground, corners), {-0.5, -0.05, -0.5}, {0.5, 0.05, 0.5});
    // Corner order: bottom face then top face, each (min x, min z) first.
    EXPECT_NEAR(corners[0].x, 3.0, 1e-12);
    EXPECT_NEAR(corners[0].z, 2.0, 1e-12);
    EXPECT_NEAR(corners[1].z, 3.0, 1e-12);
    EXPECT_NEAR(corners[2].x, 4.0, 1e-12);
    EXPECT_NEAR(corners[4].y, 0.05, 1e-12);

    // Without lines asked for, a tile holding only lines has nothing.
    EXPECT_FALSE(ground->contentBox(1.0, 1.2, corners, false));

    // A long diagonal widens the box by 1.2; a raised bed of kind 101 thickens it.
    CTrackItem* diagonal = createTile({10, 10}, 0);
    diagonal->addShape(6, LineKindTrack);
    EXPECT_TRUE(diagonal->contentBox(1.0, 1.2, corners, true));
    expectBox(relativeBox(*diagonal, corners), {-0.6, -0.05, -0.6}, {0.6, 0.05, 0.6});

    CTrackItem* monorail = createTile({0, 0}, 2);
    monorail->addShape(1, LineKindFourth);
    EXPECT_TRUE(monorail->contentBox(1.0, 1.2, corners, true));
    const double margin = (0.1 + 0.78125) / 2.0;
    expectBox(relativeBox(*monorail, corners), {-0.5, 2.4 - margin, -0.5},
              {0.5, 2.4 + margin, 0.5});
}

TEST_F(TileBoxTest, EmptyTileGivesAFlatBoxAtTheCentre) {
    CTrackItem* tile = createTile({4, 7}, 0);
    TileCorners corners;
    EXPECT_FALSE(tile->contentBox(2.0, 2.4, corners, true));
    for (const Vec3d& c : corners) {
        EXPECT_EQ(c, (Vec3d{9.0, 0.0, 15.0}));
    }
    std::vector<ContentBox> boxes;
    EXPECT_FALSE(tile->contentBoxes(2.0, boxes));
}

TEST_F(TileBoxTest, StructureBoxTurnsAndMirrorsWithItsRect) {
    CTrackItem* tile = createTile({0, 0}, 0);
    tile->setStructure(std::make_unique<CTrackStructureItem>(StructureWooden, ""));
    TileCorners corners;
    EXPECT_TRUE(tile->contentBox(1.0, 1.2, corners, false));
    expectBox(relativeBox(*tile, corners), {-0.5, 0, -0.5}, {0.2, 0.9375, 0.5});

    tile->getStructure()->rotate(90.0); // reads as angle −90: turned by 90 degrees
    ASSERT_EQ(tile->getStructure()->orientation(), (Orientation{-90, 1}));
    EXPECT_TRUE(tile->contentBox(1.0, 1.2, corners, false));
    expectBox(relativeBox(*tile, corners), {-0.5, 0, -0.5}, {0.5, 0.9375, 0.2});

    tile->getStructure()->setRect({0, 12, 39, 40}); // angle 0, mirrored
    EXPECT_TRUE(tile->contentBox(1.0, 1.2, corners, false));
    expectBox(relativeBox(*tile, corners), {-0.2, 0, -0.5}, {0.5, 0.9375, 0.5});

    // A structure without bounds still sets the orientation of the lines' box.
    tile->setStructure(std::make_unique<CTrackStructureItem>(StructureBushes, ""));
    EXPECT_TRUE(tile->getStructure()->isWithoutBounds());
    EXPECT_FALSE(tile->contentBox(1.0, 1.2, corners, false));
}

TEST_F(TileBoxTest, ControlItemsCountOnlyWithoutAStructure) {
    CTrackItem* tile = createTile({1, 1}, 0);
    tile->addControlItem(KindCrossing);
    tile->addControlItem(KindStation1); // has no bounds of its own
    TileCorners corners;
    EXPECT_TRUE(tile->contentBox(1.0, 1.2, corners, false));
    expectBox(relativeBox(*tile, corners), {-0.6, 0, -0.6}, {-0.4, 1.2, -0.4});

    std::vector<ContentBox> boxes;
    EXPECT_TRUE(tile->contentBoxes(1.0, boxes));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].id, -1);
    expectBox(boxes[0].box, {0.9, 0, 0.9}, {1.1, 1.2, 1.1});

    tile->setStructure(std::make_unique<CTrackStructureItem>(StructureTree, ""));
    EXPECT_TRUE(tile->contentBox(1.0, 1.2, corners, false));
    expectBox(relativeBox(*tile, corners), {-5.0 / 12.0, 0, -0.55}, {1.0 / 12.0, 1.0, -0.05});
}

TEST_F(TileBoxTest, PierReachesFromTheGroundToTheRails) {
    CTrackItem* tile = createTile({0, 0}, 2);
    tile->addShape(1, LineKindTrack);
    tile->setPierType(310);
    SceneBox box;
    ASSERT_TRUE(tile->pierItem()->localBounds(1.0, box));
    expectBox(box, {-0.3, 0, -0.3}, {0.3, 2.4, 0.3});

    tile->setElevationOffset(3);
    tile->setPierType(315); // an arch spans the tile
    ASSERT_TRUE(tile->pierItem()->localBounds(1.0, box));
    expectBox(box, {-0.5, 0, -0.5}, {0.5, 1.2 - 0.1, 0.5});

    CTrackControlItem loose(KindPierFirst);
    EXPECT_FALSE(loose.localBounds(1.0, box));
}
