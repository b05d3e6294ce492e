#include "items/geometry/C3DObject.h"

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

namespace items {
namespace {

using testing::BlockBytes;
using testing::expectSameTree;

// A current-version node block of exactly 528 bytes with empty sections.
BlockBytes emptyNodeBlock() {
    BlockBytes block(528);
    block.tag(0, "3DOj").u32(4, 528).u32(8, 0x00010001);
    block.f64(0x10, 1).f64(0x18, 2).f64(0x20, 3);
    block.f64(0x28, 0).f64(0x30, 1).f64(0x38, 0);
    block.f64(0x40, 2).f64(0x48, 2).f64(0x50, 2);
    block.f64(0x58, 0.5);
    block.f64(0x60, 0.1).f64(0x68, 0.2).f64(0x70, 0.3).f64(0x78, 0.4);
    block.u32(0x80, 2).u32(0x84, 3); // flag bit 1: transparent
    for (std::size_t at = 0x180; at < 0x190; at += 4) {
        block.u32(at, 528);
    }
    return block;
}

// A tree that uses every stored part.
std::unique_ptr<C3DObject> makeTree() {
    auto root = std::make_unique<C3DObject>();
    root->setTranslation({0.5, -1, 2});
    root->setColourComponent(3, 0.75);
    root->setTransparent(true);
    root->setDetailLevel(2);
    root->addPrimitive(CPrimitive::box(1, 2, 3));

    C3DObject& body = root->createChild();
    body.setScale({2, 1, 0.5});
    body.setRotationAxis({0, 1, 0});
    body.setRotationAngle(1.25);
    body.addPrimitive(CPrimitive::sphere(0.5, 8));
    body.addPrimitive(CPrimitive::cylinder(0.25, 12, 4));
    auto faceSet = std::make_unique<CIndexedFaceSet>();
    for (double c : {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.5}) {
        faceSet->addCoordinate(c);
    }
    for (std::int32_t i : {0, 1, 2, 3, -1, 0, 2, 1, -1}) {
        faceSet->addCoordIndex(i);
    }
    for (double c : {0.0, 0.0, 1.0, 0.0, 1.0, 1.0, 0.0, 1.0}) {
        faceSet->addTexCoordinate(c);
    }
    for (std::int32_t i : {0, 1, 2, 3, -1}) {
        faceSet->addTexCoordIndex(i);
    }
    body.setFaceSet(std::move(faceSet));
    auto texture = std::make_unique<CPixelTexture>();
    texture->setWidth(1);
    texture->setHeight(2);
    texture->setComponents(4);
    texture->allocatePixels();
    texture->setEncodedImage({0x89, 'P', 'N', 'G'});
    body.addTexture(std::move(texture));
    body.addTexture(std::make_unique<CPixelTexture>());

    C3DObject& wheel = body.createChild();
    wheel.setTranslation({0, 0.25, 0});
    wheel.addPrimitive(CPrimitive::cylinder(0.25, 16, 0.1));

    C3DObject& imported = root->createChild();
    auto dxf = std::make_unique<CDXF_3DFACE>();
    dxf->addFace({3, {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}}});
    imported.setDxfFaces(std::move(dxf));
    return root;
}

TEST(C3DObjectTest, EmptyNodeBlockLoadsTheHeaderAndIsWrittenBackUnchanged) {
    const BlockBytes block = emptyNodeBlock();
    C3DObject node;
    ASSERT_EQ(node.load(block.bytes()), LoadStatus::Loaded);
    EXPECT_EQ(node.translation(), (Vec3d{1, 2, 3}));
    EXPECT_EQ(node.rotationAxis(), (Vec3d{0, 1, 0}));
    EXPECT_EQ(node.scale(), (Vec3d{2, 2, 2}));
    EXPECT_EQ(node.rotationAngle(), 0.5);
    EXPECT_EQ(node.colour(), (std::array<double, 4>{0.1, 0.2, 0.3, 0.4}));
    EXPECT_TRUE(node.isTransparent());
    EXPECT_EQ(node.detailLevel(), 3);
    EXPECT_TRUE(node.children().empty());
    EXPECT_TRUE(node.primitives().empty());
    EXPECT_EQ(node.faceSet(), nullptr);
    EXPECT_TRUE(node.textures().empty());
    EXPECT_EQ(node.dxfFaces(), nullptr);
    EXPECT_EQ(node.save(), block.bytes());
}

TEST(C3DObjectTest, TransparencyIsFlagBitOneOfTheStoredFlags) {
    struct Case {
        std::uint32_t flags;
        bool transparent;
    };
    for (const Case c : {Case{0x0, false}, Case{0x1, false}, Case{0x2, true}, Case{0x3, true},
                         Case{0xFFFFFFFD, false}}) {
        BlockBytes block = emptyNodeBlock();
        block.u32(0x80, c.flags);
        C3DObject node;
        ASSERT_EQ(node.load(block.bytes()), LoadStatus::Loaded);
        EXPECT_EQ(node.isTransparent(), c.transparent) << std::hex << c.flags;
        EXPECT_EQ(node.save(), block.bytes()) << std::hex << c.flags;
    }
    C3DObject node;
    node.setTransparent(true);
    EXPECT_EQ(node.flags(), 0x2u);
}

TEST(C3DObjectTest, OldHeaderLoadsWithUnitScaleAndNoFlags) {
    BlockBytes block(528);
    block.tag(0, "3DOj").u32(4, 528).u32(8, 0x00010000);
    block.f64(0x10, 4).f64(0x18, 5).f64(0x20, 6); // translation
    block.f64(0x28, 1).f64(0x30, 0).f64(0x38, 0); // rotation axis
    block.f64(0x40, 0.25);                        // rotation angle
    block.f64(0x48, 0.5).f64(0x50, 0.6).f64(0x58, 0.7).f64(0x60, 0.8);
    for (std::size_t at = 0x68; at < 0x78; at += 4) {
        block.u32(at, 528);
    }
    C3DObject node;
    ASSERT_EQ(node.load(block.bytes()), LoadStatus::Loaded);
    EXPECT_EQ(node.translation(), (Vec3d{4, 5, 6}));
    EXPECT_EQ(node.rotationAxis(), (Vec3d{1, 0, 0}));
    EXPECT_EQ(node.rotationAngle(), 0.25);
    EXPECT_EQ(node.scale(), (Vec3d{1, 1, 1}));
    EXPECT_EQ(node.colour(), (std::array<double, 4>{0.5, 0.6, 0.7, 0.8}));
    EXPECT_EQ(node.flags(), 0u);
    EXPECT_EQ(node.detailLevel(), 0);

    // Written back in the current version, it reads the same.
    C3DObject again;
    ASSERT_EQ(again.load(node.save()), LoadStatus::Loaded);
    expectSameTree(node, again);
}

TEST(C3DObjectTest, RefusedBlocksLeaveTheNodeUntouched) {
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t word;
    };
    const Case cases[] = {
        {"newer version", 8, 0x00010002},
        {"wrong tag", 0, 0x33644F6A},
        {"length under the header", 4, 527},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlockBytes block = emptyNodeBlock();
        block.u32(c.at, c.word);
        auto node = makeTree();
        const auto before = node->save();
        EXPECT_EQ(node->load(block.bytes()), LoadStatus::Refused);
        EXPECT_EQ(node->save(), before);
    }
    C3DObject node;
    node.setTranslation({7, 7, 7});
    EXPECT_EQ(node.load(std::span(emptyNodeBlock().bytes()).first(527)), LoadStatus::Refused);
    EXPECT_EQ(node.translation(), (Vec3d{7, 7, 7}));
}

TEST(C3DObjectTest, TreeWrittenAndReadBackIsTheSameTree) {
    const auto tree = makeTree();
    const auto bytes = tree->save();
    C3DObject back;
    ASSERT_EQ(back.load(bytes), LoadStatus::Loaded);
    expectSameTree(*tree, back);
    EXPECT_EQ(back.save(), bytes);
    EXPECT_EQ(back.children()[0]->children()[0]->parent(), back.children()[0].get());
    EXPECT_EQ(back.children()[0]->faceSet()->owner(), back.children()[0].get());
}

TEST(C3DObjectTest, EachPartAloneSurvivesARoundTrip) {
    struct Case {
        const char* name;
        void (*build)(C3DObject&);
    };
    const Case cases[] = {
        {"box", [](C3DObject& n) { n.addPrimitive(CPrimitive::box(1, 1, 1)); }},
        {"sphere", [](C3DObject& n) { n.addPrimitive(CPrimitive::sphere(2, 6)); }},
        {"cylinder", [](C3DObject& n) { n.addPrimitive(CPrimitive::cylinder(1, 5, 2)); }},
        {"face set",
         [](C3DObject& n) {
             auto set = std::make_unique<CIndexedFaceSet>();
             set->addPoint({1, 2, 3});
             set->addCoordIndex(0);
             n.setFaceSet(std::move(set));
         }},
        {"empty face set", [](C3DObject& n) { n.setFaceSet(std::make_unique<CIndexedFaceSet>()); }},
        {"texture",
         [](C3DObject& n) {
             auto texture = std::make_unique<CPixelTexture>();
             texture->setFirstString("a.png");
             n.addTexture(std::move(texture));
         }},
        {"dxf", [](C3DObject& n) { n.setDxfFaces(std::make_unique<CDXF_3DFACE>()); }},
        {"child",
         [](C3DObject& n) {
             n.createChild().setTranslation({1, 0, 0});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        C3DObject node;
        c.build(node);
        const auto bytes = node.save();
        C3DObject back;
        ASSERT_EQ(back.load(bytes), LoadStatus::Loaded);
        expectSameTree(node, back);
        EXPECT_EQ(back.save(), bytes);
    }
}

TEST(C3DObjectTest, BoundsOfAKnownBox) {
    C3DObject node;
    node.setScale({2, 2, 2});
    node.setTranslation({1, 0, 0});
    node.addPrimitive(CPrimitive::box(1, 2, 3));
    EXPECT_EQ(node.localBounds(), (BoundingBox{{0, -2, -3}, {2, 2, 3}}));
    EXPECT_EQ(node.bounds(0.5, {10, 0, 0}), (BoundingBox{{10, -1, -1.5}, {11, 1, 1.5}}));

    // A parent merges its children's boxes, already moved into its own coordinates.
    C3DObject root;
    C3DObject& child = root.createChild();
    child.setTranslation({0, 5, 0});
    child.addPrimitive(CPrimitive::box(1, 2, 3));
    EXPECT_EQ(root.localBounds(), (BoundingBox{{-0.5, 4, -1.5}, {0.5, 6, 1.5}}));
}

TEST(C3DObjectTest, BoundsOfAFaceSetAndOfEmptyNodes) {
    C3DObject node;
    node.setScale({0.5, 0.5, 0.5});
    auto set = std::make_unique<CIndexedFaceSet>();
    set->addPoint({0, 0, 0});
    set->addPoint({4, 2, 0});
    set->addPoint({1, 1, -3});
    node.setFaceSet(std::move(set));
    EXPECT_EQ(node.bounds(1.0), (BoundingBox{{0, 0, -1.5}, {2, 1, 0}}));

    // No content: every axis collapses to 0 before the transform.
    C3DObject empty;
    empty.setTranslation({3, 4, 5});
    EXPECT_EQ(empty.localBounds(), (BoundingBox{{3, 4, 5}, {3, 4, 5}}));
    // A face set whose points lie only above 0 on an axis keeps that axis.
    C3DObject flat;
    auto line = std::make_unique<CIndexedFaceSet>();
    line->addCoordinate(2);
    flat.setFaceSet(std::move(line));
    EXPECT_EQ(flat.localBounds(), (BoundingBox{{2, 0, 0}, {2, 0, 0}}));
}

TEST(C3DObjectTest, SizeCountsAddUpAndFollowChanges) {
    C3DObject root;
    root.addPrimitive(CPrimitive::box(1, 1, 1));
    C3DObject& child = root.createChild();
    child.addPrimitive(CPrimitive::sphere(1, 8));
    auto set = std::make_unique<CIndexedFaceSet>();
    for (std::int32_t i : {0, 1, 2, -1, 2, 3, 0, 1, -1}) {
        set->addCoordIndex(i);
    }
    child.setFaceSet(std::move(set));
    EXPECT_EQ(root.sizeCounts(), (SizeCounts{24 + 256 + 7, 6 + 64 + 2}));
    child.addPrimitive(CPrimitive::cylinder(1, 4, 1));
    EXPECT_EQ(root.sizeCounts(), (SizeCounts{24 + 256 + 7 + 36, 6 + 64 + 2 + 12}));
    EXPECT_EQ(root.addPrimitive(CPrimitive::fromRecord(CPrimitive::Record{})), nullptr);
    EXPECT_EQ(root.primitives().size(), 1u);

    const TreeCounts counts = makeTree()->treeCounts();
    EXPECT_EQ(counts.nodes, 4u);
    EXPECT_EQ(counts.primitives, 4u);
    EXPECT_EQ(counts.faceSets, 1u);
    EXPECT_EQ(counts.points, 4u);
    EXPECT_EQ(counts.textures, 2u);
    EXPECT_EQ(counts.dxfFaces, 1u);
}

TEST(C3DObjectTest, PartBoxesListNodesThatAddTheirOwnContent) {
    C3DObject root; // no content of its own: its box is its children's
    C3DObject& left = root.createChild();
    left.setTranslation({-2, 0, 0});
    left.addPrimitive(CPrimitive::box(2, 2, 2));
    C3DObject& right = root.createChild();
    right.setTranslation({2, 0, 0});
    right.addPrimitive(CPrimitive::box(2, 2, 2));
    right.createChild().addPrimitive(CPrimitive::box(1, 1, 1));

    std::vector<std::pair<int, BoundingBox>> boxes;
    root.collectPartBoxes(0.5, {0, 10, 0}, boxes);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], (std::pair<int, BoundingBox>{1, {{-1.5, 9.5, -0.5}, {-0.5, 10.5, 0.5}}}));
    EXPECT_EQ(boxes[1], (std::pair<int, BoundingBox>{1, {{0.5, 9.5, -0.5}, {1.5, 10.5, 0.5}}}));
    EXPECT_EQ(boxes[2],
              (std::pair<int, BoundingBox>{2, {{0.75, 9.75, -0.25}, {1.25, 10.25, 0.25}}}));
}

TEST(C3DObjectTest, RootSettingsAreSharedThroughAnyNode) {
    C3DObject root;
    C3DObject& leaf = root.createChild().createChild();
    EXPECT_EQ(&leaf.root(), &root);
    EXPECT_EQ(leaf.depth(), 2);
    EXPECT_TRUE(leaf.useColour());
    leaf.setUseColour(false);
    EXPECT_FALSE(root.useColour());

    std::array<float, 3> rgb{0.1f, 0.2f, 0.3f};
    OverrideColour colour;
    EXPECT_FALSE(leaf.overrideColour(colour));
    leaf.overrideColourFloats(rgb);
    EXPECT_EQ(rgb, (std::array<float, 3>{0.1f, 0.2f, 0.3f}));
    leaf.setOverrideColour({65535, 0, 0, 0});
    EXPECT_TRUE(root.overrideColour(colour));
    EXPECT_EQ(colour.r, 65535);
    leaf.overrideColourFloats(rgb);
    EXPECT_EQ(rgb, (std::array<float, 3>{1.0f, 0.0f, 0.0f}));

    leaf.setTransparent(true);
    EXPECT_TRUE(root.testFlags(C3DObject::kTransparentFlag));
    EXPECT_FALSE(leaf.testFlags(C3DObject::kTransparentFlag));
    EXPECT_TRUE(leaf.setDetailLevel(4));
    EXPECT_FALSE(root.setDetailLevel(4));
    EXPECT_EQ(root.detailLevel(), 4);

    leaf.setColourComponent(4, 0.0);
    leaf.setColourComponent(-1, 0.0);
    EXPECT_EQ(leaf.colour(), (std::array<double, 4>{1, 1, 1, 1}));
}

TEST(C3DObjectTest, AddChildRefusesNodesAlreadyInATree) {
    C3DObject root;
    EXPECT_EQ(root.addChild(nullptr), nullptr);
    auto loose = std::make_unique<C3DObject>();
    C3DObject* adopted = root.addChild(std::move(loose));
    ASSERT_NE(adopted, nullptr);
    EXPECT_EQ(adopted->parent(), &root);

    C3DObject other;
    C3DObject& inOther = other.createChild();
    // A node that another tree owns is refused and left to that tree.
    EXPECT_EQ(root.addChild(std::unique_ptr<C3DObject>(&inOther)), nullptr);
    EXPECT_EQ(root.children().size(), 1u);
    EXPECT_EQ(inOther.parent(), &other);
    EXPECT_TRUE(C3DObject::isLive(&inOther));
}

TEST(C3DObjectTest, DefinitionNamesAreRegisteredWhileTheNodeLives) {
    auto first = std::make_unique<C3DObject>();
    first->setDefinitionName("Wheel");
    EXPECT_EQ(C3DObject::findDefinition("Wheel"), first.get());
    {
        C3DObject second;
        second.setDefinitionName("Wheel");
        EXPECT_EQ(C3DObject::findDefinition("Wheel"), &second);
        // The earlier definer leaving does not remove the later one.
        first->unregisterDefinitionName();
        EXPECT_EQ(C3DObject::findDefinition("Wheel"), &second);
        EXPECT_TRUE(C3DObject::isLive(&second));
    }
    EXPECT_EQ(C3DObject::findDefinition("Wheel"), nullptr);

    first->setDefinitionName("Axle");
    first->setReferenceName("Wheel");
    first->clear();
    EXPECT_EQ(C3DObject::findDefinition("Axle"), nullptr);
    EXPECT_TRUE(first->referenceName().empty());
    const C3DObject* gone = first.get();
    first.reset();
    EXPECT_FALSE(C3DObject::isLive(gone));
}

TEST(C3DObjectTest, ClearRestoresDefaultsButKeepsRootSettings) {
    auto tree = makeTree();
    tree->setOverrideColour({1, 2, 3, 0});
    tree->clear();
    EXPECT_TRUE(tree->children().empty());
    EXPECT_TRUE(tree->primitives().empty());
    EXPECT_EQ(tree->translation(), Vec3d{});
    EXPECT_EQ(tree->scale(), (Vec3d{1, 1, 1}));
    EXPECT_EQ(tree->colour(), (std::array<double, 4>{1, 1, 1, 1}));
    EXPECT_EQ(tree->flags(), 0u);
    EXPECT_EQ(tree->sizeCounts(), SizeCounts{});
    OverrideColour colour;
    EXPECT_TRUE(tree->overrideColour(colour));
    EXPECT_EQ(tree->detailLevel(), 2);
}

TEST(C3DObjectTest, TexturesReadyOnlyWhenEveryNodeHasItsBackEndTexture) {
    auto tree = makeTree();
    C3DObject& body = *tree->children()[0];
    EXPECT_EQ(body.firstDrawableTexture(), body.texture(0));
    EXPECT_FALSE(tree->allTexturesReady());
    for (const auto& [number, texture] : body.textures()) {
        texture->setBackEndTexture(static_cast<std::uint32_t>(number + 1));
    }
    EXPECT_TRUE(tree->allTexturesReady());
    body.setTexture(0, nullptr);
    EXPECT_EQ(body.texture(0), nullptr);
    EXPECT_EQ(body.firstDrawableTexture(), nullptr);
}

} // namespace
} // namespace items
