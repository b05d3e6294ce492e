#include "items/geometry/CIndexedFaceSet.h"
#include "items/geometry/C3DObject.h"

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace items {
namespace {

void addPoints(CIndexedFaceSet& set, std::initializer_list<Vec3d> points) {
    for (const Vec3d& p : points) {
        set.addPoint(p);
    }
}

void addIndices(CIndexedFaceSet& set, std::initializer_list<std::int32_t> indices) {
    for (std::int32_t i : indices) {
        set.addCoordIndex(i);
    }
}

void expectNear(const Vec3d& a, const Vec3d& b) {
    EXPECT_NEAR(a.x, b.x, 1e-6);
    EXPECT_NEAR(a.y, b.y, 1e-6);
    EXPECT_NEAR(a.z, b.z, 1e-6);
}

Vec3d position(const FaceSetVertex& v) {
    return {v.x, v.y, v.z};
}
Vec3d normal(const FaceSetVertex& v) {
    return {v.nx, v.ny, v.nz};
}

TEST(CIndexedFaceSetTest, TriangleGetsItsFaceNormalAtEveryCorner) {
    CIndexedFaceSet set;
    addPoints(set, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    addIndices(set, {0, 1, 2, -1});
    set.buildVertexArray(1.0, false);
    const auto vertices = set.vertexArray();
    ASSERT_EQ(vertices.size(), 3u);
    for (const auto& v : vertices) {
        expectNear(normal(v), {0, 0, 1});
    }
    expectNear(position(vertices[1]), {1, 0, 0});
    // Without texture coordinates the corners get the default square's.
    EXPECT_EQ(vertices[1].u, 1.0f);
    EXPECT_EQ(vertices[2].v, 1.0f);
}

// Two triangles share the edge from point 0 to point 1; the second one is folded away from
// the first by `degrees`.
std::span<const FaceSetVertex> buildFolded(CIndexedFaceSet& set, double degrees) {
    const double angle = degrees * M_PI / 180.0;
    addPoints(set, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -std::cos(angle), std::sin(angle)}});
    addIndices(set, {0, 1, 2, -1, 1, 0, 3, -1});
    set.buildVertexArray(1.0, false);
    return set.vertexArray();
}

TEST(CIndexedFaceSetTest, SharedCornersAreSmoothedOnlyBelowTheCreaseAngle) {
    {
        SCOPED_TRACE("45 degrees: cosine 0.707 is above 0.5");
        CIndexedFaceSet set;
        const auto v = buildFolded(set, 45.0);
        ASSERT_EQ(v.size(), 6u);
        const double c = std::cos(M_PI / 4);
        const Vec3d first{0, 0, 1};
        const Vec3d second{0, c, c};
        const double len = std::sqrt(c * c + (1 + c) * (1 + c));
        const Vec3d averaged{0, c / len, (1 + c) / len};
        expectNear(normal(v[0]), averaged); // point 0, first face
        expectNear(normal(v[1]), averaged); // point 1, first face
        expectNear(normal(v[2]), first);    // point 2 is not shared
        expectNear(normal(v[3]), averaged); // point 1, second face
        expectNear(normal(v[5]), second);   // point 3 is not shared
    }
    {
        SCOPED_TRACE("90 degrees: cosine 0 keeps the face normals");
        CIndexedFaceSet set;
        const auto v = buildFolded(set, 90.0);
        ASSERT_EQ(v.size(), 6u);
        for (int i : {0, 1, 2}) {
            expectNear(normal(v[i]), {0, 0, 1});
        }
        for (int i : {3, 4, 5}) {
            expectNear(normal(v[i]), {0, 1, 0});
        }
    }
}

TEST(CIndexedFaceSetTest, QuadIsSplitAlongTheOtherDiagonalWhenStronglyBent) {
    struct Case {
        const char* name;
        double lift; // z of the fourth corner: 0.5 folds by 27 degrees, 3 by 72
        std::array<int, 6> corners;
    };
    for (const Case& c :
         {Case{"flat", 0.5, {0, 1, 2, 2, 3, 0}}, Case{"bent", 3.0, {3, 0, 1, 1, 2, 3}}}) {
        SCOPED_TRACE(c.name);
        const Vec3d points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, c.lift}};
        CIndexedFaceSet set;
        addPoints(set, {points[0], points[1], points[2], points[3]});
        addIndices(set, {0, 1, 2, 3, -1});
        set.buildVertexArray(1.0, false);
        const auto v = set.vertexArray();
        ASSERT_EQ(v.size(), 6u);
        for (std::size_t i = 0; i < 6; ++i) {
            expectNear(position(v[i]), points[c.corners[i]]);
        }
    }
}

TEST(CIndexedFaceSetTest, OnlyTrianglesAndQuadsOfValidIndicesAreEmitted) {
    struct Case {
        const char* name;
        std::initializer_list<std::int32_t> indices;
        std::size_t vertices;
    };
    const Case cases[] = {
        {"five corners", {0, 1, 2, 3, 4, -1}, 0},
        {"two corners", {0, 1, -1}, 0},
        {"no terminator", {0, 1, 2}, 0},
        {"bad indices skipped", {0, 7, -5, 1, 2, -1}, 3},
        {"bad index leaves two", {0, 9, 1, -1}, 0},
        {"triangle then quad", {0, 1, 2, -1, 0, 1, 2, 3, -1}, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CIndexedFaceSet set;
        addPoints(set, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {-1, 0.5, 0}});
        addIndices(set, c.indices);
        set.buildVertexArray(1.0, false);
        EXPECT_EQ(set.vertexCount(), c.vertices);
    }
}

TEST(CIndexedFaceSetTest, TextureCoordinatesAreUsedOnlyWhenTextured) {
    CIndexedFaceSet set;
    addPoints(set, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    addIndices(set, {0, 1, 2, -1});
    for (double c : {0.5, 0.5, 1.0, 0.0, 0.0, 1.0}) {
        set.addTexCoordinate(c);
    }
    for (std::int32_t i : {2, 1, 0, -1}) {
        set.addTexCoordIndex(i);
    }
    set.buildVertexArray(2.0, true);
    auto v = set.vertexArray();
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[0].v, 1.0f);
    EXPECT_EQ(v[2].u, 0.5f);
    expectNear(position(v[1]), {2, 0, 0}); // built at scale 2

    set.releaseVertexArray();
    set.buildVertexArray(1.0, false);
    v = set.vertexArray();
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[0].v, 0.0f);
    EXPECT_EQ(v[1].u, 1.0f);
}

TEST(CIndexedFaceSetTest, TheOwnerNodeDecidesWhetherTheArrayIsTextured) {
    C3DObject node;
    auto set = std::make_unique<CIndexedFaceSet>();
    addPoints(*set, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    addIndices(*set, {0, 1, 2, -1});
    for (double c : {0.25, 0.75, 0.25, 0.75, 0.25, 0.75}) {
        set->addTexCoordinate(c);
    }
    for (std::int32_t i : {0, 1, 2, -1}) {
        set->addTexCoordIndex(i);
    }
    node.setFaceSet(std::move(set));
    auto texture = std::make_unique<CPixelTexture>();
    texture->setEncodedImage({0x89, 'P', 'N', 'G'});
    node.addTexture(std::move(texture));
    node.faceSet()->buildVertexArray(1.0);
    EXPECT_EQ(node.faceSet()->vertexArray()[1].u, 0.25f);

    node.releaseVertexArrays();
    EXPECT_FALSE(node.faceSet()->hasVertexArray());
}

TEST(CIndexedFaceSetTest, CountsAndBoundsFollowTheLists) {
    CIndexedFaceSet set;
    EXPECT_EQ(set.bounds(), kEmptyBox);
    addPoints(set, {{-1, 2, 3}, {4, -5, 6}, {0, 0, -7}});
    addIndices(set, {0, 1, 2, -1, 2, 1, 0, -1, 1});
    EXPECT_EQ(set.sizeCounts(), (SizeCounts{7, 2}));
    EXPECT_EQ(set.bounds(), (BoundingBox{{-1, -5, -7}, {4, 2, 6}}));
}

TEST(CIndexedFaceSetTest, BlockIsWrittenAndReadBack) {
    CIndexedFaceSet set;
    addPoints(set, {{0.5, 1, 2}, {3, 4, 5}});
    set.addTexCoordinate(0.25);
    set.addTexCoordinate(1);
    addIndices(set, {1, 0, -1});
    set.addTexCoordIndex(0);
    set.setCreaseAngle(0.9);

    platform::ByteWriter writer;
    set.save(writer);
    const auto& bytes = writer.buffer();
    ASSERT_EQ(bytes.size(), 156u + 4 * (6 + 2 + 3 + 1));
    testing::BlockBytes header(156);
    header.tag(0, "IxFS").u32(4, 204).u32(8, 156).u32(12, 180).u32(16, 188).u32(20, 200).u32(24,
                                                                                             204);
    EXPECT_TRUE(std::equal(header.bytes().begin(), header.bytes().end(), bytes.begin()));

    CIndexedFaceSet back;
    EXPECT_EQ(back.load(bytes), LoadStatus::Loaded);
    EXPECT_TRUE(std::ranges::equal(back.coordinates(), set.coordinates()));
    EXPECT_TRUE(std::ranges::equal(back.texCoordinates(), set.texCoordinates()));
    EXPECT_TRUE(std::ranges::equal(back.coordIndices(), set.coordIndices()));
    EXPECT_TRUE(std::ranges::equal(back.texCoordIndices(), set.texCoordIndices()));
    EXPECT_EQ(back.bounds(), set.bounds());
    EXPECT_EQ(back.creaseAngle(), 0.5); // not stored

    platform::ByteWriter again;
    back.save(again);
    EXPECT_EQ(again.buffer(), bytes);
}

TEST(CIndexedFaceSetTest, DamagedBlocksLoadWhatLiesInside) {
    CIndexedFaceSet set;
    addPoints(set, {{1, 2, 3}, {4, 5, 6}});
    addIndices(set, {0, 1, -1});
    platform::ByteWriter writer;
    set.save(writer);

    {
        SCOPED_TRACE("short or wrong tag: refused, unchanged");
        CIndexedFaceSet target;
        target.addPoint({9, 9, 9});
        EXPECT_EQ(target.load(writer.data().first(155)), LoadStatus::Refused);
        auto bytes = writer.buffer();
        bytes[0] = 'x';
        EXPECT_EQ(target.load(bytes), LoadStatus::Refused);
        EXPECT_EQ(target.pointCount(), 1u);
    }
    {
        SCOPED_TRACE("index span claims 4 GB");
        testing::BlockBytes bytes(0);
        bytes.bytes() = writer.buffer();
        bytes.u32(20, 0xFFFFFFF0u).u32(24, 0xFFFFFFFFu);
        CIndexedFaceSet target;
        EXPECT_EQ(target.load(bytes.bytes()), LoadStatus::Damaged);
        EXPECT_EQ(target.pointCount(), 2u);
        EXPECT_EQ(target.coordIndices().size(), 3u);
        EXPECT_TRUE(target.texCoordIndices().empty());
    }
    {
        SCOPED_TRACE("truncated: length field beyond the bytes");
        CIndexedFaceSet target;
        EXPECT_EQ(target.load(writer.data().first(170)), LoadStatus::Damaged);
        EXPECT_EQ(target.coordinates().size(), 3u); // 14 bytes of 24 hold three whole values
        EXPECT_TRUE(target.coordIndices().empty());
    }
    {
        SCOPED_TRACE("spans out of order");
        testing::BlockBytes bytes(0);
        bytes.bytes() = writer.buffer();
        bytes.u32(12, 150); // texture coordinates start before the coordinates end
        CIndexedFaceSet target;
        EXPECT_EQ(target.load(bytes.bytes()), LoadStatus::Damaged);
        EXPECT_TRUE(target.coordinates().empty());
    }
}

} // namespace
} // namespace items
