// The terrain grid without a graphics context: heights from patches and levelled tiles, the
// ground height query, vertex colours, the merged surface, and the shadow projection.
#include "render/Terrain.h"

#include <gtest/gtest.h>

#include <cmath>

#include "render/ShadowProjection.h"

namespace {

using render::LevelledTile;
using render::Terrain;
using render::TerrainColours;
using render::TerrainPatch;

TerrainPatch constantPatch(int c0, int r0, int c1, int r1, double height, bool hollow = false) {
    TerrainPatch patch{c0, r0, c1, r1, hollow, nullptr};
    // Height inside, 0 on the border of the patch's tile range (as landscape items meet the
    // ground).
    patch.height = [=](double x, double z) {
        const bool inside = x > c0 && x < c1 + 1 && z > r0 && z < r1 + 1;
        return inside ? height : 0.0;
    };
    return patch;
}

TEST(Terrain, GroundHeightInterpolatesInsideAndIsZeroOutside) {
    Terrain terrain;
    TerrainPatch ramp{0, 0, 3, 3, false, [](double x, double) { return x; }};
    terrain.build(4, 4, {ramp}, {}, 1.2);
    struct Case {
        double x, z, expected;
    };
    for (const Case& c : {Case{0.0, 0.0, 0.0}, Case{1.0, 2.0, 1.0}, Case{1.1, 2.3, 1.1},
                          Case{4.0, 2.0, 4.0}, Case{4.0, 4.0, 4.0}, Case{4.001, 2.0, 0.0},
                          Case{-0.001, 2.0, 0.0}, Case{2.0, 4.001, 0.0}, Case{2.0, -1.0, 0.0}}) {
        EXPECT_NEAR(terrain.groundHeightAt(c.x, c.z), c.expected, 1e-5) << c.x << ", " << c.z;
    }
    EXPECT_NEAR(terrain.highest(), 4.0, 1e-6);
    EXPECT_EQ(terrain.lowest(), 0.0);
}

TEST(Terrain, HillsKeepTheHigherAndHollowsTheLowerHeight) {
    Terrain terrain;
    terrain.build(10, 10,
                  {constantPatch(1, 1, 4, 4, 2.0), constantPatch(3, 3, 6, 6, 1.0),
                   constantPatch(4, 4, 5, 5, -0.5, true), constantPatch(8, 8, 8, 8, -1.0, true)},
                  {}, 1.2);
    EXPECT_NEAR(terrain.groundHeightAt(2.5, 2.5), 2.0, 1e-6);
    EXPECT_NEAR(terrain.groundHeightAt(3.5, 3.5), 2.0, 1e-6); // the lower hill does not cut
    EXPECT_NEAR(terrain.groundHeightAt(6.5, 6.5), 1.0, 1e-6);
    EXPECT_NEAR(terrain.groundHeightAt(4.5, 4.5), -0.5, 1e-6); // the hollow sinks the hills
    EXPECT_NEAR(terrain.groundHeightAt(8.5, 8.5), -1.0, 1e-6);
    EXPECT_NEAR(terrain.lowest(), -1.0, 1e-6);
    EXPECT_EQ(terrain.groundHeightAt(0.5, 8.5), 0.0);
}

TEST(Terrain, TrackTilesAreLevelledUnderOpenTrackAndRaisedOverTunnels) {
    Terrain terrain;
    terrain.build(8, 8, {constantPatch(0, 0, 7, 7, 0.5)},
                  {LevelledTile{2, 2, true}, LevelledTile{5, 5, false}, LevelledTile{99, 2, true}},
                  1.2);
    for (const auto& [x, z] : {std::pair{2.0, 2.0}, std::pair{2.5, 2.5}, std::pair{3.0, 3.0}}) {
        EXPECT_NEAR(terrain.groundHeightAt(x, z), 1.2, 1e-6) << x;
    }
    for (const auto& [x, z] : {std::pair{5.0, 5.0}, std::pair{5.5, 5.25}, std::pair{6.0, 6.0}}) {
        EXPECT_EQ(terrain.groundHeightAt(x, z), 0.0) << x;
    }
    EXPECT_NEAR(terrain.groundHeightAt(1.5, 5.5), 0.5, 1e-6);
}

TEST(Terrain, VertexColoursFollowTheHeight) {
    TerrainColours colours;
    colours.ground = {1000, 2000, 3000};
    colours.hillHigh = {60000, 0, 10000};
    colours.hillLow = {1, 40001, 10000};
    colours.hollow = {50000, 50000, 0};
    struct Case {
        double y, highest, lowest;
        TerrainColours::Colour expected;
    };
    const Case cases[] = {
        {0.0, 2.0, -1.0, colours.ground},
        {1.5, 2.0, -1.0, colours.hillHigh},       // above half the highest
        {0.5, 2.0, -1.0, {15000, 30000, 10000}},  // t = 0.25 from hill low
        {1.0, 2.0, -1.0, {30000, 20000, 10000}},  // t = 0.5 still blends
        {-0.75, 2.0, -1.0, colours.hollow},       // below half the lowest
        {-0.25, 2.0, -1.0, {13250, 14000, 2250}}, // t = 0.25 from ground
        {0.3, 0.0, 0.0, colours.ground},          // no range: ground
        {0.125, 1.0, 0.0, {7500, 35000, 10000}},  // 7500.875 and 35000.875 truncated
    };
    for (const Case& c : cases) {
        const auto rgb = Terrain::vertexColour(c.y, c.highest, c.lowest, colours);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(rgb[k], c.expected[k] / 65535.0f, 0.5f / 65535.0f)
                << "y " << c.y << " component " << k;
        }
    }
}

// The surface must cover the whole board exactly once, however the flat tiles are merged.
double coveredArea(const std::vector<render::TerrainVertex>& v) {
    double area = 0;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) {
        const double ax = v[i + 1].x - v[i].x, az = v[i + 1].z - v[i].z;
        const double bx = v[i + 2].x - v[i].x, bz = v[i + 2].z - v[i].z;
        const double cross = az * bx - ax * bz; // positive when counter-clockwise from above
        EXPECT_GT(cross, 0) << "triangle " << i / 3 << " faces down";
        area += cross / 2;
    }
    return area;
}

TEST(Terrain, FlatTilesMergeAndTheSurfaceCoversTheBoardOnce) {
    struct Case {
        int columns, rows;
        std::vector<TerrainPatch> patches;
        std::size_t detailed;
    };
    const Case cases[] = {
        {1, 1, {}, 0},
        {7, 3, {constantPatch(2, 1, 3, 1, 1.0)}, 2},
        {999, 999, {constantPatch(500, 600, 509, 609, 3.0)}, 100},
    };
    for (const Case& c : cases) {
        Terrain terrain;
        terrain.build(c.columns, c.rows, c.patches, {}, 1.2);
        EXPECT_EQ(terrain.detailedTiles(), c.detailed) << c.columns;
        const auto triangles = terrain.triangles({});
        EXPECT_NEAR(coveredArea(triangles), static_cast<double>(c.columns) * c.rows, 1e-3);
        // 32 triangles per detailed tile, and a handful of rectangles for the flat rest.
        EXPECT_LE(triangles.size() / 3, c.detailed * 32 + 16) << c.columns;
    }
    // Memory follows the hills: far below a full grid of the big board (16 million heights).
    Terrain big;
    big.build(999, 999, {constantPatch(0, 0, 9, 9, 1.0)}, {}, 1.2);
    EXPECT_LT(big.memoryBytes(), std::size_t{8} << 20);
}

TEST(ShadowProjection, MatrixAndPointAgreeAndKeepThePlaneFixed) {
    const render::Vec3 light{3.0, 10.0, -2.0};
    const double h = 0.015625;
    const auto m = render::shadowProjectionMatrix(light, h);
    ASSERT_TRUE(m);
    auto apply = [&](const render::Vec3& p) {
        const double* a = m->data();
        const double x = a[0] * p.x + a[4] * p.y + a[8] * p.z + a[12];
        const double y = a[1] * p.x + a[5] * p.y + a[9] * p.z + a[13];
        const double z = a[2] * p.x + a[6] * p.y + a[10] * p.z + a[14];
        const double w = a[3] * p.x + a[7] * p.y + a[11] * p.z + a[15];
        return render::Vec3{x / w, y / w, z / w};
    };
    struct Case {
        render::Vec3 p;
        render::Vec3 expected;
    };
    const Case cases[] = {
        {{1, h, 1}, {1, h, 1}},           // on the plane: unmoved
        {{-7, h, 40}, {-7, h, 40}},       // on the plane, far away
        {{3, 5.0078125, -2}, {3, h, -2}}, // straight under the light
        // Half way down to the plane: twice as far out from the light's foot.
        {{4, 5.0078125, 0}, {5, h, 2}},
    };
    for (const Case& c : cases) {
        const auto point = render::projectShadowPoint(light, h, c.p);
        ASSERT_TRUE(point);
        const render::Vec3 byMatrix = apply(c.p);
        for (const auto& [got, want] :
             {std::pair{point->x, c.expected.x}, std::pair{point->y, c.expected.y},
              std::pair{point->z, c.expected.z}, std::pair{byMatrix.x, c.expected.x},
              std::pair{byMatrix.y, c.expected.y}, std::pair{byMatrix.z, c.expected.z}}) {
            EXPECT_NEAR(got, want, 1e-9);
        }
    }
}

TEST(ShadowProjection, NoProjectionFromALightOnOrBelowThePlane) {
    for (const double ly : {0.015625, 0.0160, -1.0}) {
        EXPECT_FALSE(render::shadowProjectionMatrix({0, ly, 0}, 0.015625)) << ly;
        EXPECT_FALSE(render::projectShadowPoint({0, ly, 0}, 0.015625, {1, 0.0, 1})) << ly;
    }
    // A point at or above the light casts no shadow.
    EXPECT_FALSE(render::projectShadowPoint({0, 4, 0}, 0, {1, 4, 1}));
    EXPECT_TRUE(render::shadowProjectionMatrix({0, 0.017, 0}, 0.015625));
}

} // namespace
