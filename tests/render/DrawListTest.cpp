// Fading and the frame's draw list, without a graphics context.
#include "render/DrawList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"

namespace {

using render::FadeRange;

TEST(Fade, RangeOfEachModeAndBoardSize) {
    struct Case {
        int mode;
        int columns;
        int rows;
        double nearDistance;
        double farDistance;
    };
    const Case cases[] = {
        {render::ModeLayout, 10, 10, 22.5, 30}, {render::ModeLayout, 20, 5, 22.5, 30},
        {render::ModeLayout, 40, 10, 45, 60},   {render::ModeLayout, 10, 100, 112.5, 150},
        {render::ModeWalk, 100, 100, 10, 20},   {render::ModeDriverSeat, 10, 10, 10, 20},
    };
    for (const Case& c : cases) {
        const FadeRange r = render::fadeRange(c.mode, c.columns, c.rows, 1.0);
        EXPECT_DOUBLE_EQ(r.nearDistance, c.nearDistance) << c.mode << " " << c.columns;
        EXPECT_DOUBLE_EQ(r.farDistance, c.farDistance) << c.mode << " " << c.columns;
    }
}

TEST(Fade, LevelsAndAlphasAcrossTheRange) {
    const FadeRange range{10, 20};
    struct Case {
        double distance;
        bool off;
        int level;
        float alpha;
    };
    const Case cases[] = {
        {0, false, 0, 1},       {9.99, false, 0, 1},  {10, false, 1, 0.9f},
        {15.5, false, 6, 0.4f}, {19.5, false, 10, 0}, {20, false, 11, 0},
        {20.01, false, -1, 0},  {500, true, 0, 1},    {15, true, 0, 1},
    };
    for (const Case& c : cases) {
        const render::FadeResult f = render::fadeLevel(c.distance, range, c.off);
        EXPECT_EQ(f.level, c.level) << c.distance;
        EXPECT_NEAR(f.alpha, c.alpha, 1e-6) << c.distance;
        EXPECT_GE(f.alpha, 0) << c.distance;
        EXPECT_LE(f.alpha, 1) << c.distance;
    }
    EXPECT_EQ(render::fadeAlpha(12), 0);
    EXPECT_EQ(render::fadeAlpha(-1), 0);
}

class DrawList : public ::testing::Test {
protected:
    void TearDown() override { model::deleteAllTiles(); }

    // Rows 0 and 9 of track, seen from close above row 0 (row 9 is out of sight), with the
    // fade range `range`.
    render::DrawListInput rowZeroFromAbove(FadeRange range) {
        for (int c = 0; c < 10; ++c) {
            trackAt(c, 0);
            trackAt(c, 9);
        }
        frustum_.build({{5, 3, 0.5}, {5, 0, 0.5}, {0, 0, -1}}, 60, 4.0 / 3.0, 0.1, 100);
        render::DrawListInput input;
        input.eye = {5, 3, 0.5};
        input.range = range;
        input.frustum = &frustum_;
        return input;
    }
    render::ViewFrustum frustum_;

    static void trackAt(int column, int row, int layer = 0) {
        model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)},
                          layer)
            ->setShape(1);
    }
};

TEST_F(DrawList, EntriesRunFarToNearAndFadedOrFarTilesAreLeftOut) {
    // Eye at the origin, a row of tiles along x: centres at 0.5, 1.5, … 39.5.
    for (int c = 0; c < 40; ++c) {
        trackAt(c, 0);
    }
    render::DrawListInput input;
    input.eye = {0, 0, 0.5};
    input.range = {10, 20};
    const render::DrawList list = render::buildDrawList(input);
    // Kept: distances up to 18.5 (levels 0 … 9); 19.5 has level 10 and is dropped.
    ASSERT_EQ(list.size(), 19u);
    for (std::size_t i = 1; i < list.size(); ++i) {
        EXPECT_GT(list[i - 1].distance, list[i].distance);
    }
    EXPECT_EQ(list.front().column, 18);
    EXPECT_EQ(list.front().level, 9);
    EXPECT_NEAR(list.front().alpha, 0.1, 1e-6);
    EXPECT_EQ(list.back().column, 0);
    EXPECT_EQ(list.back().level, 0);

    input.showAllFar = true;
    const render::DrawList all = render::buildDrawList(input);
    ASSERT_EQ(all.size(), 40u);
    for (const render::DrawListEntry& e : all) {
        EXPECT_EQ(e.level, 0);
        EXPECT_EQ(e.alpha, 1);
    }
    input.fog = true;
    input.fogEnd = 20;
    EXPECT_EQ(render::buildDrawList(input).size(), 22u); // within 1.1 × the fog end
}

TEST_F(DrawList, TheFrustumDropsOnlyTilesWhollyOutsideIt) {
    const render::DrawListInput input = rowZeroFromAbove({100, 200});
    const render::DrawList list = render::buildDrawList(input);
    ASSERT_FALSE(list.empty());
    for (const render::DrawListEntry& e : list) {
        EXPECT_EQ(e.row, 0) << e.column;
    }
    EXPECT_GE(list.size(), 5u);
}

// Both lists from one pass are the lists of two separate ones, whether or not they differ.
TEST_F(DrawList, OnePassGivesTheNormalAndTheShadowListOfTwo) {
    render::DrawListInput input = rowZeroFromAbove({6, 12});
    // Out of sight on the first layer, but its shadow falls on row 0 from a light ahead.
    trackAt(5, 4, 1);
    input.light = {5, 10, 30};
    const render::DrawList normal = render::buildDrawList(input);
    input.shadowPass = true;
    const render::DrawList shadow = render::buildDrawList(input);
    auto has = [](const render::DrawList& list, int layer) {
        return std::any_of(list.begin(), list.end(),
                           [&](const render::DrawListEntry& e) { return e.layer == layer; });
    };
    EXPECT_FALSE(has(normal, 1));
    EXPECT_TRUE(has(shadow, 1)) << "the lists differ, so the test tells them apart";
    auto same = [](const render::DrawList& a, const render::DrawList& b) {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].tile, b[i].tile) << i;
            EXPECT_EQ(a[i].distance, b[i].distance) << i;
            EXPECT_EQ(a[i].level, b[i].level) << i;
            EXPECT_EQ(a[i].alpha, b[i].alpha) << i;
        }
    };
    render::DrawList oneNormal;
    render::DrawList oneShadow;
    input.shadowPass = false;
    render::buildDrawLists(input, oneNormal, &oneShadow);
    same(oneNormal, normal);
    same(oneShadow, shadow);
    // Without a shadow list only the normal one is made.
    render::buildDrawLists(input, oneNormal, nullptr);
    same(oneNormal, normal);
}

} // namespace
