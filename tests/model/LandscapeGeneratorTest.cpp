#include <gtest/gtest.h>

#include <algorithm>

#include "model/TerrainGenerator.h"

using namespace model;

TEST(LandscapeGeneratorTest, GridSpansExactlyZeroToOneAndRepeatsBySeed) {
    for (std::uint32_t seed : {0u, 1u, 42u, 0xFFFFFFFFu}) {
        const auto grid = generateTerrainGrid(seed);
        ASSERT_EQ(grid.size(), 64u * 64u);
        const auto [low, high] = std::minmax_element(grid.begin(), grid.end());
        EXPECT_EQ(*low, 0.0f) << seed;
        EXPECT_EQ(*high, 1.0f) << seed;
        EXPECT_EQ(generateTerrainGrid(seed), grid) << seed;
    }
    EXPECT_NE(generateTerrainGrid(1), generateTerrainGrid(2));
}

TEST(LandscapeGeneratorTest, RandomSequenceStaysInRangeAndFollowsTheSeed) {
    TerrainRandom a(17);
    TerrainRandom b(17);
    TerrainRandom c(18);
    bool differs = false;
    for (int k = 0; k < 1000; ++k) {
        const int value = a.next();
        EXPECT_GE(value, 0);
        EXPECT_LE(value, TerrainRandom::kMax);
        EXPECT_EQ(value, b.next());
        differs = differs || value != c.next();
    }
    EXPECT_TRUE(differs);
}

TEST(LandscapeGeneratorTest, PictureTakesEachValueTimes255) {
    std::vector<float> grid(64 * 64, 0.5f);
    grid[0] = 1.0f;
    grid[1] = 0.0f;
    grid[2] = 0.999f;
    const image::Picture picture = terrainGridPicture(grid);
    ASSERT_EQ(picture.width(), 64);
    EXPECT_EQ(picture.colourAt(0, 0), 0xFFFFFFu);
    EXPECT_EQ(picture.colourAt(1, 0), 0u);
    EXPECT_EQ(picture.colourAt(2, 0), 254u * 0x010101u);
    EXPECT_EQ(picture.colourAt(5, 5), 127u * 0x010101u);
    EXPECT_TRUE(terrainGridPicture(std::vector<float>(10, 0.0f)).empty());
}
