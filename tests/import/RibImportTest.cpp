#include "import/ModelImport.h"
#include "import/RibImporter.h"
#include "items/geometry/C3DObject.h"

#include "ImportTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace import {
namespace {

using items::C3DObject;
using items::RibRecord;
using testing::fixtureBytes;
using testing::levelSizes;
using testing::textBytes;

RibRecord colour(float r, float g, float b) {
    RibRecord record;
    record.type = RibRecord::Colour;
    record.r = r;
    record.g = g;
    record.b = b;
    return record;
}

RibRecord polygon(RibRecord::Type type, std::vector<std::int32_t> counts,
                  std::vector<std::int32_t> indices, std::vector<float> points,
                  std::vector<float> normals = {}) {
    RibRecord record;
    record.type = type;
    record.vertexCounts = std::move(counts);
    record.vertexIndices = std::move(indices);
    record.points = std::move(points);
    record.normals = std::move(normals);
    return record;
}

std::vector<RibRecord> recordsOf(const C3DObject& node) {
    if (node.ribPolygons() == nullptr) {
        return {};
    }
    const auto records = node.ribPolygons()->records();
    return {records.begin(), records.end()};
}

TEST(RibImportTest, AttributeBlocksBecomeNodesWithTheirColoursAndPolygons) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Rib, fixtureBytes("polygons.rib"), &root), kImportEnd);
    EXPECT_EQ(levelSizes(root), (std::vector<std::size_t>{1, 1, 1}));
    const C3DObject& outer = *root.children()[0];
    EXPECT_EQ(
        recordsOf(outer),
        (std::vector<RibRecord>{
            colour(1, 0, 0),
            polygon(RibRecord::GeneralPolygon, {3}, {}, {0, 0, 0, 1, 0, 0, 0, 1, 0}),
            colour(1, 1, 0),
            // Points polygons without normals are kept.
            polygon(RibRecord::PointsPolygons, {3}, {0, 1, 2}, {-2, 0, 0, -1, 0, 0, -1, 1, 0}),
        }));
    EXPECT_EQ(outer.ribPolygons()->bounds(), (items::BoundingBox{{-2, 0, 0}, {1, 1, 0}}));
    // The nested block, with a colour written without brackets.
    EXPECT_EQ(
        recordsOf(*outer.children()[0]),
        (std::vector<RibRecord>{
            colour(0, 0, 1),
            polygon(RibRecord::PointsPolygons, {4}, {0, 1, 2, 3},
                    {2, 0, 0, 3, 0, 0, 3, 1, 0, 2, 1, 0}, {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}),
        }));
    EXPECT_TRUE(hasImportedGeometry(root));
}

struct RibCase {
    const char* name;
    std::string text;
    int result;
    std::vector<std::size_t> levels;
    std::size_t records; // in the first block
};

TEST(RibImportTest, WorldAndBlockBoundaries) {
    const RibCase cases[] = {
        {"no world", "AttributeBegin Color [1 0 0] AttributeEnd", kImportBadHeader, {1}, 0},
        {"world end first", "WorldEnd WorldBegin AttributeBegin", kImportBadHeader, {1}, 0},
        {"empty", "", kImportBadHeader, {1}, 0},
        {"empty world", "WorldBegin WorldEnd", kImportEnd, {1}, 0},
        {"statements outside blocks",
         "WorldBegin Color [1 0 0] GeneralPolygon [3] \"P\" [0 0 0 1 "
         "0 0 0 1 0] WorldEnd",
         kImportEnd,
         {1},
         0},
        {"block left open", "WorldBegin AttributeBegin Color [1 0 0]", kImportEnd, {1, 1}, 1},
        {"colour cut by the block end",
         "WorldBegin AttributeBegin Color [1 0 AttributeEnd "
         "AttributeBegin WorldEnd",
         kImportEnd,
         {1, 2},
         0},
        {"polygon cut by the block end",
         "WorldBegin AttributeBegin GeneralPolygon [3] \"P\" [0 0 0 "
         "1 0 0 AttributeEnd WorldEnd",
         kImportEnd,
         {1, 1},
         0},
        {"unknown statements",
         "WorldBegin AttributeBegin Translate 1 2 3 Sphere 1 -1 1 360 "
         "Surface \"plastic\" \"Ks\" [0.5] AttributeEnd WorldEnd",
         kImportEnd,
         {1, 1},
         0},
        {"after world end", "WorldBegin WorldEnd AttributeBegin", kImportEnd, {1}, 0},
    };
    for (const RibCase& c : cases) {
        SCOPED_TRACE(c.name);
        C3DObject root;
        EXPECT_EQ(importModel(ModelFormat::Rib, textBytes(c.text), &root), c.result);
        EXPECT_EQ(levelSizes(root), c.levels);
        const std::size_t records =
            root.children().empty() ? 0 : recordsOf(*root.children()[0]).size();
        EXPECT_EQ(records, c.records);
    }
    EXPECT_EQ(importRib(textBytes("WorldBegin"), nullptr), kImportFailed);
}

TEST(RibImportTest, ExtraBlockEndsAndDeepBlocksAreHarmless) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Rib, fixtureBytes("unbalanced.rib"), &root), kImportEnd);
    ASSERT_EQ(root.children().size(), 1u);
    EXPECT_EQ(recordsOf(*root.children()[0]).size(), 2u);

    std::string deep = "WorldBegin\n";
    for (int i = 0; i < 3000; ++i) {
        deep += "AttributeBegin\n";
    }
    deep += "Color [1 0 0]\n";
    for (int i = 0; i < 3000; ++i) {
        deep += "AttributeEnd\n";
    }
    deep += "AttributeBegin Color [0 1 0] AttributeEnd WorldEnd";
    C3DObject tree;
    ASSERT_EQ(importModel(ModelFormat::Rib, textBytes(deep), &tree), kImportEnd);
    EXPECT_EQ(levelSizes(tree).size(), static_cast<std::size_t>(items::kMaxNodeDepth) + 1);
    ASSERT_EQ(tree.children().size(), 2u);
    EXPECT_EQ(recordsOf(*tree.children()[1]), (std::vector<RibRecord>{colour(0, 1, 0)}));
}

TEST(RibImportTest, OtherParameterListsAreNotTakenAsPolygonData) {
    C3DObject root;
    ASSERT_EQ(importModel(
                  ModelFormat::Rib,
                  textBytes("WorldBegin AttributeBegin\r\n"
                            "PointsPolygons [3] [0 1 2] \"P\" [0 0 0 1 0 0 0 1 0]\r\n"
                            "  \"st\" [0 0 1 0 0 1] \"N\" [0 0 1 0 0 1 0 0 1]\r\n"
                            "GeneralPolygon [3] \"P\" [1e-3 -.5 +2 1 0 0 0 1 0] \"Cs\" [1 1 1]\r\n"
                            "AttributeEnd WorldEnd"),
                  &root),
              kImportEnd);
    ASSERT_EQ(root.children().size(), 1u);
    EXPECT_EQ(recordsOf(*root.children()[0]),
              (std::vector<RibRecord>{
                  polygon(RibRecord::PointsPolygons, {3}, {0, 1, 2}, {0, 0, 0, 1, 0, 0, 0, 1, 0},
                          {0, 0, 1, 0, 0, 1, 0, 0, 1}),
                  polygon(RibRecord::GeneralPolygon, {3}, {}, {1e-3f, -0.5f, 2, 1, 0, 0, 0, 1, 0}),
              }));
}

} // namespace
} // namespace import
