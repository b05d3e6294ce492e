#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"

using namespace model;

namespace {

class TileTest : public ::testing::Test {
protected:
    void TearDown() override {
        deleteAllTiles();
        modelHooks() = ModelHooks{};
    }
};

std::vector<Pt> line(std::initializer_list<std::pair<int, int>> points) {
    std::vector<Pt> result;
    for (auto [x, z] : points) {
        result.emplace_back(x, z);
    }
    return result;
}

struct CountingView : TileViewAttachment {
    int repaints = 0;
    int closes = 0;
    void repaint() override { ++repaints; }
    void close() override { ++closes; }
};

} // namespace

TEST_F(TileTest, OccupiedCellKeepsTheFirstTile) {
    CTrackItem* first = createTile({2, 3}, 1);
    CTrackItem* second = createTile({2, 3}, 1);
    EXPECT_NE(first, second);
    EXPECT_EQ(tileAt(1, {2, 3}), first);
    EXPECT_EQ(layerTileCount(1), 1);
    EXPECT_EQ(validTile(second), second);
    EXPECT_EQ(highestUsedLayer(), 1);
    EXPECT_EQ(getOrCreateTile({2, 3}, 1), first);
}

TEST_F(TileTest, OutOfRangeTileIsRegisteredButNotMapped) {
    CTrackItem* far = createTile({1000, 0}, 0);
    EXPECT_EQ(validTile(far), far);
    EXPECT_EQ(tileAt(0, {1000, 0}), nullptr);
    EXPECT_EQ(layerTileCount(0), 0);
    EXPECT_EQ(tileAt(5, {0, 0}), nullptr);
    EXPECT_EQ(layerMap(5), nullptr);
    EXPECT_TRUE(deleteTile(far));
    EXPECT_EQ(validTile(far), nullptr);
}

TEST_F(TileTest, DeletingManyOffBoardTilesKeepsTheOthers) {
    std::vector<CTrackItem*> far;
    for (int i = 0; i < 6; ++i) {
        far.push_back(createTile({static_cast<std::int16_t>(1000 + i), 0}, 0));
    }
    CTrackItem* board = createTile({1, 1}, 0);
    EXPECT_TRUE(deleteTile(far[2]));
    // Already deleted (far[2]) and board tiles in the list are left alone.
    deleteUnplacedTiles({far[0], far[2], far[3], far[5], board});
    for (int i = 0; i < 6; ++i) {
        const bool kept = i == 1 || i == 4;
        EXPECT_EQ(validTile(far[static_cast<std::size_t>(i)]) != nullptr, kept) << i;
    }
    EXPECT_EQ(validTile(board), board);
    EXPECT_EQ(tileAt(0, {1, 1}), board);
    // The kept ones are still owned: each can be deleted once.
    EXPECT_TRUE(deleteTile(far[4]));
    EXPECT_TRUE(deleteTile(far[1]));
    EXPECT_FALSE(deleteTile(far[1]));
}

TEST_F(TileTest, LayerMapIteratesRowByRow) {
    createTile({5, 1}, 0);
    createTile({0, 2}, 0);
    createTile({998, 0}, 0);
    std::vector<TilePos> order;
    for (const auto& [key, tile] : *layerMap(0)) {
        order.push_back(tile->getPosition());
    }
    EXPECT_EQ(order, (std::vector<TilePos>{{998, 0}, {5, 1}, {0, 2}}));
}

// tileAt answers from its own index by cell; after every kind of change it must give exactly
// what the layer map holds, at cells on both sides of the index's block edges.
TEST_F(TileTest, FindingATileByCellFollowsEveryChangeOfTheLayerMap) {
    const std::vector<TilePos> cells{{0, 0},   {31, 0},  {32, 0},    {31, 31},  {32, 32},
                                     {1, 999}, {999, 1}, {998, 999}, {999, 999}};
    const auto agrees = [&](const char* step) {
        for (int layer = 0; layer < kTrackLayers; ++layer) {
            for (const TilePos pos : cells) {
                const auto it = layerMap(layer)->find(packTilePos(pos));
                CTrackItem* mapped = it != layerMap(layer)->end() ? it->second.get() : nullptr;
                EXPECT_EQ(tileAt(layer, pos), mapped)
                    << step << ", layer " << layer << ", cell " << pos.column << "," << pos.row;
            }
        }
    };
    for (int layer : {0, 2}) {
        for (const TilePos pos : cells) {
            createTile(pos, layer)->addShape(1, LineKindTrack);
        }
    }
    agrees("created");
    EXPECT_NE(tileAt(2, {32, 32}), nullptr);
    EXPECT_EQ(tileAt(1, {32, 32}), nullptr);

    ASSERT_TRUE(deleteTile(tileAt(0, {32, 0})));
    agrees("one deleted");
    EXPECT_EQ(tileAt(0, {32, 0}), nullptr);

    CTrackItem* emptied = tileAt(0, {999, 999});
    emptied->clear();
    queueForDeletion(emptied);
    EXPECT_TRUE(purgeEmptiedTiles());
    agrees("purged");
    EXPECT_EQ(tileAt(0, {999, 999}), nullptr);

    tileAt(2, {31, 31})->clear();
    deleteLayerTiles(2, true);
    agrees("empty ones of a layer deleted");
    EXPECT_EQ(tileAt(2, {31, 31}), nullptr);
    EXPECT_NE(tileAt(2, {32, 32}), nullptr);

    CTrackItem* again = createTile({32, 0}, 0);
    agrees("made again");
    EXPECT_EQ(tileAt(0, {32, 0}), again);

    deleteLayerTiles(0, false);
    agrees("a whole layer deleted");
    EXPECT_EQ(tileAt(0, {0, 0}), nullptr);
    EXPECT_NE(tileAt(2, {0, 0}), nullptr);

    deleteAllTiles();
    agrees("all deleted");
    EXPECT_EQ(tileAt(2, {0, 0}), nullptr);
}

TEST_F(TileTest, StaleReferencesReadAsAbsent) {
    CTrackItem* tile = createTile({1, 1}, 0);
    tile->addShape(1, 1);
    tile->addControlItem(KindReversing);
    LineItem* line = tile->getLine(0, 0);
    CTrackControlItem* item = tile->findControlItem(KindReversing);
    EXPECT_EQ(item->owner(), tile);
    EXPECT_EQ(line->getOwner(), tile);
    deleteAllTiles();
    EXPECT_EQ(validTile(tile), nullptr);
    EXPECT_EQ(validLine(line), nullptr);
    EXPECT_EQ(validControlItem(item), nullptr);
}

TEST_F(TileTest, ElevationOffsetAndHeights) {
    CTrackItem* ground = createTile({0, 0}, 0);
    ground->setElevationOffset(2);
    EXPECT_EQ(ground->getElevationOffset(), 0);
    EXPECT_DOUBLE_EQ(ground->level(), 0);
    CTrackItem* high = createTile({0, 0}, 3);
    high->setElevationOffset(2);
    EXPECT_DOUBLE_EQ(high->level(), 3 - 2.0 / 3.0);
    EXPECT_EQ(high->heightText(), "7m");
    high->setElevationOffset(4);
    EXPECT_EQ(high->getElevationOffset(), 2);
    EXPECT_EQ(high->getOutline(), (BoardRect{0, 0, 40, 40}));
}

TEST_F(TileTest, SecondControlItemOfAKindIsRefused) {
    CTrackItem* tile = createTile({0, 0}, 0);
    ASSERT_TRUE(tile->addControlItem(KindStation1));
    CTrackControlItem* original = tile->stationItem();
    original->setValue(10);
    auto duplicate = std::make_unique<CTrackControlItem>(KindStation1);
    EXPECT_FALSE(tile->addControlItem(std::move(duplicate)));
    EXPECT_EQ(tile->stationItem(), original);
    EXPECT_EQ(tile->stationItem()->getValue(), 10);
    EXPECT_EQ(tile->controlItemCount(), 1u);
}

TEST_F(TileTest, PierTypeReplacesAnyPier) {
    CTrackItem* tile = createTile({0, 0}, 1);
    tile->setPierType(310);
    tile->setPierType(312);
    EXPECT_EQ(tile->pierType(), 3);
    EXPECT_EQ(tile->findControlItem(310), nullptr);
    tile->setPierType(316);
    EXPECT_EQ(tile->pierType(), 3);
    tile->removePiers();
    EXPECT_EQ(tile->pierItem(), nullptr);
}

TEST_F(TileTest, MoveCarriesPointNumberAndPurgeDeletesSource) {
    CTrackItem* source = createTile({1, 1}, 0);
    source->addShape(1, 1);
    source->addShape(2, 1);
    ASSERT_NE(source->pointItem(), nullptr);
    source->setPointNumber(7);
    CTrackItem* target = createTile({4, 4}, 0);
    setSelection(0, {1, 1}, {1, 1});
    CountingView view;
    source->setViewAttachment(&view);
    target->moveFrom(*source);
    EXPECT_EQ(target->getPointNumber(), 7);
    EXPECT_EQ(pointWithNumber(7), target->pointItem());
    EXPECT_EQ(target->lineCount(), 2u);
    EXPECT_TRUE(source->isEmpty());
    EXPECT_TRUE(isQueuedForDeletion(source));
    EXPECT_EQ(selectionCount(), 0);
    std::vector<TilePos> repainted;
    modelHooks().repaintCell = [&repainted](int, TilePos pos) { repainted.push_back(pos); };
    EXPECT_TRUE(purgeEmptiedTiles());
    EXPECT_EQ(view.closes, 1);
    EXPECT_EQ(validTile(source), nullptr);
    EXPECT_EQ(tileAt(0, {1, 1}), nullptr);
    EXPECT_EQ(repainted, (std::vector<TilePos>{{1, 1}}));
    EXPECT_FALSE(purgeEmptiedTiles());
}

TEST_F(TileTest, CopyAndMerge) {
    CTrackItem* a = createTile({0, 0}, 2);
    a->setElevationOffset(1);
    a->addShape(1, 1);
    a->setStructure(std::make_unique<CTrackStructureItem>(9000, "House01.zn3"));
    a->getStructure()->setRect({0, 1, 28, 40});
    CTrackItem* b = createTile({1, 0}, 2);
    b->copyFrom(*a);
    EXPECT_EQ(b->getElevationOffset(), 1);
    EXPECT_EQ(b->lineCount(), 1u);
    EXPECT_EQ(b->getStructure()->getModelName(), "House01.zn3");
    EXPECT_EQ(b->getStructure()->getRect(), (LayoutRect{0, 1, 28, 40}));
    CTrackItem* c = createTile({2, 0}, 2);
    c->addShape(1, 1);
    c->addShape(2, 1);
    b->mergeFrom(*c);
    EXPECT_EQ(b->lineCount(), 2u); // the straight line was there already
    // A reversed twin counts as the same line for merging.
    CTrackItem* d = createTile({3, 0}, 2);
    auto reversed = standardShapePoints(1);
    std::reverse(reversed.begin(), reversed.end());
    d->getTrack().addLine(reversed, 1);
    b->mergeFrom(*d);
    EXPECT_EQ(b->lineCount(), 2u);
}

TEST_F(TileTest, SelectionCountAndMembership) {
    setSelection(0, {5, 2}, {3, 4});
    EXPECT_EQ(selectionCount(), 9);
    CTrackItem* inside = createTile({4, 3}, 0);
    CTrackItem* outside = createTile({6, 3}, 0);
    EXPECT_TRUE(inside->isInSelection());
    EXPECT_FALSE(outside->isInSelection());
    CountingView view;
    inside->setViewAttachment(&view);
    selectSingle(outside);
    EXPECT_EQ(view.repaints, 1); // the old rectangle was repainted
    EXPECT_EQ(selectionCount(), 1);
    selectSingle(nullptr);
    EXPECT_EQ(selectionCount(), 0);
    inside->setViewAttachment(nullptr);
}

TEST_F(TileTest, AddingFirstShapeInsideSelectionClearsIt) {
    setSelection(0, {0, 0}, {2, 2});
    CTrackItem* tile = createTile({1, 1}, 0);
    tile->addShape(1, 1);
    EXPECT_EQ(selectionCount(), 0);
}

TEST(TrackItemobjectOrientation, TableOfRects) {
    struct Case {
        LayoutRect rect;
        double angle;
        int mirror;
    };
    const Case cases[] = {
        {{0, 0, 39, 28}, 0, 1},     {{0, 1, 28, 40}, -90, 1},    {{1, 12, 40, 40}, -180, 1},
        {{12, 0, 40, 39}, -270, 1}, {{0, 12, 39, 40}, 0, -1},    {{0, 0, 28, 39}, -90, -1},
        {{1, 0, 40, 28}, -180, -1}, {{12, 1, 40, 40}, -270, -1}, {{5, 5, 5, 30}, 0, 1},
        {{3, 3, 20, 20}, 0, 1},
    };
    for (const Case& c : cases) {
        const Orientation o = orientationOf(c.rect);
        EXPECT_EQ(o.angle, c.angle) << c.rect.top << "," << c.rect.left;
        EXPECT_EQ(o.mirror, c.mirror) << c.rect.top << "," << c.rect.left;
    }
}

TEST(TrackItemobjectOrientation, RotatingTheDefaultRectWalksTheTable) {
    CTrackStructureItem item;
    EXPECT_EQ(item.getRect(), (LayoutRect{0, 0, 39, 28}));
    item.rotate(90);
    EXPECT_EQ(item.getRect(), (LayoutRect{0, 1, 28, 40}));
    EXPECT_EQ(item.orientation(), (Orientation{-90, 1}));
    item.rotate(90);
    EXPECT_EQ(item.orientation(), (Orientation{-180, 1}));
    item.rotate(90);
    EXPECT_EQ(item.orientation(), (Orientation{-270, 1}));
    item.rotate(90);
    EXPECT_EQ(item.getRect(), (LayoutRect{0, 0, 39, 28}));
    item.mirrorLeftRight();
    EXPECT_EQ(item.getRect(), (LayoutRect{0, 12, 39, 40}));
    EXPECT_EQ(item.orientation(), (Orientation{0, -1}));
    item.mirrorTopBottom();
    EXPECT_EQ(item.getRect(), (LayoutRect{1, 12, 40, 40}));
}

TEST_F(TileTest, RotateTurnsLinesItemsAndDropsLinks) {
    CTrackItem* tile = createTile({0, 0}, 0);
    tile->setShape(1);
    tile->addControlItem(KindReversing);
    tile->getLine(0, 0)->setEndLink(TrackPosition{tile->getLine(0, 0), 0, 0});
    tile->rotate90();
    const auto& points = tile->lines()[0]->points();
    EXPECT_EQ(points.front().x, 20);
    EXPECT_EQ(points.front().z, 0);
    EXPECT_EQ(points.back().z, 40);
    EXPECT_FALSE(tile->getLine(0, 0)->endLink());
    // (12, 32, 28, 40): bottom-left (32, 28) → (−8+20, 12+20)… as rect (32, 12, 40, 28).
    EXPECT_EQ(tile->reversingItem()->getRect(), (LayoutRect{32, 12, 40, 28}));
    tile->mirrorLeftRight();
    EXPECT_EQ(tile->lines()[0]->points().front().x, 20);
    EXPECT_EQ(tile->reversingItem()->getRect(), (LayoutRect{32, 12, 40, 28}));
}

TEST_F(TileTest, PointItemFromBranchingLines) {
    CTrackItem* tile = createTile({0, 0}, 0);
    tile->addShape(1, 1);
    tile->getTrack().addLine(line({{0, 20}, {10, 17}, {20, 0}}), 1);
    tile->rebuildPointItems();
    ASSERT_NE(tile->pointItem(), nullptr);
    EXPECT_EQ(tile->pointItem()->getRect(), (LayoutRect{31, 0, 41, 10}));
    EXPECT_EQ(tile->pointItem()->getLabelPos().x, 0);
    EXPECT_EQ(tile->pointItem()->getLabelPos().z, 0);
    EXPECT_EQ(tile->crossingItem(), nullptr);
}

TEST_F(TileTest, CrossingItemFromCrossingLines) {
    CTrackItem* tile = createTile({0, 0}, 0);
    tile->addShape(1, 1);
    tile->getTrack().addLine(line({{20, 0}, {20, 40}}), 1);
    tile->rebuildPointItems();
    EXPECT_EQ(crossingCount(*tile, *tile), 1);
    EXPECT_EQ(branchCount(*tile, *tile), 0);
    EXPECT_EQ(tile->pointItem(), nullptr);
    ASSERT_NE(tile->crossingItem(), nullptr);
    EXPECT_EQ(tile->crossingItem()->getRect(), (LayoutRect{0, 0, 10, 10}));
}

TEST_F(TileTest, BranchCountNeedsMatchingKinds) {
    struct Case {
        int kindA;
        int kindB;
        int expected;
    };
    for (const Case c : {Case{2, 2, 0}, Case{1, 1, 1}, Case{100, 100, 1}, Case{1, 100, 0},
                         Case{101, 101, 1}, Case{2, 4, 0}}) {
        CTrackItem* tile = createTile({0, 0}, 0);
        tile->addShape(1, c.kindA);
        tile->addShape(2, c.kindB);
        EXPECT_EQ(branchCount(*tile, *tile), c.expected) << c.kindA << "/" << c.kindB;
        deleteAllTiles();
    }
}

TEST_F(TileTest, BranchCountOverTwoTilesIgnoresTwins) {
    CTrackItem* a = createTile({0, 0}, 0);
    a->addShape(1, 1);
    CTrackItem* b = createTile({0, 0}, 3);
    b->getTrack().addLine(line({{40, 20}, {0, 20}}), 1);
    b->addShape(2, 1);
    EXPECT_EQ(branchCount(*a, *b), 1);
    EXPECT_EQ(branchCount(*a, *a), 0);
}

TEST_F(TileTest, PointNumberSurvivesRebuild) {
    CTrackItem* tile = createTile({0, 0}, 0);
    tile->addShape(1, 1);
    tile->addShape(2, 1);
    tile->setPointNumber(12);
    tile->addShape(3, 1);
    EXPECT_EQ(tile->getPointNumber(), 12);
    tile->setShape(1);
    tile->rebuildPointItems();
    EXPECT_EQ(tile->pointItem(), nullptr);
    EXPECT_EQ(pointWithNumber(12), nullptr);
}

TEST(PointNumbers, SetAndAssignFollowTheRules) {
    CTrackControlItem a(KindPoint);
    CTrackControlItem b(KindPoint);
    CTrackControlItem c(KindPoint);
    EXPECT_TRUE(a.setNumber(1));
    EXPECT_TRUE(b.setNumber(2));
    EXPECT_TRUE(c.setNumber(4));
    EXPECT_FALSE(c.setNumber(2));
    EXPECT_EQ(c.getNumber(), 4);
    EXPECT_FALSE(c.setNumber(-3));
    CTrackControlItem d(KindPoint);
    d.assignFreeNumber();
    EXPECT_EQ(d.getNumber(), 3);
    {
        CTrackControlItem e(KindPoint);
        e.assignFreeNumber();
        EXPECT_EQ(e.getNumber(), 5);
    }
    CTrackControlItem f(KindPoint);
    f.assignFreeNumber();
    EXPECT_EQ(f.getNumber(), 5); // freed when e went away
    b.releaseNumber();
    EXPECT_EQ(pointWithNumber(2), nullptr);
    EXPECT_TRUE(c.setNumber(2));
}

TEST_F(TileTest, LabelBoxesAllTakenGivesZeroRect) {
    CTrackItem* tile = createTile({0, 0}, 0);
    for (auto pts :
         {line({{0, 4}, {4, 0}}), line({{4, 40}, {0, 36}}), line({{36, 40}, {40, 36}}),
          line({{36, 0}, {40, 4}}), line({{0, 20}, {40, 20}}), line({{20, 0}, {20, 40}})}) {
        tile->getTrack().addLine(pts, 2);
    }
    LayoutRect rect{1, 1, 1, 1};
    EXPECT_FALSE(tile->pointLabelBox(rect, false));
    EXPECT_EQ(rect, LayoutRect{});
}

TEST_F(TileTest, DiagonalEndsFlags) {
    CTrackItem* tile = createTile({0, 0}, 0);
    tile->addShape(6, 1); // (4,40) → (40,4): corners only
    NeighbourFlags flags;
    std::vector<Pt> ends;
    EXPECT_TRUE(tile->diagonalEnds(flags, &ends));
    EXPECT_EQ(flags, (NeighbourFlags{false, false, false, false, false, true, false, true}));
    EXPECT_EQ(ends.size(), 2u);
    tile->setShape(3); // (0,20) → (40,4): left side, up-right corner and right side
    tile->diagonalEnds(flags);
    EXPECT_EQ(flags, (NeighbourFlags{true, false, true, false, false, true, false, false}));
    tile->setShape(0);
    EXPECT_FALSE(tile->diagonalEnds(flags));
}

TEST_F(TileTest, AStructureAloneIsNotEmpty) {
    // Built-in trees, wooden structures and bushes have no picture and no lines: the
    // structure is all the tile holds, and it must survive the purge of empty tiles.
    for (int category : {StructureTree, StructureWooden, StructureBushes, StructureItemModel}) {
        CTrackItem* tile = createTile({0, 0}, 0);
        tile->setStructure(std::make_unique<CTrackStructureItem>(category, ""));
        EXPECT_FALSE(tile->isEmpty()) << category;
        createTile({1, 0}, 0)->addShape(1, 1);
        createTile({2, 0}, 0);
        deleteLayerTiles(0, true);
        EXPECT_EQ(layerTileCount(0), 2) << category;
        ASSERT_EQ(tileAt(0, {0, 0}), tile) << category;
        tile->clear();
        EXPECT_TRUE(tile->isEmpty());
        EXPECT_FALSE(tile->hasStructure());
        deleteAllTiles();
    }
}

TEST_F(TileTest, PointAndCrossingItemsFollowTheLinesWhereverTheyChange) {
    // Each operation leaves the tile's lines changed; the point (301) and crossing (302)
    // items must match the lines afterwards.
    const auto straight = line({{0, 20}, {40, 20}});
    const auto curve = line({{0, 20}, {10, 17}, {20, 0}});
    const auto cross = line({{20, 0}, {20, 40}});
    struct Case {
        const char* name;
        std::function<void(CTrackItem& target)> edit;
        bool point;
        bool crossing;
    };
    auto sourceWith = [](std::vector<std::vector<Pt>> lines) {
        CTrackItem* source = createTile({5, 5}, 0);
        for (auto& points : lines) {
            source->getTrack().addLine(points, 1);
        }
        return source;
    };
    const std::vector<Case> cases = {
        {"merge a curve onto a straight",
         [&](CTrackItem& t) {
             t.getTrack().addLine(straight, 1);
             t.mergeFrom(*sourceWith({curve}));
         },
         true, false},
        {"merge a crossing straight",
         [&](CTrackItem& t) {
             t.getTrack().addLine(straight, 1);
             t.mergeFrom(*sourceWith({cross}));
         },
         false, true},
        {"copy branching lines without their items",
         [&](CTrackItem& t) {
             t.copyFrom(*sourceWith({straight, curve}));
         },
         true, false},
        {"copy crossing lines without their items",
         [&](CTrackItem& t) {
             t.copyFrom(*sourceWith({straight, cross}));
         },
         false, true},
        {"copy a single line over a point",
         [&](CTrackItem& t) {
             t.addShape(1, 1);
             t.addShape(2, 1);
             t.copyFrom(*sourceWith({straight}));
         },
         false, false},
        {"set a shape over a point",
         [&](CTrackItem& t) {
             t.addShape(1, 1);
             t.addShape(2, 1);
             t.setShape(1);
         },
         false, false},
        {"set a shape over a crossing",
         [&](CTrackItem& t) {
             t.getTrack().addLine(straight, 1);
             t.getTrack().addLine(cross, 1);
             t.rebuildPointItems();
             t.setShape(2);
         },
         false, false},
    };
    for (const Case& c : cases) {
        CTrackItem* target = createTile({0, 0}, 0);
        c.edit(*target);
        EXPECT_EQ(target->pointItem() != nullptr, c.point) << c.name;
        EXPECT_EQ(target->crossingItem() != nullptr, c.crossing) << c.name;
        deleteAllTiles();
    }
}

TEST_F(TileTest, MergingKeepsTheNumberOfASurvivingPoint) {
    CTrackItem* target = createTile({0, 0}, 0);
    target->addShape(1, 1);
    target->addShape(2, 1);
    target->setPointNumber(7);
    CTrackItem* source = createTile({1, 0}, 0);
    source->getTrack().addLine(line({{20, 0}, {20, 40}}), 1);
    target->mergeFrom(*source);
    ASSERT_NE(target->pointItem(), nullptr);
    EXPECT_EQ(target->getPointNumber(), 7);
    EXPECT_NE(target->crossingItem(), nullptr);
}

TEST_F(TileTest, TurningOrMirroringDropsTheNeighboursLinks) {
    const std::vector<std::pair<const char*, std::function<void(CTrackItem&)>>> edits = {
        {"rotate", [](CTrackItem& t) { t.rotate90(); }},
        {"mirror left-right", [](CTrackItem& t) { t.mirrorLeftRight(); }},
        {"mirror top-bottom", [](CTrackItem& t) { t.mirrorTopBottom(); }},
    };
    for (const auto& [name, edit] : edits) {
        CTrackItem* tile = createTile({1, 1}, 0);
        tile->setShape(1);
        CTrackItem* neighbour = createTile({2, 1}, 0);
        neighbour->setShape(1);
        CTrackItem* above = createTile({0, 0}, 1);
        above->setShape(2);
        LineItem* next = neighbour->getLine(0, 0);
        next->setEndLink(TrackPosition{tile->getLine(0, 0), 0, 0});
        above->getLine(0, 0)->setStartLink(TrackPosition{tile->getLine(0, 0), 0, 0});
        edit(*tile);
        EXPECT_FALSE(next->endLink()) << name;
        EXPECT_FALSE(above->getLine(0, 0)->startLink()) << name;
        deleteAllTiles();
    }
}

namespace {

// A landscape item given by the cover flags it has per cell.
struct TestHill : LandscapeCover {
    bool hollow = false;
    std::map<std::uint32_t, std::array<bool, 8>> cells;
    double scale = 1.0;
    bool isHollow() const override { return hollow; }
    double getHeightScale() const override { return scale; }
    std::array<bool, 8> coverFlags(const CTrackItem& tile) const override {
        auto it = cells.find(packTilePos(tile.getPosition()));
        return it != cells.end() ? it->second : std::array<bool, 8>{};
    }
};

constexpr std::array<bool, 8> kAll = {true, true, true, true, true, true, true, true};

} // namespace

TEST_F(TileTest, TunnelMouthFlagsOfACoveredTile) {
    TestHill hill;
    hill.cells[packTilePos({1, 0})] = kAll;
    hill.cells[packTilePos({0, 0})] = {true, false, false, false, false, false, false, false};
    modelHooks().landscapeItems = [&hill]() { return std::vector<const LandscapeCover*>{&hill}; };
    for (std::int16_t column = 0; column < 3; ++column) {
        createTile({column, 0}, 0)->setShape(1);
    }
    recomputeCoverFlags();
    CTrackItem* inside = tileAt(0, {1, 0});
    CTrackItem* mouth = tileAt(0, {0, 0});
    EXPECT_TRUE(inside->isCovered());
    EXPECT_FALSE(mouth->isCovered());
    bool any = false;
    EXPECT_EQ(inside->neighbourFlagsB(&any),
              (NeighbourFlags{true, false, false, false, false, false, false, false}));
    EXPECT_TRUE(any);
    EXPECT_EQ(mouth->neighbourFlagsA(&any),
              (NeighbourFlags{false, false, true, false, false, false, false, false}));
    EXPECT_TRUE(any);
    EXPECT_FALSE(tileAt(0, {2, 0})->neighbourFlagsA()[0]);

    // A hollow covering the tile fully keeps it uncovered.
    TestHill hollow;
    hollow.hollow = true;
    hollow.cells[packTilePos({1, 0})] = kAll;
    modelHooks().landscapeItems = [&hill, &hollow]() {
        return std::vector<const LandscapeCover*>{&hill, &hollow};
    };
    recomputeCoverFlags();
    EXPECT_FALSE(inside->isCovered());
    EXPECT_FALSE(mouth->neighbourFlagsA(&any)[2]);
    EXPECT_FALSE(any);
}

TEST_F(TileTest, TerrainRangesAndBoundsCache) {
    CTrackItem* tile = createTile({0, 0}, 0);
    TestHill hill;
    EXPECT_FALSE(tile->hasTerrainRanges());
    tile->updateTerrainRange(&hill, TerrainRange{2.0, 0.5, 0, 0});
    EXPECT_TRUE(tile->hasTerrainRanges());
    TestHill hollow;
    hollow.hollow = true;
    hollow.scale = 2.0;
    tile->updateTerrainRange(&hollow, TerrainRange{1.0, 0.25, 0, 0});
    double highest = 0, lowest = 0;
    EXPECT_TRUE(tile->combinedTerrainRange(highest, lowest));
    EXPECT_DOUBLE_EQ(highest, 2.0);
    EXPECT_DOUBLE_EQ(lowest, -0.5); // the hollow: 0.25 × 2, negated
    tile->removeTerrainRange(&hill);
    tile->removeTerrainRange(&hollow);
    EXPECT_FALSE(tile->hasTerrainRanges());
    EXPECT_FALSE(tile->combinedTerrainRange(highest, lowest));
    std::array<Vec3d, 8> corners{};
    double key = 0;
    EXPECT_FALSE(tile->readBoundsCache(0, corners, key));
    corners[3] = Vec3d{1, 2, 3};
    tile->storeBoundsCache(1, corners, 1.5);
    std::array<Vec3d, 8> back{};
    EXPECT_TRUE(tile->readBoundsCache(1, back, key));
    EXPECT_EQ(back[3], (Vec3d{1, 2, 3}));
    tile->resetBoundsCaches();
    EXPECT_FALSE(tile->readBoundsCache(1, back, key));
}
