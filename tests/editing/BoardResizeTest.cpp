#include <gtest/gtest.h>

#include <algorithm>

#include "EditingFixture.h"
#include "editing/BoardResize.h"
#include "model/CLandscapeItem.h"
#include "model/DocumentRecords.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

using namespace editing;
using namespace editingtest;

namespace {

class BoardResizeTest : public EditingTest {};

struct ShiftCase {
    int alignment;
    int x;
    int z;
};

} // namespace

TEST_F(BoardResizeTest, NineAlignmentsPlaceTheOldOrigin) {
    // 5 × 4 grown to 10 × 9: centre part is 10/2 − 5/2 = 3 and 9/2 − 4/2 = 2.
    const std::vector<ShiftCase> cases = {{0, 0, 0}, {1, 3, 0}, {2, 5, 0}, {3, 0, 2}, {4, 3, 2},
                                          {5, 5, 2}, {6, 0, 5}, {7, 3, 5}, {8, 5, 5}};
    for (const ShiftCase& c : cases) {
        const BoardShift shift = resizeShift(5, 4, 10, 9, c.alignment);
        EXPECT_EQ(shift.x, c.x) << c.alignment;
        EXPECT_EQ(shift.z, c.z) << c.alignment;
    }
    // Shrinking gives negative shifts.
    EXPECT_EQ(resizeShift(13, 13, 11, 11, 8).x, -2);
    EXPECT_EQ(resizeShift(13, 13, 11, 11, 4).z, -1);
}

// For each alignment, growing and shrinking move every tile by the shift, keep numbers and
// drop exactly the tiles that fall off the new board.
TEST_F(BoardResizeTest, EveryAlignmentKeepsTilesAtTheirShiftedCells) {
    const std::vector<std::pair<int, int>> sizes = {{8, 7}, {3, 2}};
    for (const auto& [newColumns, newRows] : sizes) {
        for (int alignment = 0; alignment < 9; ++alignment) {
            newBoard(5, 4);
            const std::vector<std::pair<int, int>> cells = {{0, 0}, {4, 0}, {2, 1}, {0, 3}, {4, 3}};
            for (const auto& [c, r] : cells) {
                straight(c, r, 0);
            }
            point(1, 2, 77, 2);
            const BoardShift shift = resizeShift(5, 4, newColumns, newRows, alignment);
            ASSERT_EQ(resizeBoard(newColumns, newRows, alignment), ResizeResult::Resized);
            EXPECT_EQ(document->getColumns(), newColumns);
            EXPECT_EQ(document->getRows(), newRows);

            std::vector<std::string> expected;
            std::vector<std::pair<int, int>> moved;
            for (const auto& [c, r] : cells) {
                const int nc = c + shift.x;
                const int nr = r + shift.z;
                if (nc >= 0 && nr >= 0 && nc < newColumns && nr < newRows) {
                    moved.emplace_back(nr, nc);
                }
            }
            std::sort(moved.begin(), moved.end());
            for (const auto& [r, c] : moved) {
                expected.push_back(std::to_string(c) + ":" + std::to_string(r));
            }
            EXPECT_EQ(occupiedCells(0), expected) << newColumns << " " << alignment;
            const int pc = 1 + shift.x;
            const int pr = 2 + shift.z;
            const bool pointKept = pc >= 0 && pr >= 0 && pc < newColumns && pr < newRows;
            EXPECT_EQ(occupiedCells(2).size(), pointKept ? 1u : 0u) << alignment;
            if (pointKept) {
                EXPECT_EQ(model::tileAt(2, cell(pc, pr))->getPointNumber(), 77) << alignment;
            }
        }
    }
}

TEST_F(BoardResizeTest, GrowingAroundTheCentreMovesEveryTileOneStep) {
    straight(0, 0);
    straight(10, 10);
    model::CLandscapeItem* item = model::createLandscapeItem();
    item->setRect({40, 80, 120, 160});
    document->setLightPosition({0.25f, 0.0f, -0.5f});
    document->setEnvironmentFlag(model::EnvShowTerrain, true);
    ASSERT_EQ(resizeBoard(13, 13, 4), ResizeResult::Resized);
    EXPECT_EQ(occupiedCells(0), (std::vector<std::string>{"1:1", "11:11"}));
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    EXPECT_EQ(model::landscapeItems().front()->getRect(), (model::BoardRect{80, 120, 160, 200}));
    EXPECT_EQ(document->getLightPosition(), (model::Vec3f{0, 0, 0}));
    EXPECT_TRUE(document->testEnvironmentFlag(model::EnvShowTerrain));
}

TEST_F(BoardResizeTest, ShrinkingOverTrackAsksFirst) {
    newBoard(13, 13);
    straight(12, 3);
    const auto before = fingerprint();
    int asked = 0;
    std::string question;
    auto decline = [&](std::string_view q) {
        ++asked;
        question = q;
        return false;
    };
    EXPECT_EQ(resizeBoard(11, 11, 0, decline), ResizeResult::Cancelled);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(question, std::string(kShrinkQuestion));
    EXPECT_NE(question.find('\n'), std::string::npos);
    EXPECT_EQ(document->getColumns(), 13);
    EXPECT_EQ(fingerprint(), before);

    // Right alignment keeps the tile (12 → 10) and asks nothing.
    EXPECT_EQ(resizeBoard(11, 11, 2, decline), ResizeResult::Resized);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(occupiedCells(0), (std::vector<std::string>{"10:3"}));

    EXPECT_EQ(resizeBoard(5, 5, 0, [](std::string_view) { return true; }), ResizeResult::Resized);
    EXPECT_TRUE(occupiedCells(0).empty());
    EXPECT_EQ(resizeBoard(0, 5, 0), ResizeResult::Refused);
    EXPECT_EQ(resizeBoard(5, 1000, 0), ResizeResult::Refused);
}

TEST_F(BoardResizeTest, VehiclesMoveWithTheirTracks) {
    trains::installTrainSeams();
    model::CTrackItem* tile = straight(2, 3);
    // The old steam type needs no item model to stay on the layout when read back.
    ASSERT_NE(trains::createVehicle(tile, trains::TypeOldSteam, ""), nullptr);
    ASSERT_EQ(resizeBoard(15, 15, 8), ResizeResult::Resized); // shift (4, 4)
    ASSERT_EQ(trains::registeredVehicleCount(), 1u);
    const trains::CTrainControler* controller = trains::trainController();
    ASSERT_NE(controller, nullptr);
    ASSERT_EQ(controller->vehicleCount(), 1u);
    const model::CTrackItem* under = controller->vehicles().front()->currentTile();
    ASSERT_NE(under, nullptr);
    EXPECT_EQ(under->getPosition(), cell(6, 7));
    trains::deleteAllVehicles();
}
