#include "import/ModelImport.h"
#include "import/VrmlImporter.h"
#include "items/geometry/C3DObject.h"

#include "ImportTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace import {
namespace {

using items::C3DObject;
using testing::fixtureBytes;
using testing::levelSizes;
using testing::nodeAt;
using testing::textBytes;

int readVrml(std::string_view text, C3DObject& root) {
    return importModel(ModelFormat::Vrml, textBytes(text), &root);
}

struct PrimitiveCase {
    const char* file;
    items::CPrimitive expected;
    std::array<double, 3> colour;
};

// Each primitive node kind inside a Shape: one node at depth 1 holding the primitive, coloured
// by its material.
TEST(VrmlImportTest, PrimitivesAreAddedToTheShapeWithTheirMaterialColour) {
    const PrimitiveCase cases[] = {
        {"box.wrl", items::CPrimitive::box(2, 3, 4), {1, 0, 0}},
        {"sphere.wrl", items::CPrimitive::sphere(0.75, 16), {0, 0.6, 1}},
        {"cylinder.wrl", items::CPrimitive::cylinder(0.5, 16, 2), {1, 0.8, 0}},
    };
    for (const PrimitiveCase& c : cases) {
        SCOPED_TRACE(c.file);
        C3DObject root;
        ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes(c.file), &root), kImportEnd);
        EXPECT_EQ(levelSizes(root), (std::vector<std::size_t>{1, 1}));
        const C3DObject* shape = nodeAt(root, {0});
        ASSERT_EQ(shape->primitives().size(), 1u);
        EXPECT_EQ(shape->primitives()[0], c.expected);
        EXPECT_EQ(shape->colour(),
                  (std::array<double, 4>{c.colour[0], c.colour[1], c.colour[2], 1}));
        EXPECT_TRUE(root.primitives().empty());
    }
}

TEST(VrmlImportTest, PrimitiveFieldsDefaultAndGeometryAtTheTopLevelIsDropped) {
    C3DObject root;
    ASSERT_EQ(readVrml("#VRML V2.0 utf8\nShape { geometry Cylinder { } }\n"
                       "Shape { geometry Sphere { } } Shape { geometry Box { } }",
                       root),
              kImportEnd);
    ASSERT_EQ(root.children().size(), 3u);
    EXPECT_EQ(root.children()[0]->primitives().at(0), items::CPrimitive::cylinder(1, 16, 1));
    EXPECT_EQ(root.children()[1]->primitives().at(0), items::CPrimitive::sphere(1, 16));
    EXPECT_EQ(root.children()[2]->primitives().at(0), items::CPrimitive::box(1, 1, 1));

    C3DObject top;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("nogeometry.wrl"), &top), kImportEnd);
    EXPECT_EQ(top.treeCounts().primitives, 0u);
    EXPECT_FALSE(hasImportedGeometry(top));
}

TEST(VrmlImportTest, IndexedFaceSetTakesPointsIndicesAndFlags) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("faceset.wrl"), &root), kImportEnd);
    const items::CIndexedFaceSet* faces = nodeAt(root, {0})->faceSet();
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(std::vector<double>(faces->coordinates().begin(), faces->coordinates().end()),
              (std::vector<double>{0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 0, -1}));
    EXPECT_EQ(std::vector<std::int32_t>(faces->coordIndices().begin(), faces->coordIndices().end()),
              (std::vector<std::int32_t>{0, 1, 2, -1, 0, 2, 3, -1}));
    EXPECT_FALSE(faces->solid());
    EXPECT_TRUE(faces->counterClockwise());
    EXPECT_DOUBLE_EQ(faces->creaseAngle(), 0.25);
    EXPECT_TRUE(hasImportedGeometry(root));
}

TEST(VrmlImportTest, AFaceSetOutsideAnyShapeIsDroppedWithItsLists) {
    C3DObject root;
    ASSERT_EQ(
        readVrml("#VRML\nShape { geometry IndexedFaceSet { coord Coordinate {\n"
                 "  point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } }\n"
                 "IndexedFaceSet { coord Coordinate { point [ 5 5 5 ] } coordIndex [ 0 -1 ] }",
                 root),
        kImportEnd);
    const items::CIndexedFaceSet* faces = nodeAt(root, {0})->faceSet();
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(faces->pointCount(), 3u);
    EXPECT_EQ(faces->coordIndices().size(), 4u);
    EXPECT_EQ(root.faceSet(), nullptr);
}

TEST(VrmlImportTest, PixelTextureValuesAreSplitIntoComponents) {
    C3DObject root;
    ASSERT_EQ(readVrml("#VRML\nShape { appearance Appearance { texture PixelTexture {\n"
                       "  image 1 1 3 0xFF0000 } } }",
                       root),
              kImportEnd);
    const items::CPixelTexture* red = nodeAt(root, {0})->texture(0);
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(red->pixels().begin(), red->pixels().end()),
              (std::vector<std::uint8_t>{255, 0, 0}));

    C3DObject textured;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("texture.wrl"), &textured), kImportEnd);
    const C3DObject* shape = nodeAt(textured, {0});
    ASSERT_NE(shape->texture(0), nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(shape->texture(0)->pixels().begin(),
                                        shape->texture(0)->pixels().end()),
              (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    const items::CIndexedFaceSet* faces = shape->faceSet();
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(faces->texCoordCount(), 4u);
    EXPECT_EQ(
        std::vector<std::int32_t>(faces->texCoordIndices().begin(), faces->texCoordIndices().end()),
        (std::vector<std::int32_t>{0, 1, 2, 3, -1}));

    // Four components, decimal values; values beyond the image are not stored.
    C3DObject rgba;
    ASSERT_EQ(readVrml("#VRML\nShape { texture PixelTexture { image 1 1 4 4278190335 7 } }", rgba),
              kImportEnd);
    const auto pixels = nodeAt(rgba, {0})->texture(0)->pixels();
    EXPECT_EQ(std::vector<std::uint8_t>(pixels.begin(), pixels.end()),
              (std::vector<std::uint8_t>{255, 0, 0, 255}));
}

TEST(VrmlImportTest, AnImageLargerThanTheFileCanDescribeIsNotAllocated) {
    C3DObject root;
    ASSERT_EQ(readVrml("#VRML\nShape { texture PixelTexture { image 30000 30000 4 0xFF } }", root),
              kImportEnd);
    const items::CPixelTexture* texture = nodeAt(root, {0})->texture(0);
    ASSERT_NE(texture, nullptr);
    EXPECT_FALSE(texture->hasPixels());
}

TEST(VrmlImportTest, UsedCoordinatesAreCopiedFromTheDefinedFaceSet) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("defuse.wrl"), &root), kImportEnd);
    ASSERT_EQ(root.children().size(), 2u);
    const items::CIndexedFaceSet* first = nodeAt(root, {0})->faceSet();
    const items::CIndexedFaceSet* second = nodeAt(root, {1})->faceSet();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->pointCount(), 3u);
    EXPECT_TRUE(std::ranges::equal(second->coordinates(), first->coordinates()));
    EXPECT_EQ(
        std::vector<std::int32_t>(second->coordIndices().begin(), second->coordIndices().end()),
        (std::vector<std::int32_t>{2, 1, 0, -1}));
}

TEST(VrmlImportTest, DefinitionsOutliveTheFaceSetThatMadeThem) {
    // The face set that defines P is replaced by another in the same shape; P still names its
    // points, and texture coordinates can be used by name too.
    C3DObject root;
    ASSERT_EQ(
        readVrml("#VRML\nShape {\n"
                 " geometry IndexedFaceSet { coord DEF P Coordinate { point [ 0 0 0, 1 0 0, "
                 "0 1 0 ] }\n texCoord DEF T TextureCoordinate { point [ 0 0, 1 0, 0 1 ] } }\n"
                 " geometry IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"
                 "Shape { geometry IndexedFaceSet { coord USE P texCoord USE T } }",
                 root),
        kImportEnd);
    const items::CIndexedFaceSet* replaced = nodeAt(root, {0})->faceSet();
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced->pointCount(), 0u);
    const items::CIndexedFaceSet* user = nodeAt(root, {1})->faceSet();
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(std::vector<double>(user->coordinates().begin(), user->coordinates().end()),
              (std::vector<double>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(std::vector<double>(user->texCoordinates().begin(), user->texCoordinates().end()),
              (std::vector<double>{0, 0, 1, 0, 0, 1}));
}

TEST(VrmlImportTest, CopiesByNameStopBeforeTheyOutgrowTheFile) {
    std::string text = "#VRML\nShape { geometry IndexedFaceSet { coord DEF P Coordinate { point [";
    for (int i = 0; i < 20000; ++i) {
        text += " 1 2 3";
    }
    text += " ] } } }\n";
    for (int i = 0; i < 200; ++i) {
        text += "Shape { geometry IndexedFaceSet { coord USE P } }\n";
    }
    C3DObject root;
    ASSERT_EQ(readVrml(text, root), kImportEnd);
    ASSERT_EQ(root.children().size(), 201u);
    EXPECT_EQ(root.children()[1]->faceSet()->pointCount(), 20000u);
    EXPECT_EQ(root.children()[200]->faceSet()->pointCount(), 0u);
    std::size_t copied = 0;
    for (const auto& child : root.children()) {
        copied += child->faceSet()->coordinates().size();
    }
    EXPECT_LE(copied, text.size() * 4 + (std::size_t{1} << 20) + 60000);
}

TEST(VrmlImportTest, NestedTransformsKeepTheirTranslationAndScale) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("transforms.wrl"), &root), kImportEnd);
    // Transform, children, Transform, children, Shape.
    EXPECT_EQ(levelSizes(root), (std::vector<std::size_t>{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(nodeAt(root, {0})->translation(), (items::Vec3d{1, 0, 0}));
    EXPECT_EQ(nodeAt(root, {0})->scale(), (items::Vec3d{1, 1, 1}));
    EXPECT_EQ(nodeAt(root, {0, 0, 0})->scale(), (items::Vec3d{2, 2, 2}));
    EXPECT_EQ(nodeAt(root, {0, 0, 0, 0, 0})->primitives().size(), 1u);
    EXPECT_EQ(root.localBounds(), (items::BoundingBox{{0, -1, -1}, {2, 1, 1}}));
}

TEST(VrmlImportTest, TransformValuesSkipCommasAndTransformNamesAreKept) {
    C3DObject root;
    ASSERT_EQ(readVrml("#VRML\nTransform { translation 1, 2, 3 scale 4,5,6 rotation 0 1 0 1.57\n"
                       "children [ Shape { geometry Box { } } ] }\n"
                       "Transform { DEF Wheel } Transform { USE Wheel }",
                       root),
              kImportEnd);
    const C3DObject* first = nodeAt(root, {0});
    EXPECT_EQ(first->translation(), (items::Vec3d{1, 2, 3}));
    EXPECT_EQ(first->scale(), (items::Vec3d{4, 5, 6}));
    EXPECT_EQ(first->rotationAngle(), 0.0);
    EXPECT_EQ(nodeAt(root, {1})->definitionName(), "Wheel");
    EXPECT_EQ(nodeAt(root, {2})->referenceName(), "Wheel");
}

TEST(VrmlImportTest, MaterialColourEndsAtTheNextField) {
    C3DObject root;
    ASSERT_EQ(readVrml("#VRML\nShape { appearance Appearance { material Material {\n"
                       "  diffuseColor 0.5, 0.25 1 ambientIntensity 0.2 } } }",
                       root),
              kImportEnd);
    EXPECT_EQ(nodeAt(root, {0})->colour(), (std::array<double, 4>{0.5, 0.25, 1, 1}));
}

struct HeaderCase {
    const char* name;
    std::string text;
    int result;
    std::size_t primitives;
};

TEST(VrmlImportTest, TheFirstLineMustStartWithTheHeader) {
    const std::string longLine = "#VRML V2.0 utf8 " + std::string(80, 'x') +
                                 " Shape { geometry Box { } }\nShape { geometry Sphere { } }";
    const HeaderCase cases[] = {
        {"header alone", "#VRML", kImportEnd, 0},
        {"header and box", "#VRML V2.0 utf8\nShape { geometry Box { } }", kImportEnd, 1},
        {"blank line first", "\n#VRML V2.0 utf8\nShape { geometry Box { } }", kImportBadHeader, 0},
        {"empty", "", kImportBadHeader, 0},
        {"short", "#VRM", kImportBadHeader, 0},
        {"lower case", "#vrml V2.0 utf8\n", kImportBadHeader, 0},
        {"byte order mark", "\xEF\xBB\xBF#VRML V2.0 utf8\n", kImportBadHeader, 0},
        // The whole first line is the header, however long; only the sphere on the next line
        // is read.
        {"long header line", longLine, kImportEnd, 1},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        C3DObject root;
        EXPECT_EQ(readVrml(c.text, root), c.result);
        EXPECT_EQ(root.treeCounts().primitives, c.primitives);
    }
    C3DObject root;
    EXPECT_EQ(importVrml(textBytes("#VRML"), nullptr), kImportFailed);
}

TEST(VrmlImportTest, MessyFilesAreReadAsFarAsTheyGo) {
    C3DObject messy;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("messy.wrl"), &messy), kImportEnd);
    ASSERT_EQ(messy.treeCounts().primitives, 1u);
    const items::CPrimitive* box = nullptr;
    for (const auto& child : messy.children()) {
        if (!child->primitives().empty()) {
            box = &child->primitives()[0];
        }
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(*box, items::CPrimitive::box(1e-3, -0.5, 2));

    C3DObject unclosed;
    ASSERT_EQ(importModel(ModelFormat::Vrml, fixtureBytes("unclosed.wrl"), &unclosed), kImportEnd);
    ASSERT_EQ(unclosed.children().size(), 1u);
    EXPECT_EQ(unclosed.children()[0]->primitives().at(0), items::CPrimitive::box(1, 2, 3));

    // Stray closing brackets never take the level below the root.
    C3DObject stray;
    ASSERT_EQ(readVrml("#VRML\n} ] } Shape { geometry Box { size nan inf 1e999 } } ] }", stray),
              kImportEnd);
    EXPECT_EQ(levelSizes(stray), (std::vector<std::size_t>{1, 1}));
    EXPECT_EQ(stray.children()[0]->primitives().at(0), items::CPrimitive::box(0, 0, 0));
}

TEST(VrmlImportTest, DeepNestingStopsAddingLevelsButKeepsReading) {
    std::string text = "#VRML\n";
    for (int i = 0; i < 5000; ++i) {
        text += "Transform { children [ ";
    }
    text += "Shape { geometry Box { } } ";
    for (int i = 0; i < 5000; ++i) {
        text += "] } ";
    }
    text += "Shape { geometry Sphere { } }";
    C3DObject root;
    ASSERT_EQ(readVrml(text, root), kImportEnd);
    EXPECT_EQ(levelSizes(root).size(), static_cast<std::size_t>(items::kMaxNodeDepth) + 1);
    // After all the brackets close, the sphere's shape is a child of the root again.
    ASSERT_EQ(root.children().size(), 2u);
    EXPECT_EQ(root.children()[1]->primitives().at(0), items::CPrimitive::sphere(1, 16));
}

} // namespace
} // namespace import
