#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/PictureFiles.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

using namespace model;

namespace {

class LandscapeItemTest : public ::testing::Test {
protected:
    void TearDown() override {
        deleteAllLandscapeItems();
        deleteAllTiles();
        landscapeHooks() = LandscapeHooks{};
    }
};

image::Picture greyPicture(int width, int height, std::uint8_t grey) {
    image::Picture picture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setColourAt(x, y, grey * 0x010101u);
        }
    }
    return picture;
}

CLandscapeItem* itemWith(image::Picture picture, BoardRect rect) {
    CLandscapeItem* item = createLandscapeItem();
    item->setRect(rect);
    item->setPicture(std::move(picture));
    item->rebuildHeights();
    return item;
}

std::uint8_t mapByte(const CLandscapeItem& item, int x, int y) {
    return item.getHeightMap()[CLandscapeItem::kHeightMapHeaderLength + y * 128 + x];
}

} // namespace

TEST_F(LandscapeItemTest, NewItemIsAFlatHillWithTheStoredDefaults) {
    CLandscapeItem* item = createLandscapeItem();
    EXPECT_EQ(item->getHeightScale(), 0.3499999940395355);
    EXPECT_FALSE(item->isHollow());
    EXPECT_EQ(item->getSamplesPerTile(), 4);
    EXPECT_EQ(item->getRect(), BoardRect{});
    EXPECT_TRUE(item->heights().samples.empty());
    EXPECT_TRUE(item->getHeightMap().empty());
    EXPECT_EQ(item->heightAt(0, 0), 0.0);
}

TEST_F(LandscapeItemTest, GridSizeFollowsTheTilesTheRectangleSpans) {
    struct Case {
        BoardRect rect; // top, left, bottom, right
        int across;
        int down;
        LandscapeTileRange tiles;
    };
    const Case cases[] = {
        {{40, 80, 120, 200}, 13, 9, {2, 1, 4, 2}},  {{0, 0, 40, 40}, 5, 5, {0, 0, 0, 0}},
        {{0, 0, 41, 41}, 9, 9, {0, 0, 1, 1}},       {{0, 0, 200, 200}, 21, 21, {0, 0, 4, 4}},
        {{-40, -40, 0, 0}, 5, 5, {-1, -1, -1, -1}}, {{0, 0, 0, 0}, 0, 0, {0, 0, -1, -1}},
    };
    CLandscapeItem* item = createLandscapeItem();
    for (const Case& c : cases) {
        item->setRect(c.rect);
        int across = -1;
        int down = -1;
        item->gridSize(across, down);
        EXPECT_EQ(across, c.across) << c.rect.left << "," << c.rect.top;
        EXPECT_EQ(down, c.down) << c.rect.left << "," << c.rect.top;
        const LandscapeTileRange tiles = item->tileRange();
        EXPECT_EQ(tiles.firstColumn, c.tiles.firstColumn);
        EXPECT_EQ(tiles.firstRow, c.tiles.firstRow);
        EXPECT_EQ(tiles.lastColumn, c.tiles.lastColumn);
        EXPECT_EQ(tiles.lastRow, c.tiles.lastRow);
    }
}

TEST_F(LandscapeItemTest, RectangleIsOrderedAndKeptWithinTheCoordinateLimit) {
    CLandscapeItem* item = createLandscapeItem();
    item->setRect(BoardRect{120, 200, 40, 80});
    EXPECT_EQ(item->getRect(), (BoardRect{40, 80, 120, 200}));
    item->setRect(BoardRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    const int limit = CLandscapeItem::kCoordinateLimit;
    EXPECT_EQ(item->getRect(), (BoardRect{-limit, -limit, limit, limit}));
}

TEST_F(LandscapeItemTest, CoverFlagsFollowTheCornersOfTheGrownTileOutline) {
    // Tile outline 80 … 120 both ways; grown by 7 its corners lie at 73 and 127.
    const BoardRect tile{80, 80, 120, 120};
    using F = std::array<bool, 8>; // right, bottom, left, top, BR, BL, TL, TR
    struct Case {
        BoardRect item;
        F flags;
    };
    const Case cases[] = {
        {{73, 73, 127, 127}, {1, 1, 1, 1, 1, 1, 1, 1}},
        {{73, 73, 127, 126}, {0, 0, 1, 0, 0, 0, 0, 0}}, // short on the right: left side only
        {{73, 73, 126, 127}, {0, 0, 0, 1, 0, 0, 0, 0}},
        {{73, 74, 127, 127}, {1, 0, 0, 0, 0, 0, 0, 0}},
        {{74, 73, 127, 127}, {0, 1, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 73, 73}, {0, 0, 1, 1, 0, 0, 1, 0}},
        {{0, 127, 73, 200}, {1, 0, 0, 1, 0, 0, 0, 1}},
        {{127, 0, 200, 73}, {0, 1, 1, 0, 0, 1, 0, 0}},
        {{127, 127, 200, 200}, {1, 1, 0, 0, 1, 0, 0, 0}},
        {{0, 0, 72, 72}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {{90, 90, 110, 110}, {0, 0, 0, 0, 0, 0, 0, 0}}, // inside the tile, no corner reached
    };
    for (const Case& c : cases) {
        EXPECT_EQ(landscapeCoverFlags(c.item, tile), c.flags)
            << c.item.top << "," << c.item.left << "," << c.item.bottom << "," << c.item.right;
    }
    // The item's own flags use the tile's outline.
    CTrackItem* boardTile = createTile({2, 2}, 0);
    CLandscapeItem* item = createLandscapeItem();
    item->setRect(BoardRect{73, 73, 127, 127});
    EXPECT_EQ(item->coverFlags(*boardTile), (F{1, 1, 1, 1, 1, 1, 1, 1}));
}

TEST_F(LandscapeItemTest, SamplesAreChannelMeansWithZeroBorders) {
    image::Picture picture(100, 100, 24);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            picture.setColourAt(x, y, 0x5A3C1E); // bytes 30, 60, 90: mean 60
        }
    }
    CLandscapeItem* item = itemWith(std::move(picture), BoardRect{0, 0, 80, 80});
    const image::HeightGrid& grid = item->heights();
    ASSERT_EQ(grid.columns, 9);
    ASSERT_EQ(grid.rows, 9);
    for (int i = 0; i < 9; ++i) {
        for (int j = 0; j < 9; ++j) {
            const bool border = i == 0 || j == 0 || i == 8 || j == 8;
            EXPECT_DOUBLE_EQ(grid.at(j, i), border ? 0.0 : 60.0 / 255.0) << j << "," << i;
        }
    }
    EXPECT_EQ(mapByte(*item, 1, 1), 60);
    EXPECT_EQ(mapByte(*item, 0, 5), 0);
    EXPECT_EQ(mapByte(*item, 127, 5), 0);
    EXPECT_EQ(item->heightMapSampleSum(), 126u * 126u * 60u);
}

TEST_F(LandscapeItemTest, HeightMapIsTheWholePictureOn128By128Samples) {
    // A 64 × 64 picture fills the whole map, each pixel on two by two samples; a 256 × 256
    // picture gives every second pixel.
    auto pattern = [](int width) {
        image::Picture picture(width, width, 24);
        for (int y = 0; y < width; ++y) {
            for (int x = 0; x < width; ++x) {
                picture.setColourAt(x, y,
                                    static_cast<std::uint32_t>((x * 3 + y) % 256) * 0x010101u);
            }
        }
        return picture;
    };
    CLandscapeItem* small = itemWith(pattern(64), BoardRect{0, 0, 200, 200});
    CLandscapeItem* large = itemWith(pattern(256), BoardRect{0, 0, 200, 200});
    for (auto [x, y] : {std::pair{1, 1}, {2, 3}, {63, 10}, {126, 126}, {100, 7}}) {
        EXPECT_EQ(mapByte(*small, x, y), (x / 2 * 3 + y / 2) % 256) << x << "," << y;
        EXPECT_EQ(mapByte(*large, x, y), (x * 2 * 3 + y * 2) % 256) << x << "," << y;
    }
    for (const CLandscapeItem* item : {small, large}) {
        EXPECT_EQ(item->getHeightMap().size(), 16416u);
        for (int k = 0; k < 128; ++k) {
            EXPECT_EQ(mapByte(*item, k, 0), 0);
            EXPECT_EQ(mapByte(*item, k, 127), 0);
            EXPECT_EQ(mapByte(*item, 0, k), 0);
            EXPECT_EQ(mapByte(*item, 127, k), 0);
        }
    }
    std::uint64_t sum = 0;
    for (int y = 1; y < 127; ++y) {
        for (int x = 1; x < 127; ++x) {
            sum += (x / 2 * 3 + y / 2) % 256;
        }
    }
    EXPECT_EQ(small->heightMapSampleSum(), sum);
}

TEST_F(LandscapeItemTest, RecordIsWrittenWithItsFieldsAndReadBackByteForByte) {
    CLandscapeItem* item = itemWith(greyPicture(50, 30, 255), BoardRect{40, 80, 120, 200});
    item->setFlag(CLandscapeItem::kHollowFlag, true);
    const auto record = item->writeRecord();
    ASSERT_EQ(record.size(), 52u + 16416u);
    platform::ByteReader reader(record);
    EXPECT_TRUE(reader.tag("Lnd2"));
    EXPECT_EQ(reader.u32(), 16468u);
    EXPECT_EQ(reader.f64(), 0.3499999940395355);
    EXPECT_EQ(reader.i32(), 80);  // left
    EXPECT_EQ(reader.i32(), 40);  // top
    EXPECT_EQ(reader.i32(), 120); // width
    EXPECT_EQ(reader.i32(), 80);  // depth
    EXPECT_EQ(reader.i32(), 1);   // hollow
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(reader.u8(), 0);
    }
    EXPECT_TRUE(reader.tag("PImg"));
    EXPECT_EQ(reader.u32(), 16416u);
    EXPECT_EQ(reader.i32(), 128);
    EXPECT_EQ(reader.i32(), 128);
    EXPECT_EQ(reader.i32(), 1);

    CLandscapeItem* copy = createLandscapeItem();
    ASSERT_TRUE(copy->readRecord(record, false, 0, 0));
    EXPECT_EQ(copy->writeRecord(), record);
    EXPECT_TRUE(copy->isHollow());
    EXPECT_EQ(copy->getRect(), item->getRect());
    // The loaded item's picture is its height map; the grid comes from the map.
    EXPECT_EQ(copy->getPicture().width(), 128);
    EXPECT_EQ(copy->heights().columns, 13);
    EXPECT_EQ(copy->heights().rows, 9);
    EXPECT_EQ(copy->heights().at(6, 4), 1.0);
    EXPECT_EQ(copy->heights().at(0, 4), 0.0);
    // Rebuilding from that picture keeps the map.
    copy->rebuildHeights();
    EXPECT_EQ(copy->writeRecord(), record);

    CLandscapeItem* shifted = createLandscapeItem();
    ASSERT_TRUE(shifted->readRecord(record, false, 40, -40));
    EXPECT_EQ(shifted->getRect(), (BoardRect{0, 120, 80, 240}));
}

TEST_F(LandscapeItemTest, HeightMapOfWrongLengthOrTagLeavesTheGridEmpty) {
    CLandscapeItem* source = itemWith(greyPicture(8, 8, 200), BoardRect{0, 0, 80, 80});
    const auto good = source->writeRecord();
    struct Damage {
        std::size_t offset;
        std::uint8_t value;
    };
    const Damage damages[] = {
        {52 + 7, 0x21},  // stored map length 16417 ≠ data length
        {52 + 7, 0x1F},  // 16415
        {52, 'Q'},       // tag
        {52 + 11, 0x81}, // width 129: samples beyond the data
        {52 + 19, 0x00}, // no bytes per sample
    };
    for (const Damage& damage : damages) {
        auto record = good;
        record[damage.offset] = damage.value;
        CLandscapeItem* item = createLandscapeItem();
        ASSERT_TRUE(item->readRecord(record, false, 0, 0));
        EXPECT_TRUE(item->heights().samples.empty()) << damage.offset;
        EXPECT_TRUE(item->getHeightMap().empty());
        EXPECT_TRUE(item->getPicture().empty());
        EXPECT_EQ(item->heightMapSampleSum(), 0u);
        EXPECT_EQ(item->getRect(), source->getRect());
    }
    // Sizes whose product overflows 64 bits are refused too.
    auto record = good;
    for (std::size_t at : {52 + 9, 52 + 13, 52 + 16}) {
        record[at] = 0x40;
    }
    CLandscapeItem* item = createLandscapeItem();
    ASSERT_TRUE(item->readRecord(record, false, 0, 0));
    EXPECT_TRUE(item->heights().samples.empty());
    EXPECT_TRUE(item->getHeightMap().empty());
}

TEST_F(LandscapeItemTest, DamagedRecordsAreRefusedOrReadWithinTheirBytes) {
    CLandscapeItem* source = itemWith(greyPicture(8, 8, 200), BoardRect{0, 0, 80, 80});
    const auto good = source->writeRecord();
    CLandscapeItem* item = createLandscapeItem();
    // Records cut short of what their length field says, or of their header, are refused and
    // leave the item as it was.
    for (std::size_t size : {std::size_t{0}, std::size_t{4}, std::size_t{8}, std::size_t{51},
                             std::size_t{52}, good.size() - 1}) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_FALSE(item->readRecord(cut, false, 0, 0)) << size;
    }
    auto shortLength = good;
    platform::ByteWriter length;
    length.u32(51);
    std::memcpy(shortLength.data() + 4, length.data().data(), 4);
    EXPECT_FALSE(item->readRecord(shortLength, false, 0, 0));
    auto unknownTag = good;
    unknownTag[3] = 'X';
    EXPECT_FALSE(item->readRecord(unknownTag, false, 0, 0));
    EXPECT_EQ(item->getRect(), BoardRect{});

    // A record followed by other bytes is read only as far as its own length.
    auto longer = good;
    longer.resize(good.size() + 100, 0xEE);
    ASSERT_TRUE(item->readRecord(longer, false, 0, 0));
    EXPECT_EQ(item->writeRecord(), good);

    // Random damage never reads outside the bytes (checked under the sanitizers).
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        auto bytes = good;
        for (int k = 0; k < 6; ++k) {
            bytes[random() % 80] = static_cast<std::uint8_t>(random());
        }
        bytes.resize(random() % (bytes.size() + 1));
        CLandscapeItem* damaged = createLandscapeItem();
        damaged->readRecord(bytes, random() % 2 == 0, 0, 0);
        int across = 0;
        int down = 0;
        damaged->gridSize(across, down);
        EXPECT_LE(damaged->heights().columns, std::max(across, 0));
        deleteLandscapeItem(damaged);
    }
}

TEST_F(LandscapeItemTest, OldRecordsCarryAPictureFile) {
    const image::Picture picture = greyPicture(20, 10, 255);
    const auto png = image::encodePicture(picture, "png");
    ASSERT_FALSE(png.empty());
    auto oldRecord = [&png](std::uint32_t pictureOffset, std::uint32_t pictureLength) {
        platform::ByteWriter writer;
        writer.tag("LndI");
        writer.u32(static_cast<std::uint32_t>(312 + png.size()));
        writer.f64(0.5);
        writer.i16(40);  // top
        writer.i16(80);  // left
        writer.i16(120); // bottom
        writer.i16(200); // right
        writer.i32(1);   // hollow
        writer.padTo(152);
        writer.u32(pictureOffset);
        writer.u32(pictureLength);
        writer.padTo(312);
        writer.bytes(png);
        return writer.take();
    };
    CLandscapeItem* item = createLandscapeItem();
    ASSERT_TRUE(
        item->readRecord(oldRecord(312, static_cast<std::uint32_t>(png.size())), false, 0, 0));
    EXPECT_EQ(item->getHeightScale(), 0.5);
    EXPECT_TRUE(item->isHollow());
    EXPECT_EQ(item->getRect(), (BoardRect{40, 80, 120, 200}));
    EXPECT_EQ(item->getPicture(), picture);
    EXPECT_EQ(item->heights().columns, 13);
    EXPECT_EQ(item->heights().at(5, 5), 1.0);
    EXPECT_EQ(item->getHeightMap().size(), 16416u);
    // Old records are read, never written.
    EXPECT_EQ(item->writeRecord()[3], '2');

    // A picture reaching past the record is not read.
    CLandscapeItem* broken = createLandscapeItem();
    ASSERT_TRUE(broken->readRecord(oldRecord(312, static_cast<std::uint32_t>(png.size() + 1)),
                                   false, 0, 0));
    EXPECT_TRUE(broken->getPicture().empty());
    EXPECT_TRUE(broken->heights().samples.empty());
    EXPECT_TRUE(broken->getHeightMap().empty());
}

TEST_F(LandscapeItemTest, HeightsAreQueriedBetweenSamplesAndScaledBySignAndHeight) {
    CLandscapeItem* item = itemWith(greyPicture(100, 100, 255), BoardRect{0, 0, 80, 80});
    item->setHeightScale(0.5);
    // Samples every 10 units: 0 at the border, 1 inside.
    EXPECT_DOUBLE_EQ(item->heightAt(40, 40), 0.5);
    EXPECT_DOUBLE_EQ(item->heightAt(10, 40), 0.5);
    EXPECT_DOUBLE_EQ(item->heightAt(5, 40), 0.25);
    EXPECT_DOUBLE_EQ(item->heightAt(80, 40), 0.0);
    EXPECT_EQ(item->heightAt(80.5, 40), 0.0);
    EXPECT_EQ(item->heightAt(-1, 40), 0.0);
    EXPECT_DOUBLE_EQ(terrainHeightAt(5, 40), 0.25);
    item->setHeightScale(7.0);
    EXPECT_EQ(item->getHeightScale(), 1.0);
    item->setHeightScale(std::nan(""));
    EXPECT_EQ(item->getHeightScale(), 1.0);
    item->setHollow(true);
    EXPECT_DOUBLE_EQ(item->heightAt(40, 40), -1.0);
    EXPECT_DOUBLE_EQ(terrainHeightAt(40, 40), -1.0);

    const auto points = item->gridPoints(0.025, 2.0, 0.025);
    ASSERT_EQ(points.size(), 81u);
    EXPECT_EQ(points[0], (Vec3d{0, 0, 0}));
    EXPECT_DOUBLE_EQ(points[8].x, 2.0);
    EXPECT_DOUBLE_EQ(points[80].z, 2.0);
    EXPECT_DOUBLE_EQ(points[4 * 9 + 4].y, -2.0);
}

TEST_F(LandscapeItemTest, TileSamplesSpanTheTileAndItsEdges) {
    image::Picture picture(9, 9, 24);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            picture.setColourAt(x, y, static_cast<std::uint32_t>(x * 25) * 0x010101u);
        }
    }
    // 9 × 9 samples over 2 × 2 tiles; sample column j holds 25 j / 255 inside the border.
    CLandscapeItem* item = itemWith(std::move(picture), BoardRect{0, 0, 80, 80});
    TerrainRange range;
    ASSERT_TRUE(item->samplesUnderTile({0, 0}, range));
    EXPECT_DOUBLE_EQ(range.highest, 100.0 / 255.0);
    EXPECT_EQ(range.lowest, 0.0);
    ASSERT_TRUE(item->samplesUnderTile({1, 1}, range));
    EXPECT_DOUBLE_EQ(range.highest, 175.0 / 255.0);
    EXPECT_EQ(range.a, 4);
    EXPECT_EQ(range.b, 4);
    // A cell beyond the grid reads the border.
    ASSERT_TRUE(item->samplesUnderTile({5, 0}, range));
    EXPECT_EQ(range.highest, 0.0);

    CTrackItem* tile = createTile({1, 1}, 0);
    createTile({1, 1}, 2);
    EXPECT_EQ(item->tileUnderSample(5, 5, 0), tile);
    EXPECT_EQ(item->tileUnderSample(8, 8, 0), tile);
    EXPECT_EQ(item->tileUnderSample(1, 1, 0), nullptr); // no tile at (0, 0)
    EXPECT_EQ(item->tileUnderSample(9, 1, 0), nullptr);
    EXPECT_NE(item->tileUnderSample(5, 5, 2), nullptr);
}

TEST_F(LandscapeItemTest, ContainerListsItemsInCreationOrderNotByAddress) {
    CLandscapeItem* a = createLandscapeItem();
    CLandscapeItem* b = createLandscapeItem();
    CLandscapeItem* c = createLandscapeItem();
    ASSERT_TRUE(deleteLandscapeItem(a));
    // The allocator may hand the freed address to the next item; it still comes last.
    CLandscapeItem* d = createLandscapeItem();
    EXPECT_EQ(landscapeItems(), (std::vector<CLandscapeItem*>{b, c, d}));
    EXPECT_EQ(validLandscapeItem(d), d);
    EXPECT_EQ(landscapeItemCount(), 3u);
    EXPECT_FALSE(deleteLandscapeItem(a == d ? nullptr : a));
}
