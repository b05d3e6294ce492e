// Display-list keys of tiles and standard line shapes.
#include "render/ListKeys.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using render::ballastListKey;
using render::chunkListKey;
using render::ChunkPass;
using render::kChunkEdge;
using render::kNoCacheKey;
using render::lineListKey;
using render::tileListKey;

TEST(ListKeys, TileKeysFollowLayerLevelAndCell) {
    struct Case {
        int layer, column, row, columns, level;
        bool shadow;
        std::int32_t key;
    };
    const Case cases[] = {
        {0, 0, 0, 11, 0, false, 1'000'000},
        {0, 3, 2, 11, 0, false, 1'000'025},
        {0, 3, 2, 11, 9, false, 10'000'025},
        {2, 3, 2, 11, 4, false, 45'000'025},
        {0, 3, 2, 11, 0, true, 11'000'025},
        {4, 998, 998, 999, 9, false, 90'000'000 + 998 * 999 + 998},
        {4, 998, 998, 999, 0, true, 91'000'000 + 998 * 999 + 998},
        // Outside 0 … 9, off the board, or on no layer: not cached.
        {0, 3, 2, 11, 10, false, 0},
        {0, 3, 2, 11, -1, false, 0},
        {5, 3, 2, 11, 0, false, 0},
        {0, 11, 2, 11, 0, false, 0},
        {0, -1, 2, 11, 0, true, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tileListKey(c.layer, c.column, c.row, c.columns, c.level, c.shadow), c.key)
            << c.layer << " " << c.column << "," << c.row << " level " << c.level
            << (c.shadow ? " shadow" : "");
    }
}

TEST(ListKeys, NoTwoTilesOrPassesShareAKeyOnTheLargestBoard) {
    // The corners of each layer's key range on a 999 × 999 board stay apart.
    std::set<std::int32_t> keys;
    int made = 0;
    for (int layer = 0; layer <= 4; ++layer) {
        for (const auto& [column, row] : {std::pair{0, 0}, std::pair{998, 998}}) {
            for (int level = 0; level <= 9; ++level) {
                keys.insert(tileListKey(layer, column, row, 999, level, false));
                ++made;
            }
            keys.insert(tileListKey(layer, column, row, 999, 0, true));
            made += 1;
            for (const ChunkPass pass :
                 {ChunkPass::Lines, ChunkPass::LinesFromAbove, ChunkPass::LinesFar}) {
                keys.insert(chunkListKey(layer, column, row, 999, pass));
                ++made;
            }
            if (layer == 0) {
                keys.insert(ballastListKey(column, row, 999));
                ++made;
                for (const ChunkPass pass :
                     {ChunkPass::Ballast, ChunkPass::BallastFromAbove, ChunkPass::BallastFar}) {
                    keys.insert(chunkListKey(layer, column, row, 999, pass));
                    ++made;
                }
            } else {
                EXPECT_EQ(chunkListKey(layer, column, row, 999, ChunkPass::BallastFar),
                          render::kNoCacheKey);
            }
        }
    }
    EXPECT_EQ(static_cast<int>(keys.size()), made);
    EXPECT_GT(*keys.begin(), 1237) << "above the line-shape keys";
}

TEST(ListKeys, TilesOfOneChunkShareItsKeyAndNoOthersDo) {
    const int e = kChunkEdge;
    const std::int32_t first = chunkListKey(1, 0, 0, 40, ChunkPass::Lines);
    EXPECT_NE(first, kNoCacheKey);
    EXPECT_EQ(chunkListKey(1, e - 1, e - 1, 40, ChunkPass::Lines), first);
    EXPECT_NE(chunkListKey(1, e, 0, 40, ChunkPass::Lines), first);
    EXPECT_NE(chunkListKey(1, 0, e, 40, ChunkPass::Lines), first);
    EXPECT_NE(chunkListKey(2, 0, 0, 40, ChunkPass::Lines), first);
    EXPECT_NE(chunkListKey(0, 0, 0, 40, ChunkPass::Ballast),
              chunkListKey(0, 0, 0, 40, ChunkPass::Lines));
    // Outside the board, an unknown layer, and ballast above the ground have no chunk.
    EXPECT_EQ(chunkListKey(1, 40, 0, 40, ChunkPass::Lines), kNoCacheKey);
    EXPECT_EQ(chunkListKey(5, 0, 0, 40, ChunkPass::Lines), kNoCacheKey);
    EXPECT_EQ(chunkListKey(1, 0, 0, 40, ChunkPass::Ballast), kNoCacheKey);
}

TEST(ListKeys, LineShapeKeysSpanTheirTwoRanges) {
    EXPECT_EQ(lineListKey(1, 1, false, 0, 0, 0), 337);
    EXPECT_EQ(lineListKey(1, 1, true, 0, 0, 0), 788);
    EXPECT_EQ(lineListKey(3, 100, false, 5, 0, 0), 5 + 20 + 270 + 337);
    EXPECT_EQ(lineListKey(6, 101, false, 9, 4, 4), 9 + 80 + 360 + 337);
    EXPECT_EQ(lineListKey(6, 101, true, 9, 4, 4), 9 + 80 + 360 + 788);
    EXPECT_EQ(lineListKey(6, 2, false, 0, 2, 4), 60 + 90 + 337);
    EXPECT_EQ(lineListKey(6, 1, false, 0, 3, 3), 337) << "other sizes use e = 0";
    std::set<std::int32_t> normal;
    for (int shape = 1; shape <= 6; ++shape) {
        for (int kind : {1, 2, 3, 100, 101}) {
            for (int level = 0; level <= 9; ++level) {
                const std::int32_t key = lineListKey(shape, kind, false, level, 4, 2);
                EXPECT_GE(key, 337);
                EXPECT_LE(key, 786);
                normal.insert(key);
            }
        }
    }
    EXPECT_EQ(normal.size(), 6u * 5u * 10u);
}

} // namespace
