#include "import/DxfImporter.h"
#include "import/ModelImport.h"
#include "items/geometry/C3DObject.h"

#include "ImportTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace import {
namespace {

using items::C3DObject;
using items::DxfFace;
using testing::fixtureBytes;
using testing::textBytes;

std::vector<DxfFace> facesOf(const C3DObject& node) {
    if (node.dxfFaces() == nullptr) {
        return {};
    }
    const auto faces = node.dxfFaces()->faces();
    return {faces.begin(), faces.end()};
}

TEST(DxfImportTest, ThreeDFacesAreReadAndOtherEntitiesSkipped) {
    C3DObject root;
    ASSERT_EQ(importModel(ModelFormat::Dxf, fixtureBytes("faces.dxf"), &root), kImportEnd);
    EXPECT_TRUE(root.children().empty());
    // The first face lies on layer "0" and repeats its third corner; the second has colour 300
    // and a layer name with a space. The line and the circle add nothing.
    EXPECT_EQ(facesOf(root), (std::vector<DxfFace>{
                                 {1, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}}},
                                 {300, {{2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {2, 1, 0}}},
                             }));
    EXPECT_EQ(root.dxfFaces()->bounds(), (items::BoundingBox{{0, 0, 0}, {3, 1, 0}}));
    EXPECT_TRUE(hasImportedGeometry(root));
}

struct DxfCase {
    const char* name;
    std::string text;
    int result;
    std::vector<DxfFace> faces;
};

TEST(DxfImportTest, SectionsEntitiesAndGroupCodes) {
    const DxfCase cases[] = {
        {"no section", "0\nLINE\n0\nEOF\n", kImportBadHeader, {}},
        {"end before the section",
         "0\nEOF\n0\nSECTION\n0\n3DFACE\n10\n1\n20\n1\n30\n1\n0\nEOF\n",
         kImportBadHeader,
         {}},
        {"empty", "", kImportBadHeader, {}},
        {"section without faces", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", kImportEnd, {}},
        {"default colour, LF and CR ends",
         "0\rSECTION\r0\n3DFACE\n10\n1\n20\n2\n30\n3\n11\n4\n21\n5\n31\n6\n12\n7\n22\n8\n32\n9\n0\n"
         "EOF\n",
         kImportEnd,
         {{7, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}}}},
        {"comments and odd numbers",
         "# made by hand\n0\nSECTION\n0\n3DFACE\n# a comment inside\n10\n1e-3\n20\n-.5\n30\n+2\n"
         "62\n70000\n0\nEOF\n",
         kImportEnd,
         {{32767, {{1e-3, -0.5, 2}}}}},
        {"after EOF", "0\nSECTION\n0\nEOF\n0\n3DFACE\n10\n1\n20\n1\n30\n1\n0\n", kImportEnd, {}},
        {"cut short",
         "0\nSECTION\n0\n3DFACE\n10\n1\n20\n1\n30\n1\n11\n",
         kImportEnd,
         {{7, {{1, 1, 1}}}}},
        {"words as numbers",
         "0\nSECTION\n0\n3DFACE\n10\nabc\n20\n\n30\n2\n0\nEOF\n",
         kImportEnd,
         {{7, {{0, 0, 2}}}}},
    };
    for (const DxfCase& c : cases) {
        SCOPED_TRACE(c.name);
        C3DObject root;
        EXPECT_EQ(importModel(ModelFormat::Dxf, textBytes(c.text), &root), c.result);
        EXPECT_EQ(facesOf(root), c.faces);
    }
    EXPECT_EQ(importDxf(textBytes("0\nSECTION\n"), nullptr), kImportFailed);
}

} // namespace
} // namespace import
