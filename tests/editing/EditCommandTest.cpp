#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "EditingFixture.h"
#include "editing/BoardResize.h"
#include "editing/Clipboard.h"
#include "editing/EditCommands.h"
#include "editing/TileBlock.h"
#include "editing/UndoStore.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackTypeItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

using namespace editing;
using namespace editingtest;

namespace {

class EditCommandTest : public EditingTest {
protected:
    // A mixed area on layer 1 from (2, 2) to (4, 3): straight track, a numbered point, a tile
    // with a structure and a station, an elevated tile.
    void buildArea() {
        straight(2, 2, 1);
        point(3, 2, 17, 1);
        model::CTrackItem* house = straight(4, 2, 1);
        auto structure = std::make_unique<model::CTrackStructureItem>(200, "House01.zn3");
        structure->setRect({2, 3, 30, 25});
        house->setStructure(std::move(structure));
        house->addControlItem(model::KindStation2);
        house->stationItem()->setValue(20);
        model::CTrackItem* high = straight(2, 3, 1);
        high->setElevationOffset(2);
        point(4, 3, 3, 1);
    }

    UndoStore undo;
    MemoryClipboard clipboard;
};

} // namespace

// Each sequence of single-tile commands turns the tile back to where it started; the first
// command alone changes it.
TEST_F(EditCommandTest, TurningAndMirroringASelectedTileComesBackToTheStart) {
    model::CTrackItem* tile = point(5, 5, 12);
    auto structure = std::make_unique<model::CTrackStructureItem>(200, "House01.zn3");
    structure->setRect({0, 0, 39, 28});
    tile->setStructure(std::move(structure));
    tile->addControlItem(model::KindReversing);
    const auto before = fingerprint();

    const std::vector<std::vector<int>> sequences = {
        {CmdRotate90, CmdRotate90, CmdRotate90, CmdRotate90},
        {CmdRotate180, CmdRotate180},
        {CmdRotate270, CmdRotate90},
        {CmdMirrorLeftRight, CmdMirrorLeftRight},
        {CmdMirrorTopBottom, CmdMirrorTopBottom},
    };
    for (const auto& sequence : sequences) {
        model::selectSingle(tile);
        for (std::size_t i = 0; i < sequence.size(); ++i) {
            EXPECT_TRUE(runEditCommand(sequence[i], undo, clipboard));
            if (i == 0) {
                EXPECT_NE(fingerprint(), before) << sequence[0];
            }
        }
        EXPECT_EQ(fingerprint(), before) << sequence[0];
        EXPECT_EQ(tile->getPointNumber(), 12);
    }
}

TEST_F(EditCommandTest, TurningWithTwoTilesSelectedDoesNothing) {
    straight(1, 1);
    straight(2, 1);
    model::setSelection(0, cell(1, 1), cell(2, 1));
    const auto before = fingerprint();
    for (int command :
         {CmdRotate90, CmdRotate180, CmdRotate270, CmdMirrorLeftRight, CmdMirrorTopBottom}) {
        EXPECT_FALSE(runEditCommand(command, undo, clipboard)) << command;
    }
    EXPECT_EQ(fingerprint(), before);
    EXPECT_TRUE(undo.empty());
}

TEST_F(EditCommandTest, TurningAnAreaFourTimesAndMirroringTwiceRestoresIt) {
    buildArea();
    const auto before = fingerprint();
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(rotateArea(1, cell(2, 2), i % 2 == 0 ? cell(4, 3) : cell(3, 4), 1));
        if (i < 3) {
            EXPECT_NE(fingerprint(), before) << i;
        }
    }
    EXPECT_EQ(fingerprint(), before);
    for (bool leftRight : {true, false}) {
        ASSERT_TRUE(mirrorArea(1, cell(2, 2), cell(4, 3), leftRight));
        EXPECT_NE(fingerprint(), before);
        ASSERT_TRUE(mirrorArea(1, cell(2, 2), cell(4, 3), leftRight));
        EXPECT_EQ(fingerprint(), before);
    }
    EXPECT_EQ(model::tileAt(1, cell(3, 2))->getPointNumber(), 17);
    EXPECT_EQ(model::tileAt(1, cell(4, 3))->getPointNumber(), 3);
}

TEST_F(EditCommandTest, AQuarterTurnMovesTilesToTheirTurnedCells) {
    buildArea();
    model::setSelection(1, cell(2, 2), cell(4, 3));
    ASSERT_TRUE(rotateArea(1, cell(2, 2), cell(4, 3), 1));
    // 3 × 2 becomes 2 × 3: (dc, dr) → (1 − dr, dc).
    // (1, 1) holds nothing, so (0, 1) stays empty.
    EXPECT_EQ(occupiedCells(1), (std::vector<std::string>{"2:2", "3:2", "3:3", "2:4", "3:4"}));
    EXPECT_EQ(model::tileAt(1, cell(3, 3))->getPointNumber(), 17);    // from (1, 0)
    EXPECT_NE(model::tileAt(1, cell(3, 4))->getStructure(), nullptr); // from (2, 0)
    EXPECT_EQ(model::tileAt(1, cell(2, 2))->getElevationOffset(), 2); // from (0, 1)
    EXPECT_EQ(model::tileAt(1, cell(2, 4))->getPointNumber(), 3);     // from (2, 1)
    const auto& s = model::selection();
    EXPECT_EQ(s.maxColumn, 3);
    EXPECT_EQ(s.maxRow, 4);
}

TEST_F(EditCommandTest, CutAndPasteMovesAStationRunIntact) {
    for (int column = 1; column <= 3; ++column) {
        model::CTrackItem* tile = straight(column, 2);
        tile->addControlItem(model::KindStation1);
        tile->stationItem()->setValue(20);
    }
    model::setSelection(0, cell(1, 2), cell(3, 2));
    ASSERT_TRUE(runEditCommand(CmdCut, undo, clipboard));
    EXPECT_TRUE(occupiedCells(0).empty());
    ASSERT_TRUE(clipboard.holds(kTrackItemFormat));

    model::setSelection(0, cell(5, 7), cell(7, 7));
    ASSERT_TRUE(runEditCommand(CmdPaste, undo, clipboard));
    model::purgeEmptiedTiles();
    EXPECT_EQ(occupiedCells(0), (std::vector<std::string>{"5:7", "6:7", "7:7"}));
    const auto run = model::tileAt(0, cell(6, 7))->stationRun();
    ASSERT_EQ(run.size(), 3u);
    for (const auto* station : run) {
        EXPECT_EQ(station->getValue(), 20);
    }
}

TEST_F(EditCommandTest, UndoAfterDeleteRestoresAndASecondUndoDeletesAgain) {
    point(2, 2, 31);
    straight(3, 2);
    const auto before = fingerprint();
    model::setSelection(0, cell(2, 2), cell(3, 2));
    ASSERT_TRUE(runEditCommand(CmdDelete, undo, clipboard));
    EXPECT_TRUE(occupiedCells(0).empty());
    EXPECT_EQ(model::pointWithNumber(31), nullptr);

    ASSERT_TRUE(runEditCommand(CmdUndo, undo, clipboard));
    EXPECT_EQ(fingerprint(), before);
    model::purgeEmptiedTiles(); // the view's timer must not take the restored tiles
    EXPECT_EQ(fingerprint(), before);
    EXPECT_EQ(model::tileAt(0, cell(2, 2))->getPointNumber(), 31);

    ASSERT_TRUE(runEditCommand(CmdUndo, undo, clipboard));
    EXPECT_TRUE(occupiedCells(0).empty());
    ASSERT_TRUE(runEditCommand(CmdUndo, undo, clipboard));
    EXPECT_EQ(fingerprint(), before);
}

TEST_F(EditCommandTest, CopyAndPasteKeepPointNumbersUnique) {
    point(1, 1, 4);
    model::setSelection(0, cell(1, 1), cell(1, 1));
    ASSERT_TRUE(runEditCommand(CmdCopy, undo, clipboard));
    model::setSelection(0, cell(6, 6), cell(8, 6));
    ASSERT_TRUE(runEditCommand(CmdPaste, undo, clipboard));
    std::set<int> numbers;
    for (const auto& [key, tile] : *model::layerMap(0)) {
        ASSERT_NE(tile->pointItem(), nullptr);
        EXPECT_GT(tile->getPointNumber(), 0);
        numbers.insert(tile->getPointNumber());
    }
    EXPECT_EQ(numbers.size(), 4u);
    EXPECT_EQ(model::tileAt(0, cell(1, 1))->getPointNumber(), 4);
}

TEST_F(EditCommandTest, ForeignClipboardPayloadPastesNothing) {
    straight(4, 4);
    model::setSelection(0, cell(4, 4), cell(5, 5));
    undo.snapshotTiles(0, cell(0, 0), cell(0, 0));
    const auto before = fingerprint();
    EXPECT_FALSE(runEditCommand(CmdPaste, undo, clipboard)); // nothing on the clipboard
    const std::vector<std::vector<std::uint8_t>> payloads = {
        {}, {'T', 'r', 'k', 'V'}, std::vector<std::uint8_t>(400, 0xff)};
    for (const auto& payload : payloads) {
        clipboard.put(kTrackItemFormat, payload);
        EXPECT_FALSE(runEditCommand(CmdPaste, undo, clipboard));
        EXPECT_EQ(fingerprint(), before);
    }
    EXPECT_FALSE(undo.empty()); // the previous snapshot survives a refused paste
}

TEST_F(EditCommandTest, PlacingAPieceCopiesOrMerges) {
    model::CTrackTypeItem curve(2);
    model::CTrackTypeItem station(model::KindStation1);
    model::CTrackItem* target = straight(3, 3);

    ASSERT_TRUE(placePiece(station, 0, cell(3, 3), true, undo));
    EXPECT_EQ(target->lineCount(), 1u);
    EXPECT_NE(target->stationItem(), nullptr);

    ASSERT_TRUE(placePiece(curve, 0, cell(3, 3), false, undo));
    EXPECT_EQ(target->lineCount(), 1u);
    EXPECT_EQ(target->stationItem(), nullptr);
    EXPECT_EQ(target->lines().front()->getShape(), 2);

    ASSERT_TRUE(placePiece(curve, 0, cell(3, 3), true, undo));
    EXPECT_EQ(target->lineCount(), 1u); // the same line is not added twice
    EXPECT_EQ(model::selection().minColumn, 3);

    EXPECT_FALSE(placePiece(curve, 0, cell(11, 3), false, undo));
    ASSERT_TRUE(undo.undo());
    EXPECT_EQ(target->lineCount(), 1u);
}

TEST_F(EditCommandTest, MergingACurvePieceOntoAStraightMakesANumberedPoint) {
    // Placing, pasting and dropping in merge mode all write through the tile merge.
    model::CTrackItem* target = straight(3, 3);
    ASSERT_TRUE(placePiece(model::CTrackTypeItem(3), 0, cell(3, 3), true, undo));
    ASSERT_EQ(target->lineCount(), 2u);
    ASSERT_NE(target->pointItem(), nullptr);
    EXPECT_GT(target->getPointNumber(), 0);

    // A crossing straight merged in paste mode gets the crossing item.
    model::CTrackItem* crossed = straight(6, 6);
    model::CTrackItem* upright = straight(8, 8);
    upright->rotate90();
    const auto block = saveBlock(0, cell(8, 8), cell(8, 8));
    ASSERT_TRUE(loadBlock(block, 0, cell(6, 6), cell(6, 6), false, true));
    EXPECT_EQ(crossed->lineCount(), 2u);
    EXPECT_NE(crossed->crossingItem(), nullptr);
}

TEST_F(EditCommandTest, TilesHoldingOnlyAStructureArePlacedCopiedAndPasted) {
    for (int category : {model::StructureTree, model::StructureWooden}) {
        model::CTrackTypeItem tree(category);
        ASSERT_EQ(tree.getPicture(), nullptr); // no picture library in these tests
        ASSERT_TRUE(placePiece(tree, 0, cell(2, 2), false, undo)) << category;
        model::CTrackItem* placed = model::tileAt(0, cell(2, 2));
        ASSERT_NE(placed, nullptr) << category;
        EXPECT_TRUE(placed->hasStructure()) << category;
        EXPECT_EQ(placed->getStructure()->getCategory(), category);
    }
    straight(3, 2);
    model::setSelection(0, cell(2, 2), cell(3, 2));
    ASSERT_TRUE(runEditCommand(CmdCopy, undo, clipboard));
    straight(6, 5);
    model::setSelection(0, cell(5, 5), cell(6, 5));
    ASSERT_TRUE(runEditCommand(CmdPaste, undo, clipboard));
    model::purgeEmptiedTiles();
    model::CTrackItem* pasted = model::tileAt(0, cell(5, 5));
    ASSERT_NE(pasted, nullptr);
    EXPECT_TRUE(pasted->hasStructure());
    EXPECT_EQ(occupiedCells(0), (std::vector<std::string>{"2:2", "3:2", "5:5", "6:5"}));
}

TEST_F(EditCommandTest, NewOpenAndResizeEmptyTheUndoStore) {
    // After each of these the board is a different layout: an old snapshot must not be
    // written back.
    const std::vector<std::pair<const char*, std::function<void()>>> resets = {
        {"new", [this] { document->newLayout(11, 11); }},
        {"clear (as opening does)", [this] { document->clear(true); }},
        {"resize", [] { ASSERT_EQ(resizeBoard(13, 13, 4), ResizeResult::Resized); }},
    };
    for (const auto& [name, reset] : resets) {
        newBoard(11, 11);
        point(2, 2, 5);
        model::setSelection(0, cell(2, 2), cell(2, 2));
        ASSERT_TRUE(runEditCommand(CmdDelete, undo, clipboard));
        ASSERT_FALSE(undo.empty());
        reset();
        straight(7, 7);
        const auto before = fingerprint();
        EXPECT_TRUE(undo.empty()) << name;
        EXPECT_FALSE(runEditCommand(CmdUndo, undo, clipboard)) << name;
        EXPECT_EQ(fingerprint(), before) << name;
        EXPECT_EQ(model::tileAt(0, cell(2, 2)), nullptr) << name;
        // A new snapshot works as before.
        model::setSelection(0, cell(7, 7), cell(7, 7));
        ASSERT_TRUE(runEditCommand(CmdDelete, undo, clipboard));
        EXPECT_TRUE(runEditCommand(CmdUndo, undo, clipboard)) << name;
        EXPECT_EQ(fingerprint(), before) << name;
    }
}

TEST_F(EditCommandTest, MovedTilesTakeTheSourcePointNumber) {
    model::CTrackItem* source = point(1, 1, 8);
    const auto block = saveBlock(0, cell(1, 1), cell(1, 1));
    ASSERT_TRUE(placeTiles(block, 0, cell(6, 6), source, undo));
    EXPECT_EQ(model::tileAt(0, cell(6, 6))->getPointNumber(), 8);
    EXPECT_NE(source->getPointNumber(), 8);
    EXPECT_FALSE(placeTiles(std::vector<std::uint8_t>{1, 2, 3}, 0, cell(2, 2), nullptr, undo));
}

TEST_F(EditCommandTest, TerrainClipboardCopiesCutsAndRefusesForeignRecords) {
    model::CLandscapeItem* item = model::createLandscapeItem();
    item->setRect({40, 40, 200, 160});
    ASSERT_TRUE(copyLandscapeItemToClipboard(item, clipboard));
    model::CLandscapeItem* pasted = pasteLandscapeItemFromClipboard(clipboard);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->getRect(), item->getRect());
    EXPECT_EQ(model::landscapeItemCount(), 2u);

    ASSERT_TRUE(cutLandscapeItemToClipboard(pasted, clipboard, undo));
    EXPECT_EQ(model::landscapeItemCount(), 1u);
    ASSERT_TRUE(undo.undo()); // the cut item comes back
    EXPECT_EQ(model::landscapeItemCount(), 2u);

    for (const auto& payload : std::vector<std::vector<std::uint8_t>>{
             {}, {'L', 'n', 'd', '2'}, {'T', 'r', 'k', 'V', 0, 0, 0, 8}}) {
        clipboard.put(kTerrainItemFormat, payload);
        EXPECT_EQ(pasteLandscapeItemFromClipboard(clipboard), nullptr);
        EXPECT_EQ(model::landscapeItemCount(), 2u);
    }
}

TEST_F(EditCommandTest, DeletingTilesDeletesTheVehiclesOnThem) {
    trains::installTrainSeams();
    model::CTrackItem* left = straight(2, 2);
    model::CTrackItem* right = straight(6, 2);
    ASSERT_NE(trains::createVehicle(left, trains::TypeElectric, "E1.zn3"), nullptr);
    trains::CTrainItem* kept = trains::createVehicle(right, trains::TypeElectric, "E1.zn3");
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(trains::registeredVehicleCount(), 2u);
    model::setSelection(0, cell(1, 1), cell(3, 3));
    ASSERT_TRUE(runEditCommand(CmdDelete, undo, clipboard));
    EXPECT_EQ(trains::registeredVehicleCount(), 1u);
    EXPECT_EQ(trains::findVehicle(kept->id()), kept);
    trains::deleteAllVehicles();
}
