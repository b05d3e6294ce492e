#include <gtest/gtest.h>

#include "EditingFixture.h"
#include "editing/TileBlock.h"
#include "model/TrackTiles.h"
#include "platform/ByteReader.h"

using namespace editing;
using namespace editingtest;

namespace {

class TileBlockTest : public EditingTest {};

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    platform::ByteReader in(bytes);
    in.seek(offset);
    return in.u32();
}

} // namespace

TEST_F(TileBlockTest, BlockHeadNamesTheRectangleAndCountsNonEmptyTiles) {
    straight(3, 2);
    straight(5, 4);
    straight(9, 9);                   // outside the rectangle
    model::createTile(cell(4, 3), 0); // empty: not stored
    const auto block = saveBlock(0, cell(6, 4), cell(2, 1));
    ASSERT_GE(block.size(), kBlockHeadLength);
    EXPECT_EQ(std::string(block.begin(), block.begin() + 4), "TrkV");
    EXPECT_EQ(u32At(block, 4), block.size());
    EXPECT_EQ(u32At(block, 8), 2u);
    // Corners stored ordered: (2, 1) and (6, 4); first record at 152.
    EXPECT_EQ(u32At(block, 12), (2u << 16) | 1u);
    EXPECT_EQ(u32At(block, 16), (6u << 16) | 4u);
    EXPECT_EQ(u32At(block, 20), kBlockHeadLength);
    EXPECT_EQ(std::string(block.begin() + 152, block.begin() + 156), "TrkP");
    EXPECT_TRUE(isTileBlock(block));
}

TEST_F(TileBlockTest, SmallPatternRepeatsOverTheTarget) {
    straight(0, 0);
    point(1, 0, 7);
    const auto block = saveBlock(0, cell(0, 0), cell(1, 0));
    ASSERT_TRUE(loadBlock(block, 0, cell(2, 5), cell(6, 5), false, false));
    for (int column = 2; column <= 6; ++column) {
        const model::CTrackItem* tile = model::tileAt(0, cell(column, 5));
        ASSERT_NE(tile, nullptr) << column;
        const bool isPoint = (column - 2) % 2 == 1;
        EXPECT_EQ(tile->pointItem() != nullptr, isPoint) << column;
        EXPECT_EQ(tile->lineCount(), isPoint ? 2u : 1u) << column;
    }
    // Every point has its own number; the original keeps 7.
    EXPECT_EQ(model::tileAt(0, cell(1, 0))->getPointNumber(), 7);
    const int a = model::tileAt(0, cell(3, 5))->getPointNumber();
    const int b = model::tileAt(0, cell(5, 5))->getPointNumber();
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, 7);
    EXPECT_NE(b, 7);
    EXPECT_NE(a, b);
}

TEST_F(TileBlockTest, EmptySourceCellsClearOrKeepTargetsByMode) {
    straight(0, 0); // the block: a tile at (0, 0), nothing at (1, 0)
    const auto block = saveBlock(0, cell(0, 0), cell(1, 0));
    straight(6, 6);
    model::CTrackItem* kept = straight(5, 6);
    kept->addShape(2, model::LineKindTrack);

    // Merge mode leaves the target of an empty cell alone.
    ASSERT_TRUE(loadBlock(block, 0, cell(5, 6), cell(6, 6), false, true));
    EXPECT_FALSE(model::tileAt(0, cell(6, 6))->isEmpty());

    // Replace mode clears it and queues it for deletion.
    ASSERT_TRUE(loadBlock(block, 0, cell(5, 6), cell(6, 6), false, false));
    model::CTrackItem* cleared = model::tileAt(0, cell(6, 6));
    ASSERT_NE(cleared, nullptr);
    EXPECT_TRUE(cleared->isEmpty());
    EXPECT_TRUE(model::isQueuedForDeletion(cleared));
    EXPECT_EQ(model::tileAt(0, cell(5, 6))->lineCount(), 1u);
}

TEST_F(TileBlockTest, KeepLinedTargetsSparesTracksFromLinelessSources) {
    model::CTrackItem* station = model::createTile(cell(0, 0), 0);
    station->addControlItem(model::KindStation1);
    const auto block = saveBlock(0, cell(0, 0), cell(0, 0));
    model::CTrackItem* lined = straight(4, 4);
    model::CTrackItem* bare = model::createTile(cell(5, 4), 0);

    ASSERT_TRUE(loadBlock(block, 0, cell(4, 4), cell(5, 4), true, false));
    EXPECT_EQ(lined->lineCount(), 1u);
    EXPECT_EQ(lined->stationItem(), nullptr);
    EXPECT_NE(bare->stationItem(), nullptr);

    ASSERT_TRUE(loadBlock(block, 0, cell(4, 4), cell(4, 4), false, false));
    EXPECT_EQ(lined->lineCount(), 0u);
    EXPECT_NE(lined->stationItem(), nullptr);
}

TEST_F(TileBlockTest, WritingPastTheBoardEdgeIsClipped) {
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            straight(column, row);
        }
    }
    const auto block = saveBlock(0, cell(0, 0), cell(2, 2));
    ASSERT_TRUE(loadBlock(block, 0, cell(9, 9), cell(11, 11), false, false));
    for (const auto& [key, tile] : *model::layerMap(0)) {
        EXPECT_LT(tile->getPosition().column, 11);
        EXPECT_LT(tile->getPosition().row, 11);
    }
    EXPECT_EQ(occupiedCells(0).size(), 9u + 4u);
    EXPECT_NE(model::tileAt(0, cell(10, 10)), nullptr);
}

TEST_F(TileBlockTest, PointNumbersComeBackWhenABlockReturnsToItsPlace) {
    point(2, 2, 42);
    const auto before = fingerprint();
    const auto block = saveBlock(0, cell(2, 2), cell(2, 2));
    model::tileAt(0, cell(2, 2))->rotate90();
    ASSERT_TRUE(loadBlock(block, 0, cell(2, 2), cell(2, 2), false, false));
    EXPECT_EQ(model::tileAt(0, cell(2, 2))->getPointNumber(), 42);
    EXPECT_EQ(fingerprint(), before);
}

// Damaged or foreign payloads are refused before anything changes.
TEST_F(TileBlockTest, DamagedBlocksChangeNothing) {
    straight(0, 0);
    point(1, 0, 5);
    const auto good = saveBlock(0, cell(0, 0), cell(1, 0));
    ASSERT_TRUE(isTileBlock(good));
    straight(4, 4);
    point(5, 4, 9);

    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    };
    auto putU32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
        }
    };
    const std::vector<Case> cases = {
        {"empty", [](auto& b) { b.clear(); }},
        {"head only part", [](auto& b) { b.resize(100); }},
        {"foreign tag", [](auto& b) { b[0] = 'X'; }},
        {"truncated record", [](auto& b) { b.resize(b.size() - 10); }},
        {"length beyond bytes", [&](auto& b) { putU32(b, 4, b.size() + 1); }},
        {"count too high", [&](auto& b) { putU32(b, 8, 3); }},
        {"record offset beyond", [&](auto& b) { putU32(b, 20, b.size() + 4); }},
        {"corners reversed", [&](auto& b) { putU32(b, 12, (5u << 16) | 0u); }},
        {"record outside rectangle", [&](auto& b) { putU32(b, 16, (0u << 16) | 0u); }},
        {"record tag broken", [](auto& b) { b[152] = 'x'; }},
        {"record length zero", [&](auto& b) { putU32(b, 156, 0); }},
        {"plain text",
         [](auto& b) {
             b.assign({'h', 'e', 'l', 'l', 'o'});
         }},
    };
    const auto before = fingerprint();
    for (const Case& c : cases) {
        auto block = good;
        c.damage(block);
        EXPECT_FALSE(isTileBlock(block)) << c.name;
        EXPECT_FALSE(loadBlock(block, 0, cell(4, 4), cell(5, 4), false, false)) << c.name;
        EXPECT_EQ(fingerprint(), before) << c.name;
    }
}

TEST_F(TileBlockTest, DuplicateCellsAreRefused) {
    straight(0, 0);
    auto block = saveBlock(0, cell(0, 0), cell(1, 0));
    // Append the same record again and count it.
    const std::vector<std::uint8_t> record(block.begin() + kBlockHeadLength, block.end());
    block.insert(block.end(), record.begin(), record.end());
    block[11] = 2;
    const std::uint32_t length = static_cast<std::uint32_t>(block.size());
    for (int i = 0; i < 4; ++i) {
        block[4 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
    EXPECT_FALSE(isTileBlock(block));
}
