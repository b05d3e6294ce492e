#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "image/PictureFiles.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TerrainCommands.h"
#include "model/TrackTiles.h"
#include "support/TempFolder.h"

using namespace model;

namespace {

class LandscapeCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        landscapeHooks().rebuildTerrain = [this]() { ++terrainRebuilds; };
        modelHooks().dropCellGeometry = [this](int layer, TilePos pos) {
            dropped.insert({layer, packTilePos(pos)});
        };
    }
    void TearDown() override {
        deleteAllLandscapeItems();
        deleteAllTiles();
        landscapeHooks() = LandscapeHooks{};
        modelHooks().dropCellGeometry = nullptr;
    }

    std::filesystem::path savedPicture(const image::Picture& picture, const std::string& name) {
        const auto path = folder / name;
        EXPECT_TRUE(image::savePicture(picture, path));
        return path;
    }

    testsupport::TempFolder folder;
    int terrainRebuilds = 0;
    std::set<std::pair<int, std::uint32_t>> dropped;
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

TilePos cell(int column, int row) {
    return TilePos{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
}

} // namespace

TEST_F(LandscapeCommandsTest, TrackInsideAHillRunsInATunnelWithMouthsAtBothEnds) {
    // Ground track along row 1, columns 0 … 6; the hill covers columns 2 … 4 fully.
    for (int column = 0; column <= 6; ++column) {
        createTile(cell(column, 1), 0)->setShape(1);
    }
    CLandscapeItem* hill = importGreyPicture(savedPicture(greyPicture(16, 16, 255), "w.png"), 0, 0);
    ASSERT_NE(hill, nullptr);
    ASSERT_TRUE(moveLandscapeItem(hill, BoardRect{33, 73, 87, 207}));
    auto covered = [](int column) { return tileAt(0, cell(column, 1))->isCovered(); };
    for (int column = 0; column <= 6; ++column) {
        EXPECT_EQ(covered(column), column >= 2 && column <= 4) << column;
    }
    const NeighbourFlags none{};
    EXPECT_TRUE(tileAt(0, cell(2, 1))->neighbourFlagsB()[0]); // leaves the hill to the left
    EXPECT_TRUE(tileAt(0, cell(4, 1))->neighbourFlagsB()[2]); // and to the right
    EXPECT_EQ(tileAt(0, cell(3, 1))->neighbourFlagsB(), none);
    EXPECT_TRUE(tileAt(0, cell(1, 1))->neighbourFlagsA()[2]);
    EXPECT_TRUE(tileAt(0, cell(5, 1))->neighbourFlagsA()[0]);

    // A hollow is no tunnel; turning it back into a hill restores the tunnel.
    ASSERT_TRUE(toggleLandscapeHollow(hill));
    for (int column = 0; column <= 6; ++column) {
        EXPECT_FALSE(covered(column)) << column;
    }
    ASSERT_TRUE(toggleLandscapeHollow(hill));
    EXPECT_TRUE(covered(3));

    // Moving the hill off the track opens it; deleting it leaves no tunnel.
    ASSERT_TRUE(moveLandscapeItem(hill, BoardRect{113, 73, 167, 207}));
    EXPECT_FALSE(covered(3));
    ASSERT_TRUE(moveLandscapeItem(hill, BoardRect{33, 73, 87, 207}));
    EXPECT_TRUE(covered(3));
    ASSERT_TRUE(removeLandscapeItem(hill));
    EXPECT_FALSE(covered(3));
    EXPECT_EQ(validLandscapeItem(hill), nullptr);
    EXPECT_FALSE(removeLandscapeItem(hill));
}

TEST_F(LandscapeCommandsTest, HillsRegisterTerrainRangesOnTheTilesTheyTouch) {
    CTrackItem* under = createTile(cell(0, 0), 0);
    CTrackItem* elevated = createTile(cell(1, 1), 3);
    CTrackItem* far = createTile(cell(3, 3), 0);
    CLandscapeItem* hill = importGreyPicture(savedPicture(greyPicture(30, 30, 255), "w.bmp"), 0, 0);
    ASSERT_TRUE(moveLandscapeItem(hill, BoardRect{0, 0, 80, 80}));
    ASSERT_EQ(under->terrainRanges().count(hill), 1u);
    EXPECT_EQ(under->terrainRanges().at(hill).highest, 1.0);
    EXPECT_EQ(under->terrainRanges().at(hill).lowest, 0.0);
    EXPECT_TRUE(elevated->hasTerrainRanges());
    EXPECT_FALSE(far->hasTerrainRanges());
    double highest = 0;
    double lowest = 0;
    ASSERT_TRUE(under->combinedTerrainRange(highest, lowest));
    EXPECT_DOUBLE_EQ(highest, CLandscapeItem::kDefaultHeightScale);

    // Switching to a hollow removes the ranges; switching back adds them again.
    ASSERT_TRUE(toggleLandscapeHollow(hill));
    EXPECT_FALSE(under->hasTerrainRanges());
    EXPECT_FALSE(elevated->hasTerrainRanges());
    ASSERT_TRUE(toggleLandscapeHollow(hill));
    EXPECT_TRUE(under->hasTerrainRanges());
    EXPECT_TRUE(elevated->hasTerrainRanges());

    // After a move only the tiles now under the hill keep a range.
    dropped.clear();
    ASSERT_TRUE(moveLandscapeItem(hill, BoardRect{120, 120, 200, 200}));
    EXPECT_FALSE(under->hasTerrainRanges());
    EXPECT_FALSE(elevated->hasTerrainRanges());
    EXPECT_TRUE(far->hasTerrainRanges());
    // The renderer dropped its geometry under the old and under the new place.
    EXPECT_TRUE(dropped.count({0, packTilePos(cell(0, 0))}));
    EXPECT_TRUE(dropped.count({3, packTilePos(cell(1, 1))}));
    EXPECT_TRUE(dropped.count({0, packTilePos(cell(3, 3))}));

    // Tiles made under an existing hill (as by a file reader) get their ranges on request.
    CTrackItem* later = createTile(cell(4, 4), 0);
    later->setShape(1);
    EXPECT_FALSE(later->hasTerrainRanges());
    refreshAllTerrainRanges();
    EXPECT_TRUE(later->hasTerrainRanges());

    // Deleting the item takes its ranges away, so no tile keeps a stale address.
    ASSERT_TRUE(removeLandscapeItem(hill));
    EXPECT_FALSE(far->hasTerrainRanges());
    EXPECT_FALSE(later->hasTerrainRanges());
}

TEST_F(LandscapeCommandsTest, MoveAndResizeRebuildTheGrid) {
    CLandscapeItem* item =
        importGreyPicture(savedPicture(greyPicture(40, 40, 128), "g.png"), 40, 80);
    EXPECT_EQ(item->getRect(), (BoardRect{80, 40, 280, 240}));
    EXPECT_EQ(item->heights().columns, 21);
    struct Case {
        BoardRect rect;
        BoardRect expected;
        int columns;
        int rows;
    };
    const Case cases[] = {
        {{0, 0, 40, 200}, {0, 0, 40, 200}, 21, 5},
        {{40, 200, 0, 0}, {0, 0, 40, 200}, 21, 5},    // corners given the other way round
        {{0, 0, 10, 10}, {0, 0, 40, 40}, 5, 5},       // at least one tile each way
        {{0, 0, 400, 400}, {0, 0, 400, 400}, 40, 40}, // grid clamped to the 40 × 40 picture
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(moveLandscapeItem(item, c.rect));
        EXPECT_EQ(item->getRect(), c.expected);
        EXPECT_EQ(item->heights().columns, c.columns);
        EXPECT_EQ(item->heights().rows, c.rows);
        EXPECT_EQ(item->heights().at(0, 0), 0.0);
        EXPECT_DOUBLE_EQ(item->heights().at(2, 2), 128.0 / 255.0);
    }
    EXPECT_GT(terrainRebuilds, 0);
    EXPECT_FALSE(moveLandscapeItem(nullptr, BoardRect{0, 0, 40, 40}));
}

TEST_F(LandscapeCommandsTest, RotateTurnsThePictureAndSwapsTheSidesAboutTheCentre) {
    image::Picture picture = greyPicture(3, 2, 0);
    picture.setColourAt(0, 0, 0x101010); // top-left pixel goes to the top-right
    CLandscapeItem* item = importGreyPicture(savedPicture(picture, "p.bmp"), 0, 0);
    ASSERT_TRUE(moveLandscapeItem(item, BoardRect{0, 0, 40, 120}));
    ASSERT_TRUE(rotateLandscapeItem(item));
    EXPECT_EQ(item->getRect(), (BoardRect{-40, 40, 80, 80}));
    ASSERT_EQ(item->getPicture().width(), 2);
    ASSERT_EQ(item->getPicture().height(), 3);
    EXPECT_EQ(item->getPicture().colourAt(1, 0), 0x101010u);

    ASSERT_TRUE(mirrorLandscapeItem(item));
    EXPECT_EQ(item->getRect(), (BoardRect{-40, 40, 80, 80}));
    EXPECT_EQ(item->getPicture().colourAt(0, 0), 0x101010u);
    EXPECT_FALSE(rotateLandscapeItem(nullptr));
}

TEST_F(LandscapeCommandsTest, ImportTakesPicturesOfAnySize) {
    // One pixel: the grid shrinks to the picture and is all border; the map is the pixel.
    CLandscapeItem* tiny = importGreyPicture(savedPicture(greyPicture(1, 1, 255), "1.png"), 0, 0);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(tiny->getPicture().width(), 1);
    EXPECT_EQ(tiny->heights().columns, 1);
    EXPECT_EQ(tiny->heights().rows, 1);
    EXPECT_EQ(tiny->heights().at(0, 0), 0.0);
    EXPECT_EQ(tiny->heightMapSampleSum(), 126u * 126u * 255u);

    // A large picture, black on its left half and white on its right.
    image::Picture large(4096, 2048, 24);
    for (int y = 0; y < 2048; ++y) {
        std::fill_n(large.pixel(2048, y), 2048 * 3, std::uint8_t{255});
    }
    CLandscapeItem* big = importGreyPicture(savedPicture(large, "large.bmp"), 0, 0);
    ASSERT_EQ(big->heights().columns, 21);
    ASSERT_EQ(big->heights().rows, 21);
    EXPECT_EQ(big->heights().at(10, 10), 0.0); // pixel column 1950
    EXPECT_EQ(big->heights().at(11, 10), 1.0); // pixel column 2145
    EXPECT_EQ(big->heights().at(20, 10), 0.0);
    EXPECT_EQ(big->heightMapSampleSum(), 126u * 63u * 255u);

    // A file that is no picture gives an item without a picture.
    const auto junk = folder / "junk.png";
    std::ofstream(junk) << "not a picture";
    CLandscapeItem* blank = importGreyPicture(junk, 0, 0);
    ASSERT_NE(blank, nullptr);
    EXPECT_TRUE(blank->getPicture().empty());
    EXPECT_TRUE(blank->heights().samples.empty());
    EXPECT_FALSE(exportGreyPicture(blank, folder / "blank.png"));
    EXPECT_EQ(landscapeItemCount(), 3u);
}

TEST_F(LandscapeCommandsTest, ExportWritesThePictureInTheFormatOfTheName) {
    image::Picture picture = greyPicture(5, 7, 90);
    picture.setColourAt(4, 6, 0xFFFFFF);
    CLandscapeItem* item = importGreyPicture(savedPicture(picture, "in.png"), 0, 0);
    for (const char* name : {"terrain_image.png", "out.bmp"}) {
        ASSERT_TRUE(exportGreyPicture(item, folder / name)) << name;
        EXPECT_EQ(image::loadPicture(folder / name), picture) << name;
    }
    EXPECT_FALSE(exportGreyPicture(item, folder / "out.xyz"));
    EXPECT_FALSE(exportGreyPicture(nullptr, folder / "none.png"));
}

TEST_F(LandscapeCommandsTest, GeneratedTerrainIsPlacedAndRepeatableBySeed) {
    const int before = terrainRebuilds;
    CLandscapeItem* first = generateTerrain(1234, 40, 80);
    CLandscapeItem* again = generateTerrain(1234, 0, 0);
    CLandscapeItem* other = generateTerrain(99, 0, 0);
    EXPECT_GT(terrainRebuilds, before);
    EXPECT_EQ(first->getRect(), (BoardRect{80, 40, 280, 240}));
    ASSERT_EQ(first->getPicture().width(), 64);
    EXPECT_EQ(first->getPicture(), again->getPicture());
    EXPECT_NE(first->getPicture(), other->getPicture());
    EXPECT_EQ(first->heightMapSampleSum(), again->heightMapSampleSum());
    // The picture spans the whole grey range and the grid is built at once.
    std::uint32_t lowest = 255;
    std::uint32_t highest = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            lowest = std::min(lowest, first->getPicture().colourAt(x, y) & 0xFF);
            highest = std::max(highest, first->getPicture().colourAt(x, y) & 0xFF);
        }
    }
    EXPECT_EQ(lowest, 0u);
    EXPECT_EQ(highest, 255u);
    EXPECT_EQ(first->heights().columns, 21);
    EXPECT_EQ(first->getHeightMap().size(), 16416u);
}

TEST_F(LandscapeCommandsTest, CopyCutAndPasteCarryTheRecord) {
    createTile(cell(1, 1), 0)->setShape(1);
    CLandscapeItem* item = generateTerrain(5, 0, 0);
    ASSERT_TRUE(setLandscapeHeight(item, 0.8));
    ASSERT_TRUE(toggleLandscapeHollow(item));
    const auto record = copyLandscapeItem(item);
    ASSERT_FALSE(record.empty());

    CLandscapeItem* pasted = pasteLandscapeItem(record);
    ASSERT_NE(pasted, nullptr);
    EXPECT_NE(pasted, item);
    EXPECT_EQ(pasted->writeRecord(), record);
    EXPECT_EQ(pasted->getHeightScale(), 0.8);
    EXPECT_TRUE(pasted->isHollow());

    const auto cut = cutLandscapeItem(item);
    EXPECT_EQ(cut, record);
    EXPECT_EQ(validLandscapeItem(item), nullptr);
    EXPECT_TRUE(cutLandscapeItem(item).empty());
    EXPECT_EQ(landscapeItemCount(), 1u);

    const std::vector<std::uint8_t> junk{'L', 'n', 'd', '2', 0, 0, 0, 9, 1};
    EXPECT_EQ(pasteLandscapeItem(junk), nullptr);
    EXPECT_EQ(landscapeItemCount(), 1u);
}

TEST_F(LandscapeCommandsTest, TilesSeeTheItemsThroughTheModelHook) {
    CTrackItem* tile = createTile(cell(1, 1), 0);
    tile->setShape(1);
    CLandscapeItem* item = generateTerrain(3, 0, 0);
    std::vector<const LandscapeCover*> over;
    ASSERT_TRUE(tile->landscapeItemsOver(over, true, 0));
    EXPECT_EQ(over, (std::vector<const LandscapeCover*>{item}));
    EXPECT_FALSE(tile->landscapeItemsOver(over, true, 2));
    EXPECT_TRUE(tile->isCovered());
}

TEST_F(LandscapeCommandsTest, DocumentClearDeletesTheItemsAfterTheTiles) {
    installLandscapeSeams();
    auto& steps = documentServices().clearSteps;
    const auto saved = steps;
    std::vector<std::pair<int, std::size_t>> seen;
    for (ClearStage stage : {ClearStage::DeleteTiles, ClearStage::EmptyItemModelCache}) {
        steps[static_cast<int>(stage)] = [&seen, stage](CZarnoltDocument&) {
            seen.emplace_back(static_cast<int>(stage), landscapeItemCount());
        };
    }
    CZarnoltDocument doc(5, 5);
    seen.clear();
    CTrackItem* tile = createTile(cell(0, 0), 0);
    tile->setShape(1);
    CLandscapeItem* item = generateTerrain(8, 0, 0);
    EXPECT_TRUE(tile->hasTerrainRanges());
    doc.clear(false);
    const std::vector<std::pair<int, std::size_t>> expected{
        {static_cast<int>(ClearStage::DeleteTiles), 1},
        {static_cast<int>(ClearStage::EmptyItemModelCache), 0}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(tileAt(0, cell(0, 0)), nullptr);
    EXPECT_EQ(validLandscapeItem(item), nullptr);
    EXPECT_TRUE(landscapeItems().empty());
    steps = saved;
}

namespace {

// Everything a landscape change sets on the tiles: cover, both neighbour-flag sets and the
// terrain ranges, tile by tile over every layer.
std::vector<std::string> coverState() {
    std::vector<std::string> state;
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *layerMap(layer)) {
            bool anyA = false;
            bool anyB = false;
            std::string s = std::to_string(layer) + ":" + std::to_string(key) + " c" +
                            std::to_string(tile->isCovered()) + " A";
            for (bool f : tile->neighbourFlagsA(&anyA)) {
                s += f ? '1' : '0';
            }
            s += " B";
            for (bool f : tile->neighbourFlagsB(&anyB)) {
                s += f ? '1' : '0';
            }
            s += " a" + std::to_string(anyA) + " b" + std::to_string(anyB);
            for (const auto& [item, range] : tile->terrainRanges()) {
                s += " r" + std::to_string(range.highest) + "," + std::to_string(range.lowest) +
                     "," + std::to_string(range.a) + "," + std::to_string(range.b);
            }
            state.push_back(std::move(s));
        }
    }
    return state;
}

} // namespace

// Moving, mirroring and rescaling a hill refresh the tiles only around its old and new place;
// after each random change the result must equal a refresh of every item over every tile.
TEST_F(LandscapeCommandsTest, LocalTerrainRefreshMatchesAFullRecompute) {
    constexpr int kEdge = 24;
    for (int row = 0; row < kEdge; ++row) {
        for (int column = 0; column < kEdge; ++column) {
            CTrackItem* tile = createTile(cell(column, row), 0);
            if ((row * kEdge + column) % 7 != 3) {
                tile->setShape((row + column) % 5 == 0 ? 3 : 1);
            }
            if (row % 6 == 2 && column % 4 != 0) {
                createTile(cell(column, row), 1)->setShape(1);
            }
        }
    }
    CLandscapeItem* still = generateTerrain(7, 200, 200);
    CLandscapeItem* hollow = generateTerrain(8, 600, 80);
    ASSERT_TRUE(toggleLandscapeHollow(hollow));
    CLandscapeItem* hill = generateTerrain(9, 0, 0);
    ASSERT_NE(still, nullptr);
    refreshAllTerrainRanges();

    std::mt19937 random(28);
    int coveredSeen = 0;
    int mouthsA = 0;
    int mouthsB = 0;
    const int board = kEdge * kTileEdge;
    for (int step = 0; step < 60; ++step) {
        CLandscapeItem* moved = step % 5 == 4 ? hollow : hill;
        switch (random() % 4) {
        case 0:
            ASSERT_TRUE(mirrorLandscapeItem(moved));
            break;
        case 1:
            ASSERT_TRUE(setLandscapeHeight(moved, static_cast<double>(random() % 11) / 10.0));
            break;
        default: {
            const int width = 20 + static_cast<int>(random() % 300);
            const int depth = 20 + static_cast<int>(random() % 300);
            const int left = static_cast<int>(random() % board) - 100;
            const int top = static_cast<int>(random() % board) - 100;
            ASSERT_TRUE(moveLandscapeItem(moved, BoardRect{top, left, top + depth, left + width}));
        }
        }
        const auto local = coverState();
        refreshAllTerrainRanges();
        ASSERT_EQ(local, coverState()) << "step " << step;
        for (const std::string& tile : local) {
            coveredSeen += tile.find(" c1") != std::string::npos ? 1 : 0;
            mouthsA += tile.find(" a1") != std::string::npos ? 1 : 0;
            mouthsB += tile.find(" b1") != std::string::npos ? 1 : 0;
        }
    }
    // The walk above does cover track and open tunnel mouths (neighbour flags on both sides).
    EXPECT_GT(coveredSeen, 0);
    EXPECT_GT(mouthsA, 0);
    EXPECT_GT(mouthsB, 0);
}
