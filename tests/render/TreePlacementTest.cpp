// Where a tile's built-in tree stands and which cached form it uses, without a graphics
// context.
#include "render/TreePlacement.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/CTrackItem.h"
#include "model/CTrackStructureItem.h"
#include "model/TrackTiles.h"

namespace {

class TreePlacement : public ::testing::Test {
protected:
    void TearDown() override { model::deleteAllTiles(); }

    static model::CTrackItem* treeAt(int column, int row, int layer) {
        model::CTrackItem* tile = model::createTile(
            {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, layer);
        tile->setStructure(
            std::make_unique<model::CTrackStructureItem>(model::StructureTree, std::string()));
        return tile;
    }
};

TEST_F(TreePlacement, TheTrunkStandsAtTheCentreOfTheTreesBoundsInEveryOrientation) {
    // Turned by quarter turns and mirrored, the trunk follows the structure's bounds, whose
    // centre is the trunk's place.
    for (int mirror = 0; mirror < 2; ++mirror) {
        for (int turns = 0; turns < 4; ++turns) {
            model::CTrackItem* tile = treeAt(3, 2, 0);
            model::CTrackStructureItem* tree = tile->getStructure();
            if (mirror == 1) {
                tree->mirrorLeftRight();
            }
            for (int t = 0; t < turns; ++t) {
                tree->rotate(90);
            }
            model::SceneBox bounds;
            ASSERT_TRUE(tree->placeBounds(1.0, bounds));
            const auto place = render::treePlace(*tile, 1.0, 1.2, {});
            ASSERT_TRUE(place.has_value());
            SCOPED_TRACE(testing::Message() << "mirror " << mirror << " turns " << turns);
            EXPECT_NEAR(place->trunk.x, 3.5 + (bounds.min.x + bounds.max.x) / 2, 1e-9);
            EXPECT_NEAR(place->trunk.z, 2.5 + (bounds.min.z + bounds.max.z) / 2, 1e-9);
            EXPECT_EQ(place->trunk.y, 0);
            if (mirror == 0 && turns == 0) {
                // A third in from the left edge, a fifth in from the top edge.
                EXPECT_NEAR(place->trunk.x, 3 + 1.0 / 3, 1e-9);
                EXPECT_NEAR(place->trunk.z, 2 + 1.0 / 5, 1e-9);
            }
            model::deleteAllTiles();
        }
    }
}

TEST_F(TreePlacement, AGroundTreeStandsOnTheTerrainAndAnElevatedOneOnItsLevel) {
    const auto hill = [](double x, double z) { return 0.25 * x + z; };
    const model::CTrackItem* ground = treeAt(4, 6, 0);
    const auto onHill = render::treePlace(*ground, 1.0, 1.2, hill);
    ASSERT_TRUE(onHill.has_value());
    EXPECT_NEAR(onHill->trunk.y, hill(onHill->trunk.x, onHill->trunk.z), 1e-12);

    const model::CTrackItem* raised = treeAt(4, 6, 2);
    const auto elevated = render::treePlace(*raised, 1.0, 1.2, hill);
    ASSERT_TRUE(elevated.has_value());
    EXPECT_NEAR(elevated->trunk.y, 2 * 1.2, 1e-12);

    // Other structures and bare tiles hold no tree.
    model::CTrackItem* wooden = model::createTile({1, 1}, 0);
    wooden->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureWooden, std::string()));
    EXPECT_FALSE(render::treePlace(*wooden, 1.0, 1.2, hill).has_value());
    model::CTrackItem* track = model::createTile({2, 1}, 0);
    track->setShape(1);
    EXPECT_FALSE(render::treePlace(*track, 1.0, 1.2, hill).has_value());
}

TEST(TreeLists, OneListPerFadeLevelAndPassAndTheLowDetailBeyondTheNearDistance) {
    for (int level = 0; level <= 9; ++level) {
        EXPECT_EQ(render::treeListKey(level, false), 187 + level);
        EXPECT_EQ(render::treeListKey(level, true), 197 + level);
        EXPECT_EQ(render::treeIsLowDetail(level), level != 0);
    }
    for (const int level : {-1, 10, 11}) {
        EXPECT_EQ(render::treeListKey(level, false), render::kNoCacheKey);
        EXPECT_EQ(render::treeListKey(level, true), render::kNoCacheKey);
    }
}

} // namespace
