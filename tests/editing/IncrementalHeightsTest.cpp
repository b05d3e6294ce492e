// afterEdit redoes only what an edit reaches; after every one of many random edits its result
// must be exactly what the recomputation over the whole board gives.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EditingFixture.h"
#include "editing/Clipboard.h"
#include "editing/EditCommands.h"
#include "editing/UndoStore.h"
#include "model/CTrackControlItem.h"
#include "model/RampSpline.h"
#include "model/TileCommands.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"

using namespace editingtest;

namespace {

constexpr int kEdge = 20;

int rampedLines() {
    int count = 0;
    for (int layer = 1; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            for (const auto& line : tile->lines()) {
                count += line->ramp() != nullptr ? 1 : 0;
            }
        }
    }
    return count;
}

class IncrementalHeightsTest : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        newBoard(kEdge, kEdge);
    }

    // Ground rows with viaducts on layers 1 and 2 over their middle, long diagonals and
    // points, so that edits meet ramps, diagonals and branches.
    void buildBoard() {
        for (int row = 0; row < kEdge; row += 2) {
            for (int column = 0; column < kEdge; ++column) {
                const bool viaduct = column >= 5 && column < 15;
                const int layer = viaduct ? (row % 4 == 0 ? 1 : 2) : 0;
                model::CTrackItem* tile = straight(column, row, layer);
                if (viaduct && column % 3 == 0) {
                    tile->setElevationOffset(column % 4);
                }
            }
        }
        for (int i = 0; i < 8; ++i) {
            model::createTile(cell(2 + i, 3 + i), 0)->addShape(6, model::LineKindTrack);
        }
        point(4, 6, 1);
        point(16, 8, 2, 1);
        model::recomputeAllHeights();
    }

    void randomEdit(std::mt19937& random) {
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const int layer = pick(3);
        const model::TilePos at = cell(pick(kEdge), pick(kEdge));
        model::CTrackItem* tile = model::tileAt(layer, at);
        switch (pick(9)) {
        case 0: // place a tile of a standard shape, maybe turned
            tile = model::getOrCreateTile(at, layer);
            tile->setShape(1 + pick(6));
            for (int turns = pick(4); turns > 0; --turns) {
                tile->rotate90();
            }
            break;
        case 1: // delete tiles through the edit menu
            model::setSelection(layer, at, cell(at.column + pick(3), at.row + pick(2)));
            editing::runEditCommand(editing::CmdDelete, undo, clipboard);
            model::purgeEmptiedTiles();
            break;
        case 2: // change a line in place
            if (tile != nullptr && tile->lineCount() > 0) {
                tile->getLine(0, 0)->setPoints(model::standardShapePoints(1 + pick(6)));
                tile->dropLinksOfTileAndNeighbours();
            }
            break;
        case 3: // raise or lower an elevated tile
            if (tile != nullptr) {
                model::setTileHeight(*tile, pick(4));
            }
            break;
        case 4: // add a branch (a point) or take it away again
            if (tile != nullptr && tile->lineCount() == 1) {
                tile->addShape(3 + pick(2), model::LineKindTrack);
            } else if (tile != nullptr) {
                tile->setShape(1);
            }
            break;
        case 5: // a structure
            if (tile != nullptr) {
                tile->setStructure(std::make_unique<model::CTrackStructureItem>(1, "hut"));
            }
            break;
        case 6: // turn or mirror an area
            if (pick(2) == 0) {
                editing::rotateArea(layer, at, cell(at.column + 2, at.row + 1), 1 + pick(3));
            } else {
                editing::mirrorArea(layer, at, cell(at.column + 3, at.row + 2), pick(2) == 0);
            }
            break;
        case 7: // copy an area and paste it elsewhere
            model::setSelection(layer, at, cell(at.column + 2, at.row + 2));
            editing::runEditCommand(editing::CmdCopy, undo, clipboard);
            model::setSelection(pick(3), cell(pick(kEdge), pick(kEdge)),
                                cell(pick(kEdge), pick(kEdge)));
            editing::runEditCommand(editing::CmdPaste, undo, clipboard);
            break;
        default: // undo the last snapshot
            editing::runEditCommand(editing::CmdUndo, undo, clipboard);
            break;
        }
        model::afterEdit();
    }

    editing::UndoStore undo;
    editing::MemoryClipboard clipboard;
};

TEST_F(IncrementalHeightsTest, EveryEditGivesWhatTheWholeBoardRecomputationGives) {
    for (const std::uint32_t seed : {1u, 7u, 2024u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        model::deleteAllTiles();
        buildBoard();
        ASSERT_GT(rampedLines(), 0);
        std::mt19937 random(seed);
        int ramped = 0;
        for (int edit = 0; edit < 150; ++edit) {
            randomEdit(random);
            const std::vector<double> incremental = lineValues();
            model::recomputeAllHeights();
            ASSERT_EQ(incremental, lineValues()) << "after edit " << edit;
            ramped += rampedLines() > 0 ? 1 : 0;
        }
        EXPECT_GT(ramped, 0);
    }
}

TEST_F(IncrementalHeightsTest, RaisingOneViaductTileReshapesItsWholeRampOnly) {
    buildBoard();
    const model::LineItem* farRow = model::tileAt(1, cell(10, 4))->getLine(0, 0);
    const model::RampSpline* farRamp = farRow->ramp();
    ASSERT_NE(farRamp, nullptr);
    model::CTrackItem* raised = model::tileAt(1, cell(7, 0));
    const model::LineItem* sameRow = model::tileAt(1, cell(13, 0))->getLine(0, 0);
    const double before = sameRow->heightAt(4);
    ASSERT_TRUE(model::setTileHeight(*raised, 3));
    // The raised tile's whole run got new heights; the viaduct four rows away kept its ramp.
    EXPECT_NE(sameRow->heightAt(4), before);
    EXPECT_EQ(farRow->ramp(), farRamp);
    const std::vector<double> incremental = lineValues();
    model::recomputeAllHeights();
    EXPECT_EQ(incremental, lineValues());
}

} // namespace
