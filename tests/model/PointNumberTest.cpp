#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/CTrackItem.h"
#include "model/CTrackTypeItem.h"
#include "model/PointNumbers.h"
#include "model/TrackTiles.h"

using namespace model;

namespace {

class PointNumberTest : public ::testing::Test {
protected:
    void TearDown() override { deleteAllTiles(); }

    // A board tile whose lines branch, so that it carries a point item.
    static CTrackItem* pointTile(int column, int row, int layer = 0) {
        CTrackItem* tile =
            createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, layer);
        tile->addShape(1, LineKindTrack);
        tile->addShape(2, LineKindTrack);
        EXPECT_NE(tile->pointItem(), nullptr);
        return tile;
    }

    // Every numbered point on the board holds a distinct number in 1 … 999 and the number
    // map leads back to it.
    static void expectUniqueNumbers() {
        std::set<int> seen;
        for (int layer = 0; layer < kTrackLayers; ++layer) {
            for (const auto& [key, tile] : *layerMap(layer)) {
                const CTrackControlItem* point = tile->pointItem();
                if (point == nullptr || point->getNumber() == 0) {
                    continue;
                }
                const int n = point->getNumber();
                EXPECT_GE(n, 1);
                EXPECT_LE(n, 999);
                EXPECT_TRUE(seen.insert(n).second) << "number " << n << " twice";
                EXPECT_EQ(pointWithNumber(n), point);
            }
        }
    }
};

} // namespace

TEST_F(PointNumberTest, RangeIsOneTo999AndOnlyPointsHoldNumbers) {
    CTrackControlItem point(KindPoint);
    EXPECT_FALSE(point.setNumber(1000));
    EXPECT_EQ(point.getNumber(), 0);
    EXPECT_TRUE(point.setNumber(999));
    EXPECT_EQ(pointWithNumber(999), &point);

    CTrackControlItem station(KindStation1);
    EXPECT_FALSE(station.setNumber(5));
    station.assignFreeNumber();
    EXPECT_EQ(station.getNumber(), 0);
    EXPECT_EQ(pointWithNumber(5), nullptr);

    // A point turned into another kind by copying leaves its number.
    EXPECT_TRUE(point.setNumber(7));
    point.copyFrom(station);
    EXPECT_EQ(point.getNumber(), 0);
    EXPECT_EQ(pointWithNumber(7), nullptr);
}

TEST_F(PointNumberTest, AllNumbersTakenLeavesANewPointWithoutOne) {
    std::vector<std::unique_ptr<CTrackControlItem>> points;
    for (int i = 0; i < 999; ++i) {
        points.push_back(std::make_unique<CTrackControlItem>(KindPoint));
        points.back()->assignFreeNumber();
    }
    EXPECT_EQ(points.back()->getNumber(), 999);
    CTrackControlItem extra(KindPoint);
    extra.assignFreeNumber();
    EXPECT_EQ(extra.getNumber(), 0);
    points[499].reset(); // number 500 becomes free
    extra.assignFreeNumber();
    EXPECT_EQ(extra.getNumber(), 500);
}

// Numbering a list at once gives every item the number that numbering them one by one gives:
// around taken numbers, up to the last free one, past items that have a number or are no point
// and past an item listed twice.
TEST_F(PointNumberTest, NumberingAListMatchesNumberingOneByOne) {
    struct Case {
        const char* name;
        std::vector<int> taken;
        int fresh; // points without a number in the list
    };
    std::vector<int> allButOne;
    std::vector<int> all;
    for (int n = 1; n <= 999; ++n) {
        all.push_back(n);
        if (n != 640) {
            allButOne.push_back(n);
        }
    }
    std::vector<int> evens;
    for (int n = 2; n <= 60; n += 2) {
        evens.push_back(n);
    }
    const Case cases[] = {
        {"none taken", {}, 12},      {"a run at the start", {1, 2, 3}, 5},
        {"every second", evens, 40}, {"gaps and the last", {3, 4, 9, 999}, 1010},
        {"one left", allButOne, 3},  {"all taken", all, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<CTrackControlItem>> owned;
        for (int n : c.taken) {
            owned.push_back(std::make_unique<CTrackControlItem>(KindPoint));
            ASSERT_TRUE(owned.back()->setNumber(n));
        }
        std::vector<CTrackControlItem*> list;
        std::vector<CTrackControlItem*> fresh;
        for (int i = 0; i < c.fresh; ++i) {
            owned.push_back(std::make_unique<CTrackControlItem>(KindPoint));
            list.push_back(owned.back().get());
            fresh.push_back(owned.back().get());
            if (i == 1 && !c.taken.empty()) {
                list.push_back(owned[0].get()); // holds a number already
            }
            if (i == 2) {
                owned.push_back(std::make_unique<CTrackControlItem>(KindCrossing));
                list.push_back(owned.back().get());
                list.push_back(fresh.front()); // listed twice
            }
        }
        for (CTrackControlItem* item : list) {
            item->assignFreeNumber();
        }
        std::vector<int> expected;
        for (const CTrackControlItem* item : list) {
            expected.push_back(item->getNumber());
        }
        for (CTrackControlItem* item : fresh) {
            item->releaseNumber();
        }
        CTrackControlItem::assignFreeNumbers(list);
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list[i]->getNumber(), expected[i]) << "item " << i;
            if (list[i]->getNumber() > 0) {
                EXPECT_EQ(pointWithNumber(list[i]->getNumber()), list[i]) << "item " << i;
            }
        }
    }
}

TEST_F(PointNumberTest, CopyMergeMoveAndDeleteKeepNumbersUnique) {
    CTrackItem* a = pointTile(0, 0);
    a->setPointNumber(3);

    // A copy carries no number until one is assigned.
    CTrackItem* copy = pointTile(1, 0);
    copy->copyFrom(*a);
    EXPECT_EQ(copy->getPointNumber(), 0);
    expectUniqueNumbers();

    // Merging a numbered point onto a tile with its own point keeps the target's number.
    CTrackItem* target = pointTile(2, 0);
    target->setPointNumber(8);
    target->mergeFrom(*a);
    EXPECT_EQ(target->getPointNumber(), 8);
    EXPECT_EQ(a->getPointNumber(), 3);
    expectUniqueNumbers();

    // A move hands the number over; the source's number is free only once it has left.
    CTrackItem* moved = createTile({3, 0}, 0);
    moved->moveFrom(*a);
    EXPECT_EQ(moved->getPointNumber(), 3);
    EXPECT_EQ(pointWithNumber(3), moved->pointItem());
    EXPECT_TRUE(purgeEmptiedTiles());
    expectUniqueNumbers();

    // Deleting a tile frees its number for the next point.
    deleteTile(target);
    EXPECT_EQ(pointWithNumber(8), nullptr);
    copy->setPointNumber(8);
    EXPECT_EQ(copy->getPointNumber(), 8);
    expectUniqueNumbers();
}

TEST_F(PointNumberTest, NumbersAfterLoadingSkipCatalogueEntriesAndQueuedTiles) {
    // As the reader sees it: a record naming a number already in use loads without one.
    CTrackItem* first = pointTile(0, 0);
    CTrackItem* clash = pointTile(1, 0);
    CTrackItem* elevated = pointTile(0, 0, 2);
    CTrackItem* queued = pointTile(2, 0);
    first->setPointNumber(7);
    clash->setPointNumber(7);
    EXPECT_EQ(clash->getPointNumber(), 0);
    first->setPointNumber(2);
    EXPECT_EQ(pointWithNumber(7), nullptr);
    queueForDeletion(queued);
    CTrackTypeItem entry(KindPoint);
    ASSERT_NE(entry.pointItem(), nullptr);

    assignMissingPointNumbers();
    EXPECT_EQ(clash->getPointNumber(), 1);
    EXPECT_EQ(elevated->getPointNumber(), 3);
    EXPECT_EQ(queued->getPointNumber(), 0);
    EXPECT_EQ(entry.getPointNumber(), 0);
    expectUniqueNumbers();
}

TEST_F(PointNumberTest, RenumberChecksRangeAndUse) {
    CTrackItem* a = pointTile(0, 0);
    CTrackItem* b = pointTile(1, 0);
    CTrackItem* plain = createTile({2, 0}, 0);
    plain->addShape(1, LineKindTrack);
    a->setPointNumber(5);
    struct Case {
        CTrackItem* tile;
        int number;
        PointNumberCheck expected;
        int after;
    };
    const Case cases[] = {
        {b, 0, PointNumberCheck::OutOfRange, 0},  {b, 1000, PointNumberCheck::OutOfRange, 0},
        {b, -4, PointNumberCheck::OutOfRange, 0}, {b, 5, PointNumberCheck::AlreadyUsed, 0},
        {a, 5, PointNumberCheck::AlreadyUsed, 5}, {b, 999, PointNumberCheck::Accepted, 999},
        {plain, 6, PointNumberCheck::NoPoint, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(renumberPoint(*c.tile, c.number), c.expected) << c.number;
        EXPECT_EQ(c.tile->getPointNumber(), c.after) << c.number;
    }
    EXPECT_STREQ(kPointNumberRangeMessage, "ポイント番号は１～９９９の範囲で設定してください。");
}

namespace {

// The first form of assignMissingPointNumbers: a walk of every layer map in order.
void assignMissingByWalk() {
    std::vector<CTrackControlItem*> numberless;
    for (int layer = 0; layer < kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *layerMap(layer)) {
            CTrackControlItem* point = tile->pointItem();
            if (point != nullptr && point->getNumber() == 0 && !isQueuedForDeletion(tile.get())) {
                numberless.push_back(point);
            }
        }
    }
    CTrackControlItem::assignFreeNumbers(numberless);
}

} // namespace

// The points are found without walking the board; they must get exactly the numbers the walk
// gives, whatever else holds a point item: numbered and numberless points on every layer,
// tiles queued for deletion, tiles off the board, loose items, items that stopped being points
// and points whose number was taken away again.
TEST_F(PointNumberTest, MissingNumbersGoWhereAWalkOfTheBoardPutsThem) {
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::vector<std::unique_ptr<CTrackControlItem>> loose;
        auto build = [&]() {
            deleteAllTiles();
            loose.clear();
            std::mt19937 random(seed);
            auto pick = [&](int n) {
                return static_cast<int>(random() % static_cast<unsigned>(n));
            };
            for (int i = 0; i < 300; ++i) {
                const int layer = pick(6) - 1; // −1: off the board
                const int column = pick(30);
                const int row = pick(30);
                CTrackItem* tile = layer < 0 ? createTile({static_cast<std::int16_t>(1000 + column),
                                                           static_cast<std::int16_t>(row)},
                                                          0)
                                             : getOrCreateTile({static_cast<std::int16_t>(column),
                                                                static_cast<std::int16_t>(row)},
                                                               layer);
                if (tile->pointItem() == nullptr) {
                    tile->addShape(1, LineKindTrack);
                    tile->addShape(2, LineKindTrack);
                }
                CTrackControlItem* point = tile->pointItem();
                ASSERT_NE(point, nullptr);
                switch (pick(7)) {
                case 0:
                    point->setNumber(1 + pick(999));
                    break;
                case 1:
                    point->setNumber(1 + pick(999));
                    point->releaseNumber();
                    break;
                case 2:
                    queueForDeletion(tile);
                    break;
                case 3: {
                    CTrackControlItem station(KindStation2);
                    point->copyFrom(station); // no longer a point, still filed as one
                    break;
                }
                case 4: {
                    // A station item that became a point, still filed as a station.
                    tile->addControlItem(KindStation1);
                    const CTrackControlItem other(KindPoint);
                    tile->findControlItem(KindStation1)->copyFrom(other);
                    break;
                }
                default:
                    break;
                }
                if (pick(8) == 0) {
                    loose.push_back(std::make_unique<CTrackControlItem>(KindPoint));
                }
            }
        };
        build();
        assignMissingByWalk();
        std::vector<std::string> byWalk;
        for (int layer = 0; layer < kTrackLayers; ++layer) {
            for (const auto& [key, tile] : *layerMap(layer)) {
                const CTrackControlItem* point = tile->pointItem();
                byWalk.push_back(std::to_string(key) + ":" +
                                 std::to_string(point != nullptr ? point->getNumber() : -1));
            }
        }
        build();
        assignMissingPointNumbers();
        std::vector<std::string> bySet;
        for (int layer = 0; layer < kTrackLayers; ++layer) {
            for (const auto& [key, tile] : *layerMap(layer)) {
                const CTrackControlItem* point = tile->pointItem();
                bySet.push_back(std::to_string(key) + ":" +
                                std::to_string(point != nullptr ? point->getNumber() : -1));
            }
        }
        EXPECT_EQ(bySet, byWalk);
        for (const auto& item : loose) {
            EXPECT_EQ(item->getNumber(), 0);
        }
        expectUniqueNumbers();
    }
}
