// Turning, mirroring and pasting move tile contents instead of copying them; the board they
// leave must be exactly the one the deep-copy reference leaves, on random boards holding every
// kind of tile content, and undo must bring the board back.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EditingFixture.h"
#include "editing/EditCommands.h"
#include "editing/TileBlock.h"
#include "editing/UndoStore.h"
#include "image/Picture.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackStructureItem.h"
#include "model/TrackHeights.h"
#include "model/TrackJoin.h"
#include "model/TrackTiles.h"
#include "persistence/CImageItem.h"

using namespace editingtest;

namespace {

constexpr int kColumns = 14;
constexpr int kRows = 12;

enum class Op { Rotate, Mirror, Paste };

struct MoveCase {
    const char* name;
    Op op;
    int layer;
    model::TilePos a;
    model::TilePos b;
    int turns = 0;          // Rotate
    bool leftRight = false; // Mirror
    // Paste: the block is copied from a … b of `layer` and written into c … d of targetLayer.
    int targetLayer = 0;
    model::TilePos c{};
    model::TilePos d{};
    bool keepLined = false;
    bool merge = false;
};

const std::vector<MoveCase>& cases() {
    static const std::vector<MoveCase> all = {
        {"turn a square once", Op::Rotate, 0, cell(2, 2), cell(7, 7), 1},
        {"turn an oblong three times", Op::Rotate, 1, cell(1, 1), cell(8, 4), 3},
        {"turn the whole board twice", Op::Rotate, 0, cell(0, 0), cell(13, 11), 2},
        {"turn an oblong partly off the board", Op::Rotate, 2, cell(9, 5), cell(13, 11), 1},
        {"turn corners given in reverse", Op::Rotate, 1, cell(10, 9), cell(3, 6), 1},
        {"mirror the board left to right", Op::Mirror, 0, cell(0, 0), cell(13, 11), 0, true},
        {"mirror top to bottom", Op::Mirror, 2, cell(3, 2), cell(10, 9), 0, false},
        {"mirror a rectangle reaching past the board", Op::Mirror, 1, cell(10, 0), cell(16, 5), 0,
         true},
        {"paste the same size elsewhere", Op::Paste, 0, cell(1, 1), cell(5, 4), 0, false, 0,
         cell(7, 6), cell(11, 9)},
        {"paste a pattern repeated over a larger area", Op::Paste, 0, cell(2, 2), cell(4, 3), 0,
         false, 0, cell(0, 5), cell(13, 11)},
        {"paste into a smaller area", Op::Paste, 1, cell(0, 0), cell(6, 6), 0, false, 1, cell(8, 8),
         cell(10, 9)},
        {"paste over itself", Op::Paste, 2, cell(0, 0), cell(13, 11), 0, false, 2, cell(0, 0),
         cell(13, 11)},
        {"paste overlapping its source", Op::Paste, 0, cell(2, 2), cell(8, 8), 0, false, 0,
         cell(4, 3), cell(10, 9)},
        {"paste a larger block into part of its source", Op::Paste, 0, cell(0, 0), cell(7, 7), 0,
         false, 0, cell(2, 2), cell(5, 5)},
        {"paste part of its source, keeping lined targets", Op::Paste, 1, cell(0, 0), cell(8, 8), 0,
         false, 1, cell(3, 2), cell(7, 6), true},
        {"paste clipped at the board edge", Op::Paste, 1, cell(0, 0), cell(5, 5), 0, false, 1,
         cell(10, 8), cell(15, 13)},
        {"paste onto another layer", Op::Paste, 1, cell(0, 0), cell(7, 7), 0, false, 0, cell(3, 3),
         cell(10, 10)},
        {"paste keeping lined targets", Op::Paste, 0, cell(0, 0), cell(6, 6), 0, false, 0,
         cell(5, 4), cell(11, 10), true},
        {"paste merging, repeated", Op::Paste, 2, cell(1, 1), cell(3, 3), 0, false, 2, cell(0, 0),
         cell(13, 11), false, true},
        {"paste merging, same size", Op::Paste, 0, cell(0, 0), cell(6, 5), 0, false, 0, cell(6, 5),
         cell(12, 10), false, true},
    };
    return all;
}

int pick(std::mt19937& random, int n) {
    return static_cast<int>(random() % static_cast<unsigned>(n));
}

std::unique_ptr<persistence::CImageItem> randomPicture(std::mt19937& random) {
    image::Picture picture(2 + pick(random, 3), 2 + pick(random, 3), 24);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setColourAt(x, y, random() & 0xFFFFFFu);
        }
    }
    return std::make_unique<persistence::CImageItem>(std::move(picture));
}

// A tile with a random mix of what tiles hold: lines of every kind and shape (so points and
// crossings), sometimes a repeated line or a point item the lines do not call for, an
// elevation, a structure, control items with values and rects, a point number, a picture.
// Without roads no choice is made at random while heights are computed.
void fillTile(std::mt19937& random, model::CTrackItem& tile, bool roads) {
    if (pick(random, 12) == 0) {
        return; // an empty tile in the map
    }
    static constexpr int kKinds[] = {1, 1, 1, 1, 100, 101, 2, 3, 4};
    const int lines = pick(random, 4);
    for (int i = 0; i < lines; ++i) {
        tile.addShape(1 + pick(random, 6), kKinds[pick(random, roads ? 9 : 6)]);
        for (int turns = pick(random, 4); turns > 0; --turns) {
            tile.rotate90();
        }
    }
    if (tile.lineCount() > 0 && pick(random, 8) == 0) {
        const model::LineItem* first = tile.getLine(0, 0);
        tile.getTrack().addLine(first->points(), first->getKind());
    }
    if (tile.lineCount() == 1 && pick(random, 10) == 0) {
        tile.addControlItem(model::KindPoint);
    }
    if (tile.getLayer() >= 1) {
        tile.setElevationOffset(pick(random, 4));
    }
    if (pick(random, 5) == 0) {
        static constexpr int kCategories[] = {200, 201, 202, 9000};
        auto structure = std::make_unique<model::CTrackStructureItem>(
            kCategories[pick(random, 4)], "Model" + std::to_string(pick(random, 5)) + ".zn3");
        const auto top = static_cast<std::int16_t>(pick(random, 20));
        const auto left = static_cast<std::int16_t>(pick(random, 20));
        structure->setRect({top, left, static_cast<std::int16_t>(top + 1 + pick(random, 19)),
                            static_cast<std::int16_t>(left + 1 + pick(random, 19))});
        tile.setStructure(std::move(structure));
    }
    for (int items = pick(random, 3); items > 0; --items) {
        static constexpr int kItemKinds[] = {303, 304, 305, 306, 307, 308, 309, 310, 313, 315};
        const int kind = kItemKinds[pick(random, 10)];
        if (tile.addControlItem(kind)) {
            model::CTrackControlItem* item = tile.findControlItem(kind);
            item->setValue(pick(random, 50));
            if (pick(random, 2) == 0) {
                item->setRect({0, static_cast<std::int16_t>(pick(random, 30)), 10,
                               static_cast<std::int16_t>(31 + pick(random, 9))});
            }
        }
    }
    if (model::CTrackControlItem* point = tile.pointItem(); point != nullptr) {
        point->releaseNumber();
        point->setNumber(pick(random, 3) == 0 ? 0 : 1 + pick(random, 60)); // may be taken
    }
    if (pick(random, 10) == 0) {
        tile.setPicture(randomPicture(random));
    }
}

// Where two value lists part, with the tile key before it, for the failure message.
std::string firstDifference(const std::vector<double>& a, const std::vector<double>& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    double key = 0;
    for (std::size_t k = i; k-- > 0;) {
        if (a[k] <= -1000.0) {
            key = -1000.0 - a[k];
            break;
        }
    }
    std::string text = "values part at " + std::to_string(i) + " in tile key " +
                       std::to_string(static_cast<long>(key)) + ":";
    for (std::size_t k = i; k < i + 6 && k < a.size() && k < b.size(); ++k) {
        text += " " + std::to_string(a[k]) + "/" + std::to_string(b[k]);
    }
    return text;
}

// Where a link leads: layer, cell and line number of the line, point index and direction.
std::string describeLink(const model::TrackPosition& link) {
    if (link.line == nullptr) {
        return "-";
    }
    const model::CTrackItem* tile = link.line->getOwner();
    if (tile == nullptr) {
        return "stale";
    }
    std::size_t index = 0;
    while (index < tile->lineCount() && tile->lines()[index].get() != link.line) {
        ++index;
    }
    return std::to_string(tile->getLayer()) + "/" + std::to_string(tile->getPosition().column) +
           ":" + std::to_string(tile->getPosition().row) + "#" + std::to_string(index) + "@" +
           std::to_string(link.pointIndex) + (link.backward != 0 ? "b" : "f");
}

// The cached links of every line, line by line in board order.
std::vector<std::string> boardLinks() {
    std::vector<std::string> links;
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            for (const auto& line : tile->lines()) {
                links.push_back(describeLink(line->startLink()) + " " +
                                describeLink(line->endLink()));
            }
        }
    }
    return links;
}

// Everything an edit can change on the board: the tile records, the derived line values,
// which cells hold a tile (empty or not, queued or not), and which tile holds each number.
struct BoardState {
    std::vector<std::uint8_t> records;
    std::vector<double> lines;
    std::vector<std::string> tiles;
    std::vector<std::string> numbers;
    friend bool operator==(const BoardState&, const BoardState&) = default;
};

class TileMoveTest : public EditingTest {
protected:
    void SetUp() override {
        EditingTest::SetUp();
        newBoard(kColumns, kRows);
    }

    static void buildBoard(std::uint32_t seed, bool roads) {
        model::clearSelection();
        model::deleteAllTiles();
        // Road lines choose among branches at random; both runs must draw the same numbers.
        model::seedLineRandom(seed);
        std::mt19937 random(seed);
        for (int layer = 0; layer < 3; ++layer) {
            for (int row = 0; row < kRows; ++row) {
                for (int column = 0; column < kColumns; ++column) {
                    if (pick(random, 3) != 0) {
                        fillTile(random, *model::createTile(cell(column, row), layer), roads);
                    }
                }
            }
        }
        model::recomputeAllHeights();
    }

    static BoardState state() {
        BoardState s{fingerprint(), lineValues(), {}, {}};
        for (int layer = 0; layer < model::kTrackLayers; ++layer) {
            for (const auto& [key, tile] : *model::layerMap(layer)) {
                const model::TilePos pos = tile->getPosition();
                s.tiles.push_back(std::to_string(layer) + "/" + std::to_string(pos.column) + ":" +
                                  std::to_string(pos.row) + (tile->isEmpty() ? " empty" : "") +
                                  (model::isQueuedForDeletion(tile.get()) ? " queued" : ""));
            }
        }
        for (int number = model::kFirstPointNumber; number <= model::kLastPointNumber; ++number) {
            const model::CTrackControlItem* point = model::pointWithNumber(number);
            if (point == nullptr) {
                continue;
            }
            const model::CTrackItem* owner = point->owner();
            s.numbers.push_back(std::to_string(number) + " at " +
                                (owner == nullptr
                                     ? std::string("no tile")
                                     : std::to_string(owner->getLayer()) + "/" +
                                           std::to_string(owner->getPosition().column) + ":" +
                                           std::to_string(owner->getPosition().row)));
        }
        return s;
    }

    static void run(const MoveCase& c, bool byCopy) {
        switch (c.op) {
        case Op::Rotate:
            ASSERT_TRUE(byCopy ? editing::reference::rotateAreaByCopy(c.layer, c.a, c.b, c.turns)
                               : editing::rotateArea(c.layer, c.a, c.b, c.turns));
            break;
        case Op::Mirror:
            ASSERT_TRUE(byCopy
                            ? editing::reference::mirrorAreaByCopy(c.layer, c.a, c.b, c.leftRight)
                            : editing::mirrorArea(c.layer, c.a, c.b, c.leftRight));
            break;
        case Op::Paste: {
            const auto block = editing::saveBlock(c.layer, c.a, c.b);
            ASSERT_TRUE(
                byCopy ? editing::reference::loadBlockByCopy(block, c.targetLayer, c.c, c.d,
                                                             c.keepLined, c.merge)
                       : editing::loadBlock(block, c.targetLayer, c.c, c.d, c.keepLined, c.merge));
            model::afterEdit();
            break;
        }
        }
    }

    // With roads: the heights as a whole-board recomputation gives them from no cached links
    // and the same random draws. Road lines choose among branches at random (a cached link
    // spares the draw), and how much afterEdit recomputes depends on how many cells the edit
    // marked, which the two paths do differently (the reference's scratch tiles count too).
    static void settleHeights(std::uint32_t seed, bool roads) {
        if (!roads) {
            return;
        }
        for (int layer = 0; layer < model::kTrackLayers; ++layer) {
            for (const auto& [key, tile] : *model::layerMap(layer)) {
                tile->dropLinks();
            }
        }
        model::seedLineRandom(seed);
        model::recomputeAllHeights();
    }
};

TEST_F(TileMoveTest, MovingLeavesExactlyWhatDeepCopiesLeave) {
    for (const MoveCase& c : cases()) {
        for (const auto& [seed, roads] : {std::pair{3u, false}, std::pair{41u, false},
                                          std::pair{3u, true}, std::pair{977u, true}}) {
            SCOPED_TRACE(std::string(c.name) + ", seed " + std::to_string(seed) +
                         (roads ? " with roads" : ""));
            buildBoard(seed, roads);
            const BoardState before = state();
            run(c, true);
            const std::vector<std::string> referenceLinks = boardLinks();
            settleHeights(seed, roads);
            const BoardState reference = state();
            // The case must change the board, or the comparison would prove nothing.
            ASSERT_NE(reference.records, before.records);

            buildBoard(seed, roads);
            const BoardState rebuilt = state();
            ASSERT_EQ(rebuilt.records, before.records);
            ASSERT_EQ(rebuilt.lines, before.lines);
            ASSERT_EQ(rebuilt.tiles, before.tiles);
            ASSERT_EQ(rebuilt.numbers, before.numbers);
            run(c, false);
            EXPECT_EQ(boardLinks(), referenceLinks);
            settleHeights(seed, roads);
            const BoardState moved = state();
            EXPECT_EQ(moved.records, reference.records);
            EXPECT_EQ(moved.lines, reference.lines)
                << firstDifference(moved.lines, reference.lines);
            EXPECT_EQ(moved.tiles, reference.tiles);
            EXPECT_EQ(moved.numbers, reference.numbers);

            // The moved lines and items belong to their new tiles; nothing points back to the
            // cells they left.
            for (int layer = 0; layer < model::kTrackLayers; ++layer) {
                for (const auto& [key, tile] : *model::layerMap(layer)) {
                    for (const auto& line : tile->lines()) {
                        ASSERT_EQ(line->getOwner(), tile.get());
                    }
                    for (const auto& [kind, item] : tile->controlItems()) {
                        ASSERT_EQ(item->owner(), tile.get());
                    }
                    if (tile->hasStructure()) {
                        ASSERT_EQ(tile->getStructure()->owner(), tile.get());
                    }
                }
            }
        }
    }
}

// Undo of a snapshot of the whole layer brings back exactly the board before the move. The
// board is first put through a snapshot and its undo, which leaves it as undo leaves any board
// (repeated lines gone, point items matching the lines, no piers on the ground layer).
TEST_F(TileMoveTest, UndoRestoresTheBoardAfterAMove) {
    for (const MoveCase& c : cases()) {
        SCOPED_TRACE(c.name);
        buildBoard(5, false);
        const int layer = c.op == Op::Paste ? c.targetLayer : c.layer;
        editing::UndoStore undo;
        undo.snapshotTiles(layer, cell(0, 0), cell(kColumns - 1, kRows - 1));
        ASSERT_TRUE(undo.undo());
        model::purgeEmptiedTiles();
        undo.snapshotTiles(layer, cell(0, 0), cell(kColumns - 1, kRows - 1));
        const BoardState before = state();
        run(c, false);
        ASSERT_TRUE(undo.undo());
        model::purgeEmptiedTiles();
        const BoardState after = state();
        EXPECT_EQ(after.records, before.records);
        EXPECT_EQ(after.lines, before.lines) << firstDifference(after.lines, before.lines);
        EXPECT_EQ(after.numbers, before.numbers);
    }
}

} // namespace
