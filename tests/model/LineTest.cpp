#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "model/CTrackItem.h"
#include "model/RampSpline.h"
#include "model/TrackHeights.h"
#include "model/TrackJoin.h"
#include "model/TrackTiles.h"

using namespace model;

namespace {

class LineTest : public ::testing::Test {
protected:
    void TearDown() override { deleteAllTiles(); }
};

std::vector<Pt> pts(std::initializer_list<std::pair<int, int>> points) {
    std::vector<Pt> result;
    for (auto [x, z] : points) {
        result.emplace_back(x, z);
    }
    return result;
}

CTrackItem* tileWith(TilePos pos, int layer, int shape, int kind = 1) {
    CTrackItem* tile = createTile(pos, layer);
    tile->getTrack().addLine(standardShapePoints(shape), kind);
    return tile;
}

double distanceToPolyline(const std::vector<Pt>& points, double x, double z) {
    double best = 1e9;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double ax = points[i - 1].x, az = points[i - 1].z;
        const double dx = points[i].x - ax, dz = points[i].z - az;
        const double t =
            std::clamp(((x - ax) * dx + (z - az) * dz) / (dx * dx + dz * dz), 0.0, 1.0);
        best = std::min(best, std::hypot(ax + t * dx - x, az + t * dz - z));
    }
    return best;
}

// A standard shape's points turned by (transform % 4) quarter turns, and mirrored left to
// right for transforms 4 … 7.
std::vector<Pt> turnedShape(int shape, int transform) {
    auto points = standardShapePoints(shape);
    for (Pt& p : points) {
        for (int r = 0; r < transform % 4; ++r) {
            p.rotate(90);
        }
        if (transform >= 4) {
            p.mirrorLeftRight();
        }
    }
    return points;
}

LineItem& firstLine(CTrackItem* tile) {
    return *tile->lines().front();
}

} // namespace

TEST_F(LineTest, StandardShapesInEveryOrientation) {
    const double lengths[7] = {0, 40, 31.4159, 43.7837, 6.6805, 41.3136, 49.8915};
    CTrackItem* tile = createTile({0, 0}, 0);
    for (int shape = 1; shape <= 6; ++shape) {
        for (int transform = 0; transform < 8; ++transform) {
            auto points = turnedShape(shape, transform);
            for (bool reversed : {false, true}) {
                if (reversed) {
                    std::reverse(points.begin(), points.end());
                }
                LineItem& line = tile->getTrack().setLine(points, 1);
                SCOPED_TRACE(testing::Message() << "shape " << shape << " transform " << transform
                                                << " reversed " << reversed);
                ASSERT_EQ(line.getShape(), shape);
                EXPECT_NEAR(line.length(), lengths[shape], 1e-3);
                // The curve's points (evenly spaced in its parameter, which the integer
                // points are not) lie on the integer polyline and end on the end points
                // (diagonal exits at 4.72 instead of 4).
                for (std::size_t i = 0; i < points.size(); ++i) {
                    const Pt& p = line.points()[i];
                    EXPECT_LT(distanceToPolyline(line.points(), p.X, p.Z), 1.6) << i;
                }
                for (const Pt* end : {&line.points().front(), &line.points().back()}) {
                    EXPECT_NEAR(end->X, end->x, 0.73);
                    EXPECT_NEAR(end->Z, end->z, 0.73);
                }
            }
        }
    }
}

TEST_F(LineTest, NamedCurvesAndEvaluation) {
    CTrackItem* tile = createTile({0, 0}, 0);
    LineItem& reversed = tile->getTrack().addLine(pts({{40, 20}, {20, 20}, {0, 20}}), 1);
    EXPECT_EQ(reversed.getShape(), 1);
    EXPECT_EQ(reversed.getCurve().rotation, 180);
    EXPECT_NEAR(reversed.localPoint(0).x, 40, 1e-6);
    EXPECT_NEAR(reversed.localPoint(0.5).x, 30, 1e-6);
    EXPECT_NEAR(reversed.localPoint(2).x, 0, 1e-6);
    EXPECT_NEAR(reversed.localPoint(1).z, 20, 1e-6);

    LineItem& quarter = tile->getTrack().addLine(pts({{20, 0}, {12, 17}, {0, 20}}), 1);
    EXPECT_EQ(quarter.getShape(), 2);
    EXPECT_NEAR(quarter.localPoint(0).x, 20, 1e-6);
    EXPECT_NEAR(quarter.localPoint(0).z, 0, 1e-6);
    // Halfway along the quarter circle about (0, 0) of radius 20.
    EXPECT_NEAR(quarter.localPoint(1).x, 20 * std::sqrt(0.5), 1e-4);

    EXPECT_NEAR(tile->getTrack().addLine(pts({{0, 4}, {4, 0}}), 1).length(), 6.6805, 1e-4);
    LineItem& diagonal = tile->getTrack().addLine(pts({{4, 40}, {40, 4}}), 1);
    EXPECT_EQ(diagonal.getShape(), 6);
    EXPECT_NEAR(diagonal.length(), 49.8915, 1e-4);
    EXPECT_NEAR(diagonal.distanceAt(0.5), 49.8915 / 2, 1e-4);
    EXPECT_NEAR(diagonal.indexAt(49.8915), 1.0, 1e-4);

    LineItem& odd = tile->getTrack().addLine(pts({{9, 20}, {20, 25}, {40, 20}}), 1);
    EXPECT_EQ(odd.getShape(), 0);
    EXPECT_EQ(odd.points()[1].X, 20);
    EXPECT_EQ(odd.points()[1].Z, 25);
    EXPECT_NEAR(odd.localPoint(0.5).x, 14.5, 1e-9);
}

// Lines with the same integer points share their shape, curve and 3D points, whatever was
// computed in between: every line here, made in several orders (more distinct lists than are
// remembered, lists that differ only inside, lists that share a start, one too long to be
// remembered), matches the computation from its points exactly.
TEST_F(LineTest, GeometryIsTheSameForTheSamePointsInAnyOrder) {
    std::vector<std::vector<Pt>> lists;
    for (int shape = 1; shape <= 6; ++shape) {
        for (int transform = 0; transform < 8; ++transform) {
            auto points = turnedShape(shape, transform);
            lists.push_back(points);
            std::reverse(points.begin(), points.end());
            lists.push_back(points);
        }
    }
    for (int middle = 0; middle <= 40; middle += 5) {
        lists.push_back(pts({{9, 20}, {20, middle}, {40, 20}}));
        lists.push_back(pts({{0, 20}, {20, middle}, {40, 20}}));
    }
    lists.push_back(pts({{0, 20}, {20, 20}}));
    lists.push_back(pts({{0, 20}}));
    lists.push_back({});
    std::vector<Pt> longList;
    for (int i = 0; i <= 80; ++i) {
        longList.emplace_back(i / 2, 20 + (i % 3));
    }
    lists.push_back(longList);

    const auto check = [](const LineItem& line, const std::vector<Pt>& points) {
        const int shape = points.size() < 2 ? -1 : shapeFromEnds(points.front(), points.back());
        CurveBlock curve;
        const bool fitted = CurveBlock::build(shape, points, curve);
        const int expectedShape = !fitted && shape > 0 ? 0 : shape;
        ASSERT_EQ(line.getShape(), expectedShape);
        EXPECT_EQ(line.length(), curve.length);
        EXPECT_EQ(line.getCurve().rotation, curve.rotation);
        EXPECT_EQ(line.getCurve().mirrorX, curve.mirrorX);
        EXPECT_EQ(line.getCurve().reversed, curve.reversed);
        ASSERT_EQ(line.points().size(), points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            double x = points[i].x;
            double z = points[i].z;
            if (expectedShape > 0) {
                curve.evaluate(expectedShape, static_cast<double>(i) / (points.size() - 1), x, z);
            }
            EXPECT_EQ(line.points()[i].X, x) << "point " << i;
            EXPECT_EQ(line.points()[i].Z, z) << "point " << i;
        }
    };
    CTrackItem* tile = createTile({0, 0}, 0);
    std::vector<std::size_t> order(lists.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::vector<std::size_t> reversed(order.rbegin(), order.rend());
    std::vector<std::size_t> strided;
    for (std::size_t start = 0; start < 7; ++start) {
        for (std::size_t i = start; i < order.size(); i += 7) {
            strided.push_back(i);
        }
    }
    for (const auto* run : {&order, &reversed, &strided}) {
        for (std::size_t i : *run) {
            SCOPED_TRACE(testing::Message() << "list " << i);
            check(tile->getTrack().setLine(lists[i], 1), lists[i]);
        }
    }
    // A line given other points takes their geometry, not the one it had.
    LineItem& line = tile->getTrack().setLine(lists[0], 1);
    for (std::size_t i : strided) {
        SCOPED_TRACE(testing::Message() << "points of list " << i);
        line.setPoints(lists[i]);
        check(line, lists[i]);
    }
}

TEST(ShapeRecognition, TableOfEnds) {
    struct Case {
        int sx, sz, ex, ez, shape;
    };
    const Case cases[] = {
        {0, 20, 40, 20, 1}, {20, 40, 20, 0, 1}, {0, 20, 20, 0, 2}, {40, 20, 20, 40, 2},
        {0, 20, 40, 4, 3},  {40, 36, 0, 20, 3}, {0, 4, 4, 0, 4},   {36, 40, 40, 36, 4},
        {4, 40, 40, 20, 5}, {4, 40, 40, 4, 6},  {36, 0, 0, 36, 6}, {0, 9, 40, 20, 0},
        {13, 0, 20, 40, 0}, {0, 20, 31, 40, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shapeFromEnds(Pt(c.sx, c.sz), Pt(c.ex, c.ez)), c.shape)
            << c.sx << "," << c.sz << " → " << c.ex << "," << c.ez;
    }
}

TEST_F(LineTest, JoinsAcrossBordersByKind) {
    struct Case {
        int kindA, kindB;
        bool joins;
    };
    for (const Case c :
         {Case{1, 1, true}, Case{1, 100, false}, Case{100, 100, true}, Case{100, 101, false},
          Case{2, 4, true}, Case{3, 1, false}, Case{101, 101, true}}) {
        LineItem& a = firstLine(tileWith({0, 0}, 0, 1, c.kindA));
        LineItem& b = firstLine(tileWith({1, 0}, 0, 1, c.kindB));
        const TrackPosition next = nextLine(a, false);
        EXPECT_EQ(next.line == &b, c.joins) << c.kindA << "/" << c.kindB;
        deleteAllTiles();
    }
}

TEST_F(LineTest, EntersForwardsOrBackwardsAndAcrossLayers) {
    LineItem& a = firstLine(tileWith({1, 1}, 0, 1));
    CTrackItem* right = createTile({2, 1}, 1);
    LineItem& b = right->getTrack().addLine(pts({{40, 20}, {20, 20}, {0, 20}}), 1);
    const TrackPosition forward = nextLine(a, false);
    EXPECT_EQ(forward.line, &b);
    EXPECT_EQ(forward.backward, 1);
    EXPECT_EQ(forward.pointIndex, 2);
    // From the elevated line back down onto the ground line, entered at its last point.
    const TrackPosition back = nextLine(b, false);
    EXPECT_EQ(back.line, &a);
    EXPECT_EQ(back.backward, 1);
    // Nothing to the left of the ground tile.
    EXPECT_FALSE(nextLine(a, true));
}

TEST_F(LineTest, LongDiagonalsJoinOnlyDiagonalNeighbours) {
    LineItem& lower = firstLine(tileWith({0, 1}, 0, 6)); // ends at (40, 4)
    LineItem& upper = firstLine(tileWith({1, 0}, 0, 6)); // starts at (4, 40)
    const TrackPosition next = nextLine(lower, false);
    EXPECT_EQ(next.line, &upper);
    EXPECT_EQ(next.backward, 0);
    EXPECT_EQ(nextLine(upper, true).line, &lower);
    deleteAllTiles();

    // A transition curve on the orthogonal neighbour meets the diagonal's end exactly, but a
    // long diagonal never joins there.
    LineItem& diagonal = firstLine(tileWith({0, 1}, 0, 6));
    CTrackItem* side = createTile({1, 1}, 0);
    side->getTrack().addLine(pts({{0, 4}, {20, 10}, {40, 20}}), 1);
    EXPECT_FALSE(nextLine(diagonal, false));
}

TEST_F(LineTest, PointStateChoosesTheSecondBranch) {
    LineItem& a = firstLine(tileWith({0, 0}, 0, 1));
    CTrackItem* point = createTile({1, 0}, 0);
    point->addShape(1, 1);
    point->addShape(2, 1);
    ASSERT_NE(point->pointItem(), nullptr);
    EXPECT_EQ(nextLine(a, false).line, point->lines()[0].get());
    point->pointItem()->setOccupant(1);
    a.dropLinks();
    EXPECT_EQ(nextLine(a, false).line, point->lines()[1].get());
}

TEST_F(LineTest, RandomChoiceAmongSecondNetworkIsRepeatable) {
    LineItem& a = firstLine(tileWith({0, 0}, 0, 1, 2));
    CTrackItem* junction = createTile({1, 0}, 0);
    junction->addShape(1, 3);
    junction->addShape(2, 4);
    auto sequence = [&](std::uint32_t seed) {
        seedLineRandom(seed);
        std::vector<const LineItem*> chosen;
        for (int i = 0; i < 20; ++i) {
            chosen.push_back(findNextLine(a, false).line);
        }
        return chosen;
    };
    const auto first = sequence(7);
    EXPECT_EQ(first, sequence(7));
    EXPECT_NE(std::count(first.begin(), first.end(), junction->lines()[0].get()), 0);
    EXPECT_NE(std::count(first.begin(), first.end(), junction->lines()[1].get()), 0);
}

TEST_F(LineTest, LinksAreCachedAndDroppedOrInvalidated) {
    CTrackItem* left = tileWith({0, 0}, 0, 1);
    LineItem& a = firstLine(left);
    CTrackItem* right = tileWith({1, 0}, 0, 1);
    EXPECT_EQ(nextLine(a, false).line, &firstLine(right));
    EXPECT_EQ(a.endLink().line, &firstLine(right));
    left->rotate90();
    EXPECT_FALSE(a.endLink());
    left->rotate90();
    left->rotate90();
    left->rotate90();
    ASSERT_TRUE(nextLine(a, false));
    // Deleting or reshaping a neighbour drops the links into it.
    right->setShape(2);
    EXPECT_FALSE(a.endLink());
    right->setShape(1);
    ASSERT_TRUE(nextLine(a, false));
    deleteTile(right);
    EXPECT_FALSE(a.endLink());
    EXPECT_FALSE(nextLine(a, false));
    // A stale cached link (a line deleted behind the cache's back) reads as absent.
    CTrackItem* other = tileWith({1, 0}, 0, 1);
    a.setEndLink(TrackPosition{&firstLine(other), 0, 0});
    other->getTrack().deleteLines();
    EXPECT_FALSE(nextLine(a, false));
}

TEST_F(LineTest, JunctionHeightsAndGroundHeight) {
    CTrackItem* ground = tileWith({0, 0}, 0, 1);
    CTrackItem* bridge = tileWith({1, 0}, 1, 1);
    tileWith({2, 0}, 0, 1);
    double a = -1, b = -1;
    junctionHeights(firstLine(bridge), a, b);
    EXPECT_DOUBLE_EQ(a, 0.5);
    EXPECT_DOUBLE_EQ(b, 0.5);
    afterEdit();
    for (double index = 0; index <= 8; index += 0.5) {
        EXPECT_EQ(firstLine(ground).heightAt(index), 0.0);
    }
}

TEST_F(LineTest, RampFromGroundToLayerTwoRisesMonotonically) {
    const int layers[] = {0, 1, 1, 2, 2, 2};
    std::vector<CTrackItem*> tiles;
    for (int column = 0; column < 6; ++column) {
        tiles.push_back(tileWith({static_cast<std::int16_t>(column), 0}, layers[column], 1));
    }
    afterEdit();
    double previous = -1;
    for (CTrackItem* tile : tiles) {
        LineItem& line = firstLine(tile);
        for (int i = 0; i <= line.lastIndex(); ++i) {
            const double h = line.heightAt(i);
            EXPECT_GE(h, previous - 1e-9) << tile->getPosition().column << ":" << i;
            previous = h;
        }
    }
    EXPECT_NEAR(firstLine(tiles[0]).heightAt(0), 0.0, 1e-6);
    EXPECT_NEAR(firstLine(tiles[3]).heightAt(8), 2.0, 1e-6);
    EXPECT_NEAR(firstLine(tiles[5]).heightAt(8), 2.0, 1e-6);
    EXPECT_NEAR(firstLine(tiles[1]).heightAt(0), 0.5, 1e-6);
    // Stored heights agree with the ramp.
    EXPECT_NEAR(firstLine(tiles[2]).points()[4].height, firstLine(tiles[2]).heightAt(4), 1e-5);
}

TEST_F(LineTest, RampSplinesAreSharedAndCounted) {
    const std::size_t before = ramps::liveCount();
    for (int column = 0; column < 6; ++column) {
        tileWith({static_cast<std::int16_t>(column), 0}, column == 0 || column == 5 ? 0 : 1, 1);
    }
    auto usersOf = [] {
        std::map<const RampSpline*, int> users;
        for (int layer = 0; layer < 2; ++layer) {
            for (const auto& [key, tile] : *layerMap(layer)) {
                if (const RampSpline* spline = tile->lines().front()->ramp()) {
                    ++users[spline];
                }
            }
        }
        return users;
    };
    for (int round = 0; round < 2; ++round) {
        afterEdit(); // the second round releases every spline of the first
        const auto users = usersOf();
        EXPECT_EQ(ramps::liveCount(), before + users.size());
        for (const auto& [spline, count] : users) {
            EXPECT_EQ(ramps::userCount(spline), count);
        }
        // The middle of the viaduct shares one spline with its neighbours.
        EXPECT_EQ(firstLine(tileAt(1, {2, 0})).ramp(), firstLine(tileAt(1, {3, 0})).ramp());
    }
    deleteAllTiles();
    EXPECT_EQ(ramps::liveCount(), before);
}

TEST_F(LineTest, DownConnectionsOfAViaductEnd) {
    tileWith({0, 0}, 0, 1);
    CTrackItem* end = tileWith({1, 0}, 1, 1);
    CTrackItem* middle = tileWith({2, 0}, 1, 1);
    NeighbourFlags flags;
    EXPECT_TRUE(end->downConnections(flags));
    EXPECT_EQ(flags, (NeighbourFlags{true, false, false, false, false, false, false, false}));
    EXPECT_FALSE(middle->downConnections(flags));
    EXPECT_FALSE(end->downIntoCovered(flags));
}

TEST(RampSplineFit, NaturalCubicThroughControlPoints) {
    RampSpline linear({{0, 0, 0}, {1, 2, 0}, {2, 4, 0}, {3, 6, 0}});
    EXPECT_NEAR(linear.at(1.5).y, 3.0, 1e-12);
    EXPECT_NEAR(linear.at(2.25).x, 2.25, 1e-12);
    RampSpline bump({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 0, 0}, {4, 2, 0}});
    for (int i = 0; i <= 4; ++i) {
        EXPECT_NEAR(bump.at(i).y, (std::array<double, 5>{0, 1, 0, 0, 2})[i], 1e-12);
    }
    EXPECT_NEAR(bump.at(-3).y, 0.0, 1e-12); // clamped to the range
}

TEST_F(LineTest, ViaductBetweenGroundTilesRampsDownAtBothEnds) {
    std::vector<CTrackItem*> tiles;
    for (int column = 0; column < 6; ++column) {
        const int layer = column == 0 || column == 5 ? 0 : 1;
        tiles.push_back(tileWith({static_cast<std::int16_t>(column), 0}, layer, 1));
    }
    afterEdit();
    auto h = [&](int column, double index) { return firstLine(tiles[column]).heightAt(index); };
    EXPECT_NEAR(h(0, 0), 0.0, 1e-6);
    EXPECT_NEAR(h(1, 0), 0.5, 1e-6);
    EXPECT_NEAR(h(1, 8), 1.0, 1e-6);
    EXPECT_NEAR(h(2, 4), 1.0, 0.05);
    EXPECT_NEAR(h(3, 4), 1.0, 0.05);
    EXPECT_NEAR(h(4, 8), 0.5, 1e-6);
    EXPECT_NEAR(h(5, 8), 0.0, 1e-6);
    for (int column = 0; column < 6; ++column) {
        for (int i = 0; i <= 8; ++i) {
            EXPECT_GE(h(column, i), 0.0);
            EXPECT_LE(h(column, i), 1.05);
        }
    }
}

TEST_F(LineTest, DeletingALayerDropsLinksIntoIt) {
    LineItem& ground = firstLine(tileWith({0, 0}, 0, 1));
    tileWith({1, 0}, 1, 1);
    ASSERT_TRUE(nextLine(ground, false));
    deleteLayerTiles(1, false);
    EXPECT_FALSE(ground.endLink());
    EXPECT_FALSE(nextLine(ground, false));
}

// Searches are remembered between track changes: every kind of change must still be seen by
// the next search, and a point's branch is never remembered.
TEST_F(LineTest, FreshSearchesSeeEveryTrackChange) {
    LineItem& a = firstLine(tileWith({0, 0}, 0, 1));
    CTrackItem* right = tileWith({1, 0}, 0, 1);
    ASSERT_EQ(findNextLine(a, false).line, right->lines()[0].get());
    // The neighbour deleted: nothing follows, and the address is no longer a line.
    const void* gone = right->lines()[0].get();
    ASSERT_NE(validLine(gone), nullptr);
    ASSERT_TRUE(deleteTile(right));
    EXPECT_EQ(validLine(gone), nullptr);
    EXPECT_FALSE(findNextLine(a, false));
    // A new neighbour on the layer above.
    CTrackItem* above = tileWith({1, 0}, 1, 1);
    EXPECT_EQ(findNextLine(a, false).line, above->lines()[0].get());
    // Its line turned away from the joint.
    above->lines()[0]->setPoints(standardShapePoints(2));
    above->lines()[0]->rotate90();
    above->lines()[0]->rotate90();
    EXPECT_FALSE(findNextLine(a, false));
    // The searching line's kind changed: it no longer joins the point's track, then again.
    LineItem& b = firstLine(tileWith({2, 0}, 0, 1));
    CTrackItem* point = createTile({3, 0}, 0);
    point->addShape(1, 1);
    point->addShape(2, 1);
    ASSERT_NE(point->pointItem(), nullptr);
    EXPECT_EQ(findNextLine(b, false).line, point->lines()[0].get());
    b.setKind(LineKindThird);
    EXPECT_FALSE(findNextLine(b, false));
    b.setKind(LineKindTrack);
    EXPECT_EQ(findNextLine(b, false).line, point->lines()[0].get());
    // A point: the branch follows its occupant on every search.
    point->pointItem()->setOccupant(1);
    EXPECT_EQ(findNextLine(b, false).line, point->lines()[1].get());
    point->pointItem()->setOccupant(0);
    EXPECT_EQ(findNextLine(b, false).line, point->lines()[0].get());
}
