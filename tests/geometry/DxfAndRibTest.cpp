#include "items/geometry/CDXF_3DFACE.h"
#include "items/geometry/CRIB_Attribute.h"

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

namespace items {
namespace {

CDXF_3DFACE makeFaces() {
    CDXF_3DFACE faces;
    faces.addFace({1, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}});
    faces.addFace({300, {{-2, 0.5, 3}, {0, 0, 0}, {0, 4, 0}, {0, 4, -1}}});
    return faces;
}

TEST(DxfFacesTest, BoundsAndCountsFollowTheFaces) {
    const CDXF_3DFACE faces = makeFaces();
    EXPECT_EQ(faces.bounds(), (BoundingBox{{-2, 0, -1}, {1, 4, 3}}));
    EXPECT_EQ(faces.sizeCounts(), (SizeCounts{7, 2}));
    CDXF_3DFACE tooBig;
    EXPECT_FALSE(tooBig.addFace({7, std::vector<Vec3d>(40000)}));
    EXPECT_TRUE(tooBig.faces().empty());
}

TEST(DxfFacesTest, BlockIsWrittenAndReadBack) {
    const CDXF_3DFACE faces = makeFaces();
    platform::ByteWriter writer;
    faces.save(writer);
    const auto& bytes = writer.buffer();
    ASSERT_EQ(bytes.size(), 140u + (4 + 36) + (4 + 48));
    testing::BlockBytes expected(148);
    expected.tag(0, "Dx3D").u32(4, 232).u32(8, 140).u32(140, 0x00010003).f32(144, 0.0f);
    EXPECT_TRUE(std::equal(expected.bytes().begin(), expected.bytes().end(), bytes.begin()));

    CDXF_3DFACE back;
    EXPECT_EQ(back.load(bytes), LoadStatus::Loaded);
    EXPECT_TRUE(std::ranges::equal(back.faces(), faces.faces()));
    EXPECT_EQ(back.bounds(), faces.bounds());
    platform::ByteWriter again;
    back.save(again);
    EXPECT_EQ(again.buffer(), bytes);
}

TEST(DxfFacesTest, DamagedRecordsStopTheRead) {
    platform::ByteWriter writer;
    makeFaces().save(writer);
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t word;
        std::size_t facesKept;
    };
    const Case cases[] = {
        {"second count 32767 past the end", 180, 0x012C7FFF, 1},
        {"negative count", 140, 0x0001FFFF, 0},
        {"start beyond the block", 8, 0xFFFFFF00, 0},
        {"length claims 4 GB", 4, 0xFFFFFFFF, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::BlockBytes bytes(0);
        bytes.bytes() = writer.buffer();
        bytes.u32(c.at, c.word);
        CDXF_3DFACE back;
        EXPECT_EQ(back.load(bytes.bytes()), LoadStatus::Damaged);
        EXPECT_EQ(back.faces().size(), c.facesKept);
    }
    CDXF_3DFACE back;
    EXPECT_EQ(back.load(writer.data().first(11)), LoadStatus::Refused);
}

TEST(RibPolygonsTest, PolygonRecordsWidenTheBoxColourRecordsDoNot) {
    CRIB_Attribute polygons;
    RibRecord colour;
    colour.type = RibRecord::Colour;
    colour.r = 1;
    polygons.addRecord(colour);
    EXPECT_EQ(polygons.bounds(), kEmptyBox);

    RibRecord polygon;
    polygon.type = RibRecord::GeneralPolygon;
    polygon.vertexCounts = {3};
    polygon.points = {0, 0, 0, 2, 0, 0, 0, 3, -1, 99}; // the trailing partial point is ignored
    polygons.addRecord(polygon);
    EXPECT_EQ(polygons.bounds(), (BoundingBox{{0, 0, -1}, {2, 3, 0}}));
    ASSERT_EQ(polygons.records().size(), 2u);
    EXPECT_EQ(polygons.records()[1], polygon);

    polygons.clear();
    EXPECT_TRUE(polygons.records().empty());
    EXPECT_EQ(polygons.bounds(), kEmptyBox);
}

} // namespace
} // namespace items
