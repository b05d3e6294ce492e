// Joining straight runs of track quads: what joins, what must stay apart, and that a joined
// run covers the same ground with the same texture.
#include "render/QuadRuns.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/CTrackItem.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"

namespace {

using render::TrackMesh;
using render::TrackVertex;

// The meshes of the line of `shape` on a tile, moved `dx`, `dz` tiles, appended per look.
void addTile(std::vector<TrackMesh>& meshes, std::vector<model::Pt> points, float dx, float dz,
             render::SleeperForm form = render::SleeperForm::Strip) {
    model::CTrackItem* tile = model::createTile({1, 1}, 0);
    tile->getTrack().addLine(std::move(points), 1);
    const auto swept = render::sweepLine(*tile->lines().back(), 1, 1.0, 1.2, 0, form);
    model::deleteAllTiles();
    meshes.resize(std::max(meshes.size(), swept.size()));
    for (std::size_t m = 0; m < swept.size(); ++m) {
        meshes[m].texture = swept[m].texture;
        for (TrackVertex v : swept[m].quads) {
            v.x += dx;
            v.z += dz;
            meshes[m].quads.push_back(v);
        }
    }
}

double area(const std::vector<TrackVertex>& quads) {
    double sum = 0;
    for (std::size_t q = 0; q + 3 < quads.size(); q += 4) {
        for (int t : {1, 2}) {
            const TrackVertex& o = quads[q];
            const TrackVertex& a = quads[q + t];
            const TrackVertex& b = quads[q + t + 1];
            const double ax = a.x - o.x, ay = a.y - o.y, az = a.z - o.z;
            const double bx = b.x - o.x, by = b.y - o.y, bz = b.z - o.z;
            sum += std::hypot(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx) / 2;
        }
    }
    return sum;
}

TEST(QuadRuns, ARowOfStraightTilesBecomesOneQuadPerFace) {
    std::vector<TrackMesh> meshes;
    for (int c = 0; c < 8; ++c) {
        addTile(meshes, model::standardShapePoints(1), static_cast<float>(c), 0);
    }
    ASSERT_EQ(meshes.size(), 3u); // the sleeper strip, then the two rails
    for (const TrackMesh& mesh : meshes) {
        const auto joined = render::joinStraightRuns(mesh.quads, mesh.texture != 0, 1e-4);
        EXPECT_EQ(joined.size() * 8, mesh.quads.size()) << "eight tiles, one run per face";
        EXPECT_NEAR(area(joined), area(mesh.quads), 1e-6);
    }
    // The strip's sleeper coordinate runs on over the row: 11 sleepers a tile.
    const auto strip = render::joinStraightRuns(meshes[0].quads, true, 1e-4);
    ASSERT_EQ(strip.size(), 4u);
    float lowest = 1e9f, highest = -1e9f;
    for (const TrackVertex& v : strip) {
        lowest = std::min(lowest, v.u);
        highest = std::max(highest, v.u);
        EXPECT_FLOAT_EQ(v.v, meshes[0].quads[0].v) << "the sleepers' share is kept";
    }
    EXPECT_FLOAT_EQ(lowest, 0);
    EXPECT_FLOAT_EQ(highest, 88);
}

TEST(QuadRuns, CurvesGapsAndBrokenTexturesStayApart) {
    struct Case {
        const char* what;
        std::vector<TrackVertex> quads;
        bool textured;
    };
    std::vector<TrackMesh> curve;
    addTile(curve, model::standardShapePoints(3), 0, 0);
    const auto straight = model::standardShapePoints(1);
    std::vector<TrackMesh> gap;
    addTile(gap, straight, 0, 0);
    addTile(gap, straight, 1.01f, 0);
    std::vector<TrackMesh> bend; // the second tile's line leaves the joint at an angle
    addTile(bend, straight, 0, 0);
    addTile(bend, {{0, 20}, {40, 12}}, 1, 0);
    std::vector<TrackMesh> phase;
    addTile(phase, straight, 0, 0);
    addTile(phase, straight, 1, 0);
    for (std::size_t k = phase[0].quads.size() / 2; k < phase[0].quads.size(); ++k) {
        phase[0].quads[k].u += 0.5f; // the second tile's sleepers half a period on
    }
    const Case cases[] = {
        {"a curve's steps", curve[1].quads, false},
        {"tiles a hair apart", gap[1].quads, false},
        {"a bend at the joint", bend[1].quads, false},
        {"sleepers out of step", phase[0].quads, true},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.quads.empty()) << c.what;
        const auto joined = render::joinStraightRuns(c.quads, c.textured, 1e-4);
        EXPECT_EQ(joined.size(), c.quads.size()) << c.what;
    }
    // The same half-period shift joins when the texture does not count.
    EXPECT_EQ(render::joinStraightRuns(phase[0].quads, false, 1e-4).size() * 2,
              phase[0].quads.size());
}

} // namespace
