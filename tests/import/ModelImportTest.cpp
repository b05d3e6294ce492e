#include "import/ModelImport.h"
#include "import/ItemFromModel.h"
#include "items/C3DItemObject.h"
#include "items/geometry/C3DObject.h"

#include "ImportTestSupport.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace import {
namespace {

using items::C3DObject;
using testing::fixture;
using testing::fixtureBytes;
using testing::textBytes;

TEST(ModelImportTest, FormatsFollowTheExtension) {
    const std::pair<const char*, std::optional<ModelFormat>> cases[] = {
        {"a.wrl", ModelFormat::Vrml}, {"B.WRL", ModelFormat::Vrml}, {"c.vrml", ModelFormat::Vrml},
        {"d.rib", ModelFormat::Rib},  {"e.Dxf", ModelFormat::Dxf},  {"f.zn3", std::nullopt},
        {"wrl", std::nullopt},        {"g.wrl.txt", std::nullopt},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        ModelFormat format{};
        EXPECT_EQ(formatFromExtension(name, format), expected.has_value());
        if (expected) {
            EXPECT_EQ(format, *expected);
        }
    }
}

TEST(ModelImportTest, TheTargetIsClearedBeforeAndAfterAFailedImport) {
    const std::pair<ModelFormat, const char*> failures[] = {
        {ModelFormat::Vrml, "blankfirst.wrl"},
        {ModelFormat::Rib, "noworld.rib"},
        {ModelFormat::Dxf, "nosection.dxf"},
        {ModelFormat::Vrml, "faces.dxf"},
    };
    for (const auto& [format, file] : failures) {
        SCOPED_TRACE(file);
        C3DObject node;
        node.createChild().addPrimitive(items::CPrimitive::box(1, 1, 1));
        node.setTranslation({1, 2, 3});
        EXPECT_EQ(importModel(format, fixtureBytes(file), &node), kImportBadHeader);
        EXPECT_TRUE(node.children().empty());
        EXPECT_EQ(node.translation(), (items::Vec3d{}));
    }
    C3DObject node;
    node.addPrimitive(items::CPrimitive::sphere(1, 8));
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("box.wrl"), &node), kImportEnd);
    EXPECT_TRUE(node.primitives().empty());
    EXPECT_EQ(node.treeCounts().primitives, 1u);

    EXPECT_EQ(importModel(ModelFormat::Vrml, textBytes("#VRML"), nullptr), kImportFailed);
    EXPECT_EQ(importModelFile(ModelFormat::Vrml, fixture("missing.wrl"), &node), kImportFailed);
    EXPECT_TRUE(node.children().empty());
}

TEST(ModelImportTest, ItemsLoadVrmlAndDxfByType) {
    registerModelImporter();
    const std::tuple<int, const char*, bool> cases[] = {
        {1, "box.wrl", true},  {2, "faces.dxf", true},    {1, "faces.dxf", false},
        {2, "box.wrl", false}, {1, "missing.wrl", false}, {4, "polygons.rib", false},
    };
    for (const auto& [type, file, loads] : cases) {
        SCOPED_TRACE(file);
        items::C3DItemObject item;
        EXPECT_EQ(item.loadByType(type, fixture(file)), loads);
        ASSERT_NE(item.geometryRoot(), nullptr);
        EXPECT_EQ(hasImportedGeometry(*item.geometryRoot()), loads);
    }
}

// The item written and read back, with its tree.
std::unique_ptr<items::C3DItemObject> storedAndLoaded(const items::C3DItemObject& item) {
    auto back = std::make_unique<items::C3DItemObject>();
    EXPECT_TRUE(back->loadFromMemory(item.serialize()));
    return back;
}

TEST(ModelImportTest, RibPolygonsAreStoredAsColouredFaceSets) {
    items::C3DItemObject item;
    std::string error;
    ASSERT_TRUE(itemFromModel(ModelFormat::Rib, fixtureBytes("polygons.rib"), 0, item, error))
        << error;
    const auto back = storedAndLoaded(item);
    const C3DObject& root = *back->geometryRoot();
    EXPECT_EQ(root.treeCounts().ribRecords, 0u);
    // The outer block: its nested block first, then one part per colour.
    const C3DObject& outer = *root.children().at(0);
    ASSERT_EQ(outer.children().size(), 3u);
    const C3DObject& red = *outer.children()[1];
    const C3DObject& yellow = *outer.children()[2];
    const C3DObject& blue = *outer.children()[0]->children().at(0);
    const std::tuple<const C3DObject*, std::array<double, 4>, std::vector<std::int32_t>> parts[] = {
        {&red, {1, 0, 0, 1}, {0, 1, 2, -1}},
        {&yellow, {1, 1, 0, 1}, {0, 1, 2, -1}},
        {&blue, {0, 0, 1, 1}, {0, 1, 2, 3, -1}},
    };
    for (const auto& [part, colour, indices] : parts) {
        EXPECT_EQ(part->colour(), colour);
        ASSERT_NE(part->faceSet(), nullptr);
        EXPECT_EQ(std::vector<std::int32_t>(part->faceSet()->coordIndices().begin(),
                                            part->faceSet()->coordIndices().end()),
                  indices);
    }
    EXPECT_EQ(std::vector<double>(blue.faceSet()->coordinates().begin(),
                                  blue.faceSet()->coordinates().end()),
              (std::vector<double>{2, 0, 0, 3, 0, 0, 3, 1, 0, 2, 1, 0}));
    EXPECT_EQ(root.localBounds(), (items::BoundingBox{{-2, 0, 0}, {3, 1, 0}}));
}

TEST(ModelImportTest, LargePolygonsBecomeFansWithPointsOfTheirOwn) {
    C3DObject root;
    ASSERT_EQ(
        importModel(ModelFormat::Rib,
                    textBytes("WorldBegin AttributeBegin GeneralPolygon [5 3 2] \"P\" "
                              "[0 0 0 1 0 0 2 1 0 1 2 0 0 1 0  5 5 5 6 5 5 5 6 5  9 9 9 8 8 8]"
                              " AttributeEnd WorldEnd"),
                    &root),
        kImportEnd);
    makeStorable(root);
    const C3DObject& part = *root.children().at(0)->children().at(0);
    ASSERT_NE(part.faceSet(), nullptr);
    // The pentagon as three triangles, then the triangle; the two-point loop adds nothing.
    EXPECT_EQ(std::vector<std::int32_t>(part.faceSet()->coordIndices().begin(),
                                        part.faceSet()->coordIndices().end()),
              (std::vector<std::int32_t>{0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1}));
    EXPECT_EQ(part.faceSet()->point(5), (items::Vec3d{1, 2, 0}));
    EXPECT_EQ(part.faceSet()->point(8), (items::Vec3d{0, 1, 0}));
    EXPECT_EQ(part.faceSet()->point(11), (items::Vec3d{5, 6, 5}));
}

TEST(ModelImportTest, ReferencedNodesAreCopiedInPlaceOfTheirNames) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Vrml,
                          textBytes("#VRML\nTransform { translation 5 0 0 DEF Post scale 1 2 1\n"
                                    "  children [ Shape { geometry Box { } } ] }\n"
                                    "Transform { translation -5 0 0 USE Post }\n"
                                    "Transform { translation 0 0 7 USE Missing }\n"
                                    "Transform { DEF Self USE Self }"),
                          &root),
              kImportEnd);
    ASSERT_EQ(root.children().size(), 4u);
    ASSERT_EQ(root.children()[1]->referenceName(), "Post");
    makeStorable(root);
    for (const auto& child : root.children()) {
        EXPECT_TRUE(child->referenceName().empty());
    }
    // The copy sits at the referring node's place with the defined node's scale.
    const C3DObject& user = *root.children()[1];
    ASSERT_EQ(user.children().size(), 1u);
    EXPECT_EQ(user.children()[0]->translation(), (items::Vec3d{}));
    EXPECT_EQ(user.children()[0]->scale(), (items::Vec3d{1, 2, 1}));
    EXPECT_EQ(user.localBounds(), (items::BoundingBox{{-5.5, -1, -0.5}, {-4.5, 1, 0.5}}));
    EXPECT_TRUE(root.children()[2]->children().empty());
    EXPECT_TRUE(root.children()[3]->children().empty());
}

TEST(ModelImportTest, CopiesStopAtTheirLimit) {
    C3DObject root;
    ASSERT_EQ(
        importModel(ModelFormat::Vrml,
                    textBytes("#VRML\nTransform { DEF A children [ Shape { geometry Box { } } "
                              "] }\nTransform { USE A } Transform { USE A }"),
                    &root),
        kImportEnd);
    const std::size_t oneCopy = root.children()[0]->save().size();
    makeStorable(root, oneCopy);
    EXPECT_EQ(root.children()[1]->children().size(), 1u);
    EXPECT_TRUE(root.children()[2]->children().empty());
}

TEST(ModelImportTest, AnItemNeedsGeometry) {
    const std::tuple<ModelFormat, const char*, bool> cases[] = {
        {ModelFormat::Vrml, "house.wrl", true},   {ModelFormat::Vrml, "nogeometry.wrl", false},
        {ModelFormat::Vrml, "empty.wrl", false},  {ModelFormat::Vrml, "blankfirst.wrl", false},
        {ModelFormat::Rib, "polygons.rib", true}, {ModelFormat::Rib, "noworld.rib", false},
        {ModelFormat::Dxf, "faces.dxf", true},    {ModelFormat::Dxf, "nosection.dxf", false},
    };
    for (const auto& [format, file, ok] : cases) {
        SCOPED_TRACE(file);
        items::C3DItemObject item;
        std::string error;
        EXPECT_EQ(itemFromModel(format, fixtureBytes(file), 101, item, error), ok);
        EXPECT_EQ(error.empty(), ok);
        EXPECT_EQ(error.find('\n'), std::string::npos);
        if (ok) {
            EXPECT_EQ(item.kind(), 101);
            const auto back = storedAndLoaded(item);
            EXPECT_TRUE(hasImportedGeometry(*back->geometryRoot()));
            // Points are stored as f32.
            const items::BoundingBox stored = back->boundingBox(1.0);
            const items::BoundingBox made = item.boundingBox(1.0);
            for (const auto& [a, b] :
                 {std::pair{stored.min, made.min}, std::pair{stored.max, made.max}}) {
                EXPECT_NEAR(a.x, b.x, 1e-6);
                EXPECT_NEAR(a.y, b.y, 1e-6);
                EXPECT_NEAR(a.z, b.z, 1e-6);
            }
        }
    }
}

} // namespace
} // namespace import
