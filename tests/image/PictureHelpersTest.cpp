#include "image/PictureHelpers.h"

#include "PictureTestSupport.h"

#include <functional>
#include <gtest/gtest.h>

using namespace image;
using imagetest::asymmetricPicture;
using imagetest::positionColour;

namespace {

constexpr std::uint32_t kBlack = 0x000000;

Picture whitePictureWithDots(int width, int height,
                             std::initializer_list<std::pair<int, int>> dots) {
    Picture picture = createPicture(width, height, 24);
    for (auto [x, y] : dots) {
        picture.setColourAt(x, y, kBlack);
    }
    return picture;
}

} // namespace

TEST(Picture, RefusesAbsurdSizesWithoutAllocating) {
    EXPECT_TRUE(Picture(100000, 100000, 24).empty());
    EXPECT_TRUE(Picture(0, 10, 24).empty());
    EXPECT_TRUE(Picture(-3, 10, 24).empty());
    EXPECT_TRUE(Picture(kMaxPictureDimension, kMaxPictureDimension, 24).empty());
    EXPECT_TRUE(Picture(4, 4, 16).empty());
    EXPECT_FALSE(Picture(4, 4, 1).empty());
}

TEST(PictureHelpers, CreateFillsWhiteAndRefusesOtherDepths) {
    const Picture picture = createPicture(3, 2, 32);
    ASSERT_FALSE(picture.empty());
    for (std::uint8_t byte : picture.bytes()) {
        EXPECT_EQ(byte, 0xFF);
    }
    EXPECT_TRUE(createPicture(3, 2, 8).empty());
    EXPECT_EQ(copyPicture(picture), picture);
}

TEST(PictureHelpers, RotateByRightAnglesMovesEveryPixel) {
    const Picture source = asymmetricPicture(3, 2);
    // Where the source pixel (column j, row i) lands, for a w × h source.
    struct Case {
        int angle;
        bool swapped;
        std::function<std::pair<int, int>(int j, int i, int w, int h)> target;
    };
    const Case cases[] = {
        {0, false,
         [](int j, int i, int, int) {
             return std::pair{j, i};
         }},
        {90, true,
         [](int j, int i, int, int h) {
             return std::pair{h - 1 - i, j};
         }},
        {180, false,
         [](int j, int i, int w, int h) {
             return std::pair{w - 1 - j, h - 1 - i};
         }},
        {270, true,
         [](int j, int i, int w, int) {
             return std::pair{i, w - 1 - j};
         }},
        {-90, true,
         [](int j, int i, int w, int) {
             return std::pair{i, w - 1 - j};
         }},
        {450, true,
         [](int j, int i, int, int h) {
             return std::pair{h - 1 - i, j};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        const Picture turned = rotatePicture(source, c.angle);
        ASSERT_EQ(turned.width(), c.swapped ? 2 : 3);
        ASSERT_EQ(turned.height(), c.swapped ? 3 : 2);
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 3; ++j) {
                auto [x, y] = c.target(j, i, 3, 2);
                EXPECT_EQ(turned.colourAt(x, y), positionColour(j, i)) << j << "," << i;
            }
        }
    }
    // The documented example: the top-right pixel of the turned 2 × 3 picture is the source's
    // top-left pixel.
    EXPECT_EQ(rotatePicture(source, 90).colourAt(1, 0), positionColour(0, 0));
    EXPECT_TRUE(rotatePicture(source, 45).empty());
    EXPECT_TRUE(rotatePicture(Picture(), 90).empty());
}

TEST(PictureHelpers, RotateKeepsAlphaAndMaskBits) {
    const Picture rgba = asymmetricPicture(3, 2, 32);
    const Picture turned = rotatePicture(rgba, 90);
    EXPECT_EQ(turned.pixel(1, 0)[3], rgba.pixel(0, 0)[3]);
    EXPECT_EQ(turned.pixel(0, 2)[3], rgba.pixel(2, 1)[3]);

    Picture mask(3, 2, 1);
    mask.setMaskBit(0, 0, true);
    const Picture turnedMask = rotatePicture(mask, 90);
    EXPECT_TRUE(turnedMask.maskBit(1, 0));
    EXPECT_FALSE(turnedMask.maskBit(0, 0));
}

TEST(PictureHelpers, RotateAnyAngleSamplesAboutTheCentre) {
    const Picture source = asymmetricPicture(4, 4);
    EXPECT_EQ(rotatePictureAnyAngle(source, 0.0), source);
    EXPECT_EQ(rotatePictureAnyAngle(source, -20.0), source); // clamped to 0

    // A 90 degree turn: destination (column c, row r) takes the source pixel (column r,
    // row 4 - c); column 0 would read row 4, outside, and stays white.
    const Picture turned = rotatePictureAnyAngle(source, 90.0);
    ASSERT_EQ(turned.width(), 4);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(turned.colourAt(0, r), kWhite);
        for (int c = 1; c < 4; ++c) {
            EXPECT_EQ(turned.colourAt(c, r), positionColour(r, 4 - c)) << c << "," << r;
        }
    }

    // An odd width keeps its size; the last column is never written and stays white.
    const Picture odd = rotatePictureAnyAngle(asymmetricPicture(3, 2), 0.0);
    EXPECT_EQ(odd.width(), 3);
    EXPECT_EQ(odd.colourAt(0, 0), positionColour(0, 0));
    EXPECT_EQ(odd.colourAt(2, 0), kWhite);

    Picture inPlace = source;
    rotatePictureAnyAngleInPlace(inPlace, 90.0);
    EXPECT_EQ(inPlace, turned);
}

TEST(PictureHelpers, MirrorsReverseOneAxis) {
    const Picture source = asymmetricPicture(3, 2, 32);
    const Picture leftRight = mirrorPictureLeftRight(source);
    const Picture topBottom = mirrorPictureTopBottom(source);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(leftRight.colourAt(2 - x, y), positionColour(x, y));
            EXPECT_EQ(leftRight.pixel(2 - x, y)[3], source.pixel(x, y)[3]);
            EXPECT_EQ(topBottom.colourAt(x, 1 - y), positionColour(x, y));
        }
    }
    Picture inPlace = source;
    mirrorPictureLeftRightInPlace(inPlace);
    EXPECT_EQ(inPlace, leftRight);
    inPlace = source;
    mirrorPictureTopBottomInPlace(inPlace);
    EXPECT_EQ(inPlace, topBottom);

    Picture mask(9, 1, 1);
    mask.setMaskBit(0, 0, true);
    mirrorPictureLeftRightInPlace(mask);
    EXPECT_TRUE(mask.maskBit(8, 0));
    EXPECT_FALSE(mask.maskBit(0, 0));
}

TEST(PictureHelpers, CropToContentTreatsTheLastColumnAndRowAsExclusive) {
    const Picture cropped = cropToContent(whitePictureWithDots(100, 100, {{10, 20}, {30, 40}}));
    ASSERT_EQ(cropped.width(), 20);
    ASSERT_EQ(cropped.height(), 20);
    EXPECT_EQ(cropped.colourAt(0, 0), kBlack);
    EXPECT_EQ(cropped.colourAt(19, 19), kWhite);

    // Nothing to crop to, or a box without width: the picture is kept whole.
    EXPECT_EQ(cropToContent(createPicture(5, 4, 24)).width(), 5);
    const Picture single = cropToContent(whitePictureWithDots(5, 4, {{2, 2}}));
    EXPECT_EQ(single.width(), 5);
    EXPECT_EQ(single.height(), 4);
    const Picture line = cropToContent(whitePictureWithDots(5, 4, {{1, 1}, {3, 1}}));
    EXPECT_EQ(line.width(), 5);
}

TEST(PictureHelpers, MaskAndRecolourCompareTheKeyByteWise) {
    Picture picture = createPicture(3, 2, 24);
    picture.pixel(1, 0)[0] = 0x11; // first stored byte
    picture.pixel(1, 0)[1] = 0x22;
    picture.pixel(1, 0)[2] = 0x33;
    const std::uint32_t key = 0x332211;

    const Picture mask = maskPicture(picture, key);
    ASSERT_EQ(mask.bitsPerPixel(), 1);
    EXPECT_FALSE(mask.maskBit(1, 0));
    EXPECT_TRUE(mask.maskBit(0, 0));
    EXPECT_TRUE(mask.maskBit(2, 1));
    EXPECT_TRUE(maskPicture(picture, 0x112233).maskBit(1, 0));

    const Picture recoloured = recolourPicture(picture, 0x0000FF, key);
    EXPECT_EQ(recoloured.colourAt(1, 0), key);
    EXPECT_EQ(recoloured.colourAt(0, 0), 0x0000FFu);
    EXPECT_EQ(recoloured.pixel(2, 1)[0], 0xFF);
    EXPECT_EQ(recoloured.pixel(2, 1)[2], 0x00);
}

TEST(PictureHelpers, BlendUsesTruncatedConstantOpacity) {
    Picture base = createPicture(3, 2, 24);
    Picture overlay(2, 1, 24); // black, smaller than the base
    const Picture half = blendPictures(base, overlay, 0.5);
    ASSERT_EQ(half.width(), 3);
    EXPECT_EQ(half.pixel(0, 0)[0], (255 * 128) / 255); // alpha trunc(127.5) = 127
    EXPECT_EQ(half.pixel(1, 0)[2], 128);
    EXPECT_EQ(half.colourAt(2, 0), kWhite); // outside the overlay
    EXPECT_EQ(half.colourAt(0, 1), kWhite);
    EXPECT_EQ(blendPictures(base, overlay, 3.0).colourAt(0, 0), kBlack);
    EXPECT_EQ(blendPictures(base, overlay, -1.0).colourAt(0, 0), kWhite);
    EXPECT_TRUE(blendPictures(base, Picture(), 0.5).empty());
    EXPECT_TRUE(blendPictures(Picture(), overlay, 0.5).empty());
}

TEST(PictureHelpers, RegionListsRunsThatDifferFromTheKey) {
    Picture picture = createPicture(5, 2, 24);
    picture.setColourAt(1, 0, kBlack);
    picture.setColourAt(2, 0, kBlack);
    picture.setColourAt(4, 0, kBlack);
    picture.setColourAt(0, 1, kBlack);
    const std::vector<PictureRect> expected = {{1, 0, 3, 1}, {4, 0, 5, 1}, {0, 1, 1, 2}};
    EXPECT_EQ(regionFromPicture(picture, kWhite), expected);
    EXPECT_EQ(regionFromPicture(picture, -1), expected); // top-left pixel is white
    const std::vector<PictureRect> inverse = {{0, 0, 1, 1}, {3, 0, 4, 1}, {1, 1, 5, 2}};
    EXPECT_EQ(regionFromPicture(picture, kBlack), inverse);
    EXPECT_TRUE(regionFromPicture(Picture(), -1).empty());
}

TEST(PictureHelpers, ResampleToGridSamplesAndZeroesTheBorder) {
    Picture picture = createPicture(8, 8, 24);
    picture.setColourAt(4, 2, 0x000000); // sample (2, 1) of a 4 × 4 grid reads pixel (4, 2)
    picture.setColourAt(2, 4, 0x3F3F3F); // sample (1, 2)
    const HeightGrid grid = resampleToGrid(picture, 4, 4);
    ASSERT_EQ(grid.columns, 4);
    ASSERT_EQ(grid.rows, 4);
    EXPECT_DOUBLE_EQ(grid.at(2, 1), 0.0);
    EXPECT_DOUBLE_EQ(grid.at(1, 2), 63.0 / 255.0);
    EXPECT_DOUBLE_EQ(grid.at(1, 1), 1.0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(grid.at(k, 0), 0.0);
        EXPECT_EQ(grid.at(k, 3), 0.0);
        EXPECT_EQ(grid.at(0, k), 0.0);
        EXPECT_EQ(grid.at(3, k), 0.0);
    }
    const HeightGrid clamped = resampleToGrid(picture, 20, 3);
    EXPECT_EQ(clamped.columns, 8);
    EXPECT_EQ(clamped.rows, 3);
    EXPECT_TRUE(resampleToGrid(Picture(), 4, 4).samples.empty());
}
