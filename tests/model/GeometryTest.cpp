#include <gtest/gtest.h>

#include "model/Geometry.h"
#include "model/Pt.h"

using namespace model;

TEST(TilePosKey, PacksRowMajorAndSortsUnsigned) {
    EXPECT_EQ(packTilePos({3, 2}), 2u * 65536u + 3u);
    EXPECT_GT(packTilePos({3, 2}), packTilePos({998, 1}));
    EXPECT_LT(packTilePos({0, 0}), packTilePos({1, 0}));
    EXPECT_EQ(unpackTilePos(packTilePos({998, 999})), (TilePos{998, 999}));
}

TEST(TilePosKey, ValidityIsZeroTo999) {
    EXPECT_TRUE(isValidTilePos({0, 0}));
    EXPECT_TRUE(isValidTilePos({999, 999}));
    EXPECT_FALSE(isValidTilePos({1000, 0}));
    EXPECT_FALSE(isValidTilePos({0, -1}));
}

TEST(BoardSize, AcceptsOneTo999) {
    EXPECT_FALSE(isValidBoardSize(0));
    EXPECT_TRUE(isValidBoardSize(1));
    EXPECT_TRUE(isValidBoardSize(999));
    EXPECT_FALSE(isValidBoardSize(1000));
}

TEST(Rounding, HalfAwayFromZero) {
    EXPECT_EQ(roundHalfAway(2.5), 3.0);
    EXPECT_EQ(roundHalfAway(-2.5), -3.0);
    EXPECT_EQ(roundHalfAway(2.4999), 2.0);
    EXPECT_EQ(roundHalfAway(-0.5), -1.0);
}

TEST(Rotation, NinetyDegreesAboutCentreLandsOnWholeUnits) {
    double x = 0;
    double z = 20;
    rotateAbout(x, z, 20, 20, 90, true);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(z, 0);
    // Angles beyond a full turn are folded back first.
    double x2 = 0;
    double z2 = 20;
    rotateAbout(x2, z2, 20, 20, 450, true);
    EXPECT_EQ(x2, 20);
    EXPECT_EQ(z2, 0);
}

TEST(Rotation, HalfUnitResultsRoundAwayFromZero) {
    // (21, 20) turned 60 degrees about (20, 20) lands on (20.5, 20.866…).
    double x = 21;
    double z = 20;
    rotateAbout(x, z, 20, 20, 60, true);
    EXPECT_EQ(x, 21);
    EXPECT_EQ(z, 21);
    // About the origin, (−1, 0) by 60 degrees gives (−0.5, −0.866…): −1 and −1.
    double nx = -1;
    double nz = 0;
    rotateAbout(nx, nz, 0, 0, 60, true);
    EXPECT_EQ(nx, -1);
    EXPECT_EQ(nz, -1);
}

TEST(PtTransforms, MirrorTwiceAndFourQuarterTurnsRestore) {
    const int cases[][2] = {{0, 20}, {4, 40}, {37, 7}, {12, 17}, {40, 4}};
    for (const auto& c : cases) {
        Pt p(c[0], c[1]);
        p.mirrorLeftRight();
        p.mirrorLeftRight();
        p.mirrorTopBottom();
        p.mirrorTopBottom();
        EXPECT_EQ(p.x, c[0]);
        EXPECT_EQ(p.z, c[1]);
        for (int i = 0; i < 4; ++i) {
            p.rotate(90);
        }
        EXPECT_EQ(p.x, c[0]);
        EXPECT_EQ(p.z, c[1]);
        EXPECT_EQ(p.X, c[0]);
        EXPECT_EQ(p.Z, c[1]);
    }
}

TEST(PtTransforms, NewPointHasUnsetHeights) {
    Pt p(7, 9);
    EXPECT_EQ(p.height, -100.0f);
    EXPECT_EQ(p.Y, -100.0);
    EXPECT_EQ(p.X, 7);
    EXPECT_EQ(p.Z, 9);
    p.mirrorLeftRight();
    EXPECT_EQ(p.x, 33);
    EXPECT_EQ(p.X, 33);
}

TEST(DirectionAngle, Quadrants) {
    EXPECT_DOUBLE_EQ(directionAngle(0, 0, 0, 0), 0);
    EXPECT_DOUBLE_EQ(directionAngle(0, 0, 0, 5), 90);
    EXPECT_DOUBLE_EQ(directionAngle(0, 0, 0, -5), 270);
    EXPECT_NEAR(directionAngle(0, 0, 1, 1), 45, 1e-6);
    EXPECT_NEAR(directionAngle(0, 0, -1, 1), 135, 1e-6);
    EXPECT_NEAR(directionAngle(0, 0, -1, -1), 225, 1e-6);
    EXPECT_NEAR(directionAngle(0, 0, 1, -1), 315, 1e-6);
    EXPECT_DOUBLE_EQ(directionAngle(0, 0, -3, 0), 180);
}

TEST(ArcLength, QuarterCircle) {
    EXPECT_NEAR(arcLength(20, 90), 31.4159265, 1e-6);
}

TEST(Heights, LevelAndMetres) {
    EXPECT_DOUBLE_EQ(tileLevel(2, 1), 5.0 / 3.0);
    EXPECT_EQ(heightText(2, 1), "5m");
    EXPECT_DOUBLE_EQ(tileLevel(0, 2), 0.0);
    EXPECT_EQ(heightText(3, 2), "7m");
}

TEST(LayoutRecords, PickedColourKeepsHighByte) {
    EXPECT_EQ(RGBColor16::from8Bit(0x12, 0xFF, 0), (RGBColor16{0x1200, 0xFF00, 0x0000}));
}
