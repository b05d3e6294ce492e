// The swept geometry of track lines, checked without a graphics context: rail and sleeper
// positions, the winding of every face, bed sections and sloped lines.
#include "render/TrackGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"

namespace {

using render::TrackMesh;
using render::TrackVertex;

class TrackGeometry : public ::testing::Test {
protected:
    void TearDown() override { model::deleteAllTiles(); }

    model::LineItem& lineOf(int shape, int kind = 1) {
        model::CTrackItem* tile = model::createTile({1, 1}, 0);
        tile->getTrack().addLine(model::standardShapePoints(shape), kind);
        return *tile->lines().back();
    }
};

struct Extent {
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9, minZ = 1e9, maxZ = -1e9;
};

Extent extentOf(const std::vector<TrackVertex>& vertices, std::size_t first, std::size_t count) {
    Extent e;
    for (std::size_t i = first; i < first + count; ++i) {
        const TrackVertex& v = vertices[i];
        e.minX = std::min(e.minX, double(v.x));
        e.maxX = std::max(e.maxX, double(v.x));
        e.minY = std::min(e.minY, double(v.y));
        e.maxY = std::max(e.maxY, double(v.y));
        e.minZ = std::min(e.minZ, double(v.z));
        e.maxZ = std::max(e.maxZ, double(v.z));
    }
    return e;
}

TEST(TrackSleepers, CountFollowsTheLengthAndShortLinesHaveNone) {
    struct Case {
        double length;
        int sleepers;
    };
    const Case cases[] = {{40, 11}, {4.0, 0}, {4.5, 3}, {80, 20}, {0, 0}, {-5, 0}, {NAN, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(render::sleeperCount(c.length), c.sleepers) << c.length;
    }
}

TEST_F(TrackGeometry, AStraightRailLineHasTwoRailsAtTheGaugeAndSleepersAcrossThem) {
    const auto meshes = render::sweepLine(lineOf(1), 1, 1.0, 1.2, 0);
    ASSERT_EQ(meshes.size(), 3u); // sleepers, left rail, right rail
    // Sleepers: eleven bars, each 0.25 across (z) and one rail section along (x).
    const TrackMesh& sleepers = meshes[0];
    EXPECT_EQ(sleepers.colour, render::kSleeperColour);
    ASSERT_EQ(sleepers.quads.size(), 11u * 4 * 4);
    for (int i = 0; i < 11; ++i) {
        const Extent e = extentOf(sleepers.quads, i * 16, 16);
        EXPECT_NEAR(e.maxZ - e.minZ, 0.25, 1e-4) << i;
        EXPECT_NEAR((e.maxZ + e.minZ) / 2, 0.5, 1e-4) << i;
        EXPECT_NEAR(e.maxX - e.minX, 0.03125, 1e-3) << i;
        EXPECT_NEAR((e.maxX + e.minX) / 2, (i + 0.5) / 11.0, 1e-3) << i;
    }
    // Rails: continuous bars the length of the tile, centred 0.125 either side of the line.
    std::vector<double> centres;
    for (int r = 1; r <= 2; ++r) {
        const TrackMesh& rail = meshes[r];
        EXPECT_TRUE(rail.metal);
        EXPECT_EQ(rail.colour, render::kRailColour);
        const Extent e = extentOf(rail.quads, 0, rail.quads.size());
        EXPECT_NEAR(e.minX, 0, 1e-4);
        EXPECT_NEAR(e.maxX, 1, 1e-4);
        EXPECT_NEAR(e.maxZ - e.minZ, 0.03125, 1e-4);
        EXPECT_NEAR(e.maxY, 0, 1e-6); // the top lies at the line; the bed lift raises it
        EXPECT_NEAR(e.minY, -0.03125, 1e-6);
        centres.push_back((e.maxZ + e.minZ) / 2);
    }
    std::sort(centres.begin(), centres.end());
    EXPECT_NEAR(centres[0], 0.375, 1e-4);
    EXPECT_NEAR(centres[1], 0.625, 1e-4);
}

TEST_F(TrackGeometry, EveryFaceIsWoundCounterClockwiseTowardsItsOutwardNormal) {
    for (int shape = 1; shape <= 6; ++shape) {
        for (const int kind : {1, 2, 3, 4, 100, 101, 7}) {
            const auto meshes = render::sweepLine(lineOf(shape, kind), kind, 1.0, 1.2, 0);
            ASSERT_FALSE(meshes.empty()) << shape << " " << kind;
            for (const TrackMesh& mesh : meshes) {
                ASSERT_EQ(mesh.quads.size() % 4, 0u);
                for (std::size_t q = 0; q < mesh.quads.size(); q += 4) {
                    const TrackVertex& a = mesh.quads[q];
                    const TrackVertex& b = mesh.quads[q + 1];
                    const TrackVertex& c = mesh.quads[q + 2];
                    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
                    const double vx = c.x - b.x, vy = c.y - b.y, vz = c.z - b.z;
                    const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz,
                                 nz = ux * vy - uy * vx;
                    const double area = std::sqrt(nx * nx + ny * ny + nz * nz);
                    if (area < 1e-9) {
                        continue; // a face of a section with no height
                    }
                    EXPECT_GT((nx * a.nx + ny * a.ny + nz * a.nz) / area, 0.9)
                        << "shape " << shape << " kind " << kind << " quad " << q / 4;
                }
            }
        }
    }
}

TEST_F(TrackGeometry, BedSectionsFollowTheirKind) {
    struct Case {
        int kind;
        double width;
        double top;    // above the line
        double bottom; // above the line
        int texture;
    };
    const Case cases[] = {
        {2, 0.5, 0, -0.09375, 41},         {3, 0.75, 0, 0, 49},      {100, 0.125, 0.09375, 0, 40},
        {101, 0.25, 0.78125, 0.60625, 45}, {9, 0.5, 0, -0.09375, 0},
    };
    for (const Case& c : cases) {
        const auto meshes = render::sweepLine(lineOf(1, c.kind), c.kind, 1.0, 1.2, 0);
        ASSERT_EQ(meshes.size(), 1u) << c.kind;
        EXPECT_EQ(meshes[0].texture, c.texture) << c.kind;
        const Extent e = extentOf(meshes[0].quads, 0, meshes[0].quads.size());
        EXPECT_NEAR(e.maxZ - e.minZ, c.width, 1e-4) << c.kind;
        EXPECT_NEAR(e.maxY, c.top, 1e-4) << c.kind;
        EXPECT_NEAR(e.minY, c.bottom, 1e-4) << c.kind;
    }
}

TEST_F(TrackGeometry, HeightsComeFromTheLinePointsAndUnsetOnesFromTheTile) {
    model::LineItem& line = lineOf(1, 2);
    // Unset heights: the tile's level.
    auto flat = render::sweepLine(line, 2, 1.0, 1.2, 2.0);
    Extent e = extentOf(flat[0].quads, 0, flat[0].quads.size());
    EXPECT_NEAR(e.maxY, 2 * 1.2, 1e-4);
    // A ramp from level 0 to level 1 rises along the line.
    auto& points = line.points();
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i].height = static_cast<float>(i) / static_cast<float>(points.size() - 1);
    }
    auto ramp = render::sweepLine(line, 2, 1.0, 1.2, 0);
    const auto& quads = ramp[0].quads;
    float lowX = 1, highX = 0;
    for (const TrackVertex& v : quads) {
        if (std::abs(v.y) < 1e-3f) {
            lowX = std::min(lowX, v.x);
        }
        if (std::abs(v.y - 1.2f) < 1e-3f) {
            highX = std::max(highX, v.x);
        }
    }
    EXPECT_NEAR(lowX, 0, 1e-4);
    EXPECT_NEAR(highX, 1, 1e-4);
}

TEST_F(TrackGeometry, ALineWithoutTwoPointsGivesNothing) {
    model::CTrackItem* tile = model::createTile({2, 2}, 0);
    tile->getTrack().addLine({model::Pt(3, 4)}, 1);
    EXPECT_TRUE(render::sweepLine(*tile->lines().back(), 1, 1.0, 1.2, 0).empty());
}

} // namespace

namespace {

TEST_F(TrackGeometry, APierStandsAtTheMiddlePointUnderTheTrackTop) {
    struct Case {
        int lineKind;
        int elevationOffset;
        double extra; // added to the line height
    };
    const Case cases[] = {
        {1, 0, 0}, {1, 1, -0.1}, {2, 2, -0.1}, {101, 0, 0.78125}, {100, 0, 0.09375}};
    for (const Case& c : cases) {
        model::CTrackItem* tile = model::createTile({4, 4}, 1);
        tile->setElevationOffset(c.elevationOffset);
        tile->getTrack().addLine(model::standardShapePoints(1), c.lineKind);
        tile->setPierType(313);
        render::PierPlacement pier;
        ASSERT_TRUE(render::pierPlacement(*tile, 1.0, 1.2, pier)) << c.lineKind;
        EXPECT_EQ(pier.kind, 313);
        EXPECT_NEAR(pier.x, 0.5, 1e-9);
        EXPECT_NEAR(pier.z, 0.5, 1e-9);
        EXPECT_NEAR(pier.direction, 0, 1e-9);
        EXPECT_NEAR(pier.top, tile->level() * 1.2 + c.extra, 1e-9) << c.lineKind;
        model::deleteAllTiles();
    }
    model::CTrackItem* bare = model::createTile({4, 4}, 1);
    bare->getTrack().addLine(model::standardShapePoints(1), 1);
    render::PierPlacement none;
    EXPECT_FALSE(render::pierPlacement(*bare, 1.0, 1.2, none));
}

TEST(TaperedColumn, NarrowsUpwardsFacesOutwardsAndRepeatsItsTextureWithHeight) {
    const TrackMesh column = render::taperedColumn(2.4, 0, 0.4, 0.6, 51, 1.0);
    ASSERT_EQ(column.quads.size(), 5u * 4);
    EXPECT_EQ(column.texture, 51);
    const Extent top = extentOf(column.quads, 0, 4);
    EXPECT_NEAR(top.maxX - top.minX, 0.4, 1e-6);
    EXPECT_NEAR(top.minY, 2.4, 1e-6);
    const Extent all = extentOf(column.quads, 0, column.quads.size());
    EXPECT_NEAR(all.maxX - all.minX, 0.6, 1e-6);
    EXPECT_NEAR(all.minY, 0, 1e-6);
    float maxV = 0;
    for (std::size_t q = 0; q < column.quads.size(); q += 4) {
        const TrackVertex& a = column.quads[q];
        const TrackVertex& b = column.quads[q + 1];
        const TrackVertex& c = column.quads[q + 2];
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const double vx = c.x - b.x, vy = c.y - b.y, vz = c.z - b.z;
        const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
        EXPECT_GT(nx * a.nx + ny * a.ny + nz * a.nz, 0) << q / 4;
        // Outwards: the normal points away from the column's axis.
        const double cx = (a.x + c.x) / 2, cz = (a.z + c.z) / 2;
        EXPECT_GE(cx * a.nx + cz * a.nz, -1e-9) << q / 4;
        for (int k = 0; k < 4; ++k) {
            maxV = std::max(maxV, column.quads[q + k].v);
        }
    }
    EXPECT_NEAR(maxV, 2.4 / 0.6, 1e-5);
    EXPECT_TRUE(render::taperedColumn(1, 1, 0.4, 0.6, 31, 1.0).quads.empty());
    EXPECT_TRUE(render::taperedColumn(0.5, 2, 0.4, 0.6, 31, 1.0).quads.empty());
}

} // namespace

namespace {

TEST_F(TrackGeometry, AnArchedBodyReachesFromTheFootToTheTrackAndArchesBetweenTheEnds) {
    model::CTrackItem* tile = model::createTile({2, 2}, 1);
    tile->getTrack().addLine(model::standardShapePoints(1), 1);
    const model::LineItem& line = *tile->lines().back();
    const double top = tile->level() * 1.2;
    const TrackMesh body = render::archBody(line, 1.0, 1.2, tile->level(), 0, 0, 0.6, 0.8, 31);
    ASSERT_FALSE(body.quads.empty());
    EXPECT_EQ(body.texture, 31);
    const Extent all = extentOf(body.quads, 0, body.quads.size());
    EXPECT_NEAR(all.maxY, top, 1e-5);
    EXPECT_NEAR(all.minY, 0, 1e-5);
    EXPECT_NEAR(all.maxZ - all.minZ, 0.6, 1e-5);
    EXPECT_NEAR(all.maxX - all.minX, 1.0, 1e-5);
    // The underside (faces looking down) stands on the foot at the ends and rises in the
    // middle to the given share of the free height under the track.
    double lowestEnd = 1e9;
    double highestMiddle = -1e9;
    for (const TrackVertex& v : body.quads) {
        if (v.ny > -0.5) {
            continue;
        }
        if (v.x < 0.01 || v.x > 0.99) {
            lowestEnd = std::min(lowestEnd, double(v.y));
        } else {
            highestMiddle = std::max(highestMiddle, double(v.y));
        }
    }
    EXPECT_NEAR(lowestEnd, 0, 1e-5);
    EXPECT_NEAR(highestMiddle, (top - 0.15) * 0.8, 1e-3);
    // A foot above the track leaves nothing.
    EXPECT_TRUE(
        render::archBody(line, 1.0, 1.2, tile->level(), 0, top + 0.5, 0.6, 0.8, 31).quads.empty());
}

} // namespace
