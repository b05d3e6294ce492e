#include <gtest/gtest.h>

#include <algorithm>

#include "model/CTrackItem.h"
#include "model/PieceSeams.h"
#include "model/TileCommands.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"

using namespace model;

namespace {

class TileCommandTest : public ::testing::Test {
protected:
    void TearDown() override {
        deleteAllTiles();
        modelHooks() = ModelHooks{};
        pieceHooks() = PieceHooks{};
    }

    static CTrackItem* straightTile(int column, int row, int layer = 0) {
        CTrackItem* tile =
            createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, layer);
        tile->addShape(1, LineKindTrack);
        return tile;
    }
};

} // namespace

TEST_F(TileCommandTest, StationStopReachesTheWholeRunOfThreeTiles) {
    // Stations on (0,0) … (2,0), a plain tile at (3,0), another station beyond it.
    std::vector<CTrackItem*> tiles;
    for (int column = 0; column < 5; ++column) {
        tiles.push_back(straightTile(column, 0));
    }
    for (int column : {0, 1, 2, 4}) {
        tiles[column]->addControlItem(column == 1 ? KindStation2 : KindStation1);
        tiles[column]->stationItem()->setOccupant(0x1234);
        tiles[column]->stationItem()->setValue(10);
    }
    const auto run = tiles[1]->stationRun();
    ASSERT_EQ(run.size(), 3u);
    EXPECT_EQ(run.front(), tiles[1]->stationItem());

    EXPECT_TRUE(runTileCommand(*tiles[1], CmdStationStopFirst + 6));
    for (int column : {0, 1, 2}) {
        EXPECT_EQ(tiles[column]->stationItem()->getValue(), -2) << column;
        EXPECT_EQ(tiles[column]->stationItem()->getOccupant(), 0u) << column;
    }
    EXPECT_EQ(tiles[4]->stationItem()->getValue(), 10);
    EXPECT_EQ(tiles[4]->stationItem()->getOccupant(), 0x1234u);

    // From the end of the run the same three tiles are reached.
    EXPECT_TRUE(runTileCommand(*tiles[0], CmdStationStopFirst));
    for (int column : {0, 1, 2}) {
        EXPECT_EQ(tiles[column]->stationItem()->getValue(), -1) << column;
    }
    // A tile without a station has no run.
    EXPECT_FALSE(runTileCommand(*tiles[3], CmdStationStopFirst + 1));
}

TEST_F(TileCommandTest, StationRunRoundALoopEndsAtTheStartTile) {
    // A 2 × 2 ring of quarter curves, every tile a station.
    const int ends[4][4] = {{40, 20, 20, 40}, {0, 20, 20, 40}, {20, 0, 40, 20}, {20, 0, 0, 20}};
    const TilePos cells[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    std::vector<CTrackItem*> tiles;
    for (int i = 0; i < 4; ++i) {
        CTrackItem* tile = createTile(cells[i], 0);
        tile->getTrack().addLine({Pt(ends[i][0], ends[i][1]), Pt(ends[i][2], ends[i][3])},
                                 LineKindTrack);
        tile->addControlItem(KindStation3);
        tiles.push_back(tile);
    }
    const auto run = tiles[0]->stationRun();
    EXPECT_EQ(run.size(), 4u);
    for (CTrackItem* tile : tiles) {
        EXPECT_EQ(std::count(run.begin(), run.end(), tile->stationItem()), 1);
    }
}

TEST_F(TileCommandTest, ReversingWaitCodes) {
    CTrackItem* tile = straightTile(0, 0);
    EXPECT_FALSE(runTileCommand(*tile, CmdReversingWaitFirst));
    tile->addControlItem(KindReversing);
    EXPECT_EQ(effectiveWaitCode(tile->reversingItem()->getValue()), 2);
    EXPECT_TRUE(runTileCommand(*tile, CmdReversingWaitFirst));
    EXPECT_EQ(tile->reversingItem()->getValue(), -1);
    EXPECT_TRUE(runTileCommand(*tile, CmdReversingWaitLast));
    EXPECT_EQ(tile->reversingItem()->getValue(), 60);
}

TEST_F(TileCommandTest, MenuPositionsOfCodes) {
    const std::pair<int, int> stops[] = {{-1, 0}, {0, 1}, {2, 1}, {5, 2}, {60, 5}, {-2, 6}, {7, 1}};
    for (auto [code, index] : stops) {
        EXPECT_EQ(stationStopIndex(code), index) << code;
    }
    const std::pair<int, int> waits[] = {{0, 0}, {-1, 0}, {2, 1}, {20, 4}, {60, 5}, {33, 0}};
    for (auto [code, index] : waits) {
        EXPECT_EQ(reversingWaitIndex(code), index) << code;
    }
    EXPECT_STREQ(tileCommandName(1352), "エンジンを停止する");
    EXPECT_STREQ(tileCommandName(1355), "逆行運転しない");
    EXPECT_STREQ(tileCommandName(1366), "2m");
    EXPECT_STREQ(tileCommandName(1378), "コンクリート２");
    EXPECT_EQ(tileCommandName(1353), nullptr);
}

TEST_F(TileCommandTest, HeightCommandsActOnlyOnElevatedTilesWithLines) {
    std::vector<std::pair<int, TilePos>> dropped;
    modelHooks().dropCellGeometry = [&dropped](int layer, TilePos pos) {
        dropped.emplace_back(layer, pos);
    };
    CTrackItem* ground = straightTile(0, 0);
    EXPECT_FALSE(runTileCommand(*ground, 1366));
    EXPECT_EQ(ground->getElevationOffset(), 0);
    EXPECT_TRUE(dropped.empty());

    CTrackItem* bare = createTile({2, 0}, 1);
    bare->addControlItem(KindItemPiece);
    EXPECT_FALSE(runTileCommand(*bare, 1366));
    EXPECT_EQ(bare->getElevationOffset(), 0);

    CTrackItem* elevated = straightTile(5, 5, 1);
    EXPECT_TRUE(runTileCommand(*elevated, 1366));
    EXPECT_EQ(elevated->getElevationOffset(), 1);
    EXPECT_EQ(elevated->heightText(), "2m");
    // The 3 × 3 cells around the tile on all five layers lose their cached geometry.
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (std::int16_t row = 4; row <= 6; ++row) {
            for (std::int16_t column = 4; column <= 6; ++column) {
                const std::pair<int, TilePos> cell{layer, TilePos{column, row}};
                EXPECT_NE(std::find(dropped.begin(), dropped.end(), cell), dropped.end());
            }
        }
    }
    // The line now lies at the new level.
    double a = 0;
    double b = 0;
    junctionHeights(*elevated->lines().front(), a, b);
    EXPECT_NEAR(a, 1.0 - 1.0 / 3.0, 1e-6);
    EXPECT_NEAR(b, 1.0 - 1.0 / 3.0, 1e-6);
}

TEST_F(TileCommandTest, PierCommandsReplaceAndRemovePiers) {
    CTrackItem* tile = straightTile(0, 0, 1);
    tile->setPierType(310);
    tile->addControlItem(KindReversing);
    EXPECT_TRUE(runTileCommand(*tile, 1378));
    EXPECT_EQ(tile->pierType(), 3);
    EXPECT_NE(tile->findControlItem(312), nullptr);
    EXPECT_EQ(tile->findControlItem(310), nullptr);
    EXPECT_NE(tile->reversingItem(), nullptr);

    tile->addControlItem(KindPierPlain);
    EXPECT_TRUE(runTileCommand(*tile, CmdPierNone));
    EXPECT_EQ(tile->pierItem(), nullptr);
    EXPECT_NE(tile->reversingItem(), nullptr);

    EXPECT_TRUE(runTileCommand(*tile, CmdPierLast));
    EXPECT_EQ(tile->pierType(), 6);

    CTrackItem* bare = createTile({3, 0}, 1);
    bare->addControlItem(KindItemPiece);
    EXPECT_FALSE(runTileCommand(*bare, 1376));
    EXPECT_EQ(bare->pierItem(), nullptr);
}

TEST_F(TileCommandTest, SelectedTileCommandsNeedExactlyOneTileAndRenumberGoesToTheEditor) {
    CTrackItem* point = straightTile(0, 0);
    point->addShape(2, LineKindTrack);
    straightTile(1, 0);
    CTrackItem* asked = nullptr;
    pieceHooks().openRenumberDialog = [&asked](CTrackItem& tile) { asked = &tile; };

    setSelection(0, {0, 0}, {1, 0});
    EXPECT_FALSE(runSelectedTileCommand(CmdPointNumber));
    EXPECT_EQ(asked, nullptr);
    setSelection(0, {1, 0}, {1, 0});
    EXPECT_FALSE(runSelectedTileCommand(CmdPointNumber)); // no point there
    setSelection(0, {0, 0}, {0, 0});
    EXPECT_TRUE(runSelectedTileCommand(CmdPointNumber));
    EXPECT_EQ(asked, point);
    setSelection(0, {7, 7}, {7, 7});
    EXPECT_FALSE(runSelectedTileCommand(CmdPierNone));
    clearSelection();
}

TEST_F(TileCommandTest, HoldingItemsReachTheControllerThroughTheirHooks) {
    CTrackItem* tile = straightTile(0, 0);
    tile->addControlItem(KindStation1);
    tile->addControlItem(KindItemPiece);
    tile->addControlItem(KindReversing);
    std::vector<int> noticed;
    pieceHooks().vehicleNotice = [&noticed](CTrackControlItem& item, std::uintptr_t vehicle,
                                            bool arrives) {
        EXPECT_EQ(vehicle, 77u);
        EXPECT_TRUE(arrives);
        noticed.push_back(item.getKind());
    };
    tile->notifyVehicle(77, true);
    EXPECT_EQ(noticed, (std::vector<int>{KindReversing, KindStation1}));

    int activated = 0;
    pieceHooks().activate = [&activated](CTrackControlItem&) { ++activated; };
    CTrackControlItem* station = tile->stationItem();
    station->setTimerStart(12.5);
    station->handToController();
    EXPECT_EQ(station->getTimerStart(), 0.0);
    EXPECT_EQ(activated, 1);
}
