#include "tools/datagen/ModelKit.h"
#include "items/geometry/CIndexedFaceSet.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using datagen::ModelKit;
using items::Vec3d;

Vec3d centreOfFace(const items::CIndexedFaceSet& faces, std::span<const std::int32_t> face) {
    Vec3d sum;
    for (const std::int32_t i : face) {
        const Vec3d p = faces.point(static_cast<std::size_t>(i));
        sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
    }
    const double n = static_cast<double>(face.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

// Every face of a closed convex solid centred at `centre` faces away from the centre.
void expectOutwardNormals(const items::CIndexedFaceSet& faces, const Vec3d& centre) {
    std::vector<std::int32_t> face;
    int count = 0;
    for (const std::int32_t index : faces.coordIndices()) {
        if (index >= 0) {
            face.push_back(index);
            continue;
        }
        ASSERT_TRUE(face.size() == 3 || face.size() == 4);
        std::vector<Vec3d> points;
        for (const std::int32_t i : face) {
            points.push_back(faces.point(static_cast<std::size_t>(i)));
        }
        const Vec3d normal = items::CIndexedFaceSet::faceNormal(points);
        const Vec3d c = centreOfFace(faces, face);
        const double outward =
            normal.x * (c.x - centre.x) + normal.y * (c.y - centre.y) + normal.z * (c.z - centre.z);
        EXPECT_GT(outward, 0.0) << "face " << count;
        face.clear();
        ++count;
    }
    EXPECT_GT(count, 3);
}

TEST(ModelKit, SolidsHaveOutwardNormalsAndTheirColour) {
    items::C3DObject root;
    ModelKit kit(root);
    kit.box({1, 0, 0}, {1, 2, 3}, {4, 5, 6});
    kit.cylinder({0, 1, 0}, ModelKit::Axis::X, {0, 0, 0}, 2, 8, 12);
    kit.cone({0, 0, 1}, ModelKit::Axis::Y, {0, 0, 0}, 3, 0, 6, 10);  // apex above: centre lower
    kit.cone({0, 0, 1}, ModelKit::Axis::Z, {0, 0, 0}, 3, 1, -6, 10); // built towards -z
    kit.wedge({1, 1, 0}, {0, 0, 0}, {10, 4, 2}, 1, true);
    kit.roof({1, 0, 1}, {0, 0, 0}, {10, 0, 6}, 5, 3);
    kit.sphere({0, 1, 1}, {1, 1, 1}, 2, 6);
    kit.bar({0.5, 0.5, 0.5}, {0, 0, 0}, {3, 4, 0}, 1, 2);
    const Vec3d centres[] = {{1, 2, 3},   {0, 0, 0}, {0, 1.5, 0}, {0, 0, -2},
                             {5, 1.5, 1}, {5, 6, 3}, {1, 1, 1},   {1.5, 2, 0}};
    ASSERT_EQ(root.children().size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const items::C3DObject& node = *root.children()[i];
        ASSERT_NE(node.faceSet(), nullptr);
        expectOutwardNormals(*node.faceSet(), centres[i]);
    }
    EXPECT_EQ(root.children()[0]->colour()[0], 1.0);
    EXPECT_EQ(root.children()[0]->colour()[1], 0.0);
    const items::BoundingBox box = root.children()[0]->localBounds();
    EXPECT_EQ(box.min.x, -1.0);
    EXPECT_EQ(box.max.z, 6.0);
}

TEST(ModelKit, GroupsMoveAndScaleTheirSolids) {
    items::C3DObject root;
    ModelKit kit(root);
    kit.beginGroup({10, 0, 0}, {1, 2, 1});
    kit.box({1, 1, 1}, {0, 1, 0}, {2, 2, 2});
    kit.endGroup();
    const items::BoundingBox box = root.localBounds();
    EXPECT_DOUBLE_EQ(box.min.x, 9.0);
    EXPECT_DOUBLE_EQ(box.max.y, 4.0);
    EXPECT_FLOAT_EQ(datagen::modelSizeInTiles(root), 2.0f / 40.0f);
}

TEST(ModelKit, TopViewThumbnailShowsTheModelWhereTheTileHasIt) {
    items::C3DObject root;
    ModelKit kit(root);
    kit.boxFromTo({1, 0, 0}, {0, 0, 0}, {20, 2, 20}); // the top-left quarter of the tile
    const datagen::ThumbnailFrame tile;
    const image::Picture picture =
        datagen::renderThumbnail(root, datagen::ThumbnailView::Top, 40, &tile, {0, 0, 1});
    ASSERT_EQ(picture.width(), 40);
    const std::uint8_t* inside = picture.pixel(10, 10); // blue, green, red
    EXPECT_GT(inside[2], 100);
    EXPECT_EQ(inside[0], 0);
    const std::uint8_t* outside = picture.pixel(30, 30);
    EXPECT_EQ(outside[0], 255);
    EXPECT_EQ(outside[2], 0);
    const std::uint8_t* below = picture.pixel(10, 30);
    EXPECT_EQ(below[0], 255);
}

TEST(ModelKit, ThumbnailOfAnEmptyTreeIsTheBackground) {
    items::C3DObject root;
    const image::Picture picture =
        datagen::renderThumbnail(root, datagen::ThumbnailView::ThreeQuarter, 16);
    ASSERT_EQ(picture.width(), 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(picture.colourAt(x, y), picture.colourAt(0, 0));
        }
    }
}

} // namespace
