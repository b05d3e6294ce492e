#include "items/geometry/C3DObject.h"

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

namespace items {
namespace {

using testing::BlockBytes;

// Root with two primitives and a child with a face set, a texture and DXF faces.
std::vector<std::uint8_t> sampleBlock() {
    C3DObject root;
    root.addPrimitive(CPrimitive::box(1, 1, 1));
    root.addPrimitive(CPrimitive::sphere(1, 4));
    C3DObject& child = root.createChild();
    child.setTranslation({1, 2, 3});
    auto set = std::make_unique<CIndexedFaceSet>();
    set->addPoint({0, 0, 0});
    set->addPoint({1, 0, 0});
    set->addPoint({0, 1, 0});
    for (std::int32_t i : {0, 1, 2, -1}) {
        set->addCoordIndex(i);
    }
    child.setFaceSet(std::move(set));
    auto texture = std::make_unique<CPixelTexture>();
    texture->setEncodedImage(std::vector<std::uint8_t>(20, 7));
    child.addTexture(std::move(texture));
    auto dxf = std::make_unique<CDXF_3DFACE>();
    dxf->addFace({1, {{0, 0, 0}, {1, 1, 1}, {2, 0, 0}}});
    child.setDxfFaces(std::move(dxf));
    return root.save();
}

constexpr std::size_t kChildren = 0x180;
constexpr std::size_t kPrimitives = 0x184;

TEST(GeometryBlockDamageTest, EveryTruncationIsRefusedOrLoadsAPrefix) {
    const auto bytes = sampleBlock();
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        C3DObject node;
        const LoadStatus status = node.load(std::span(bytes).first(size));
        if (size < 528) {
            ASSERT_EQ(status, LoadStatus::Refused) << size;
        } else {
            ASSERT_EQ(status, LoadStatus::Damaged) << size;
        }
    }
    C3DObject node;
    EXPECT_EQ(node.load(bytes), LoadStatus::Loaded);
}

TEST(GeometryBlockDamageTest, LengthClaimingFourGigabytesLoadsWhatIsThere) {
    BlockBytes block(0);
    block.bytes() = sampleBlock();
    block.u32(4, 0xFFFFFFFFu);
    C3DObject node;
    EXPECT_EQ(node.load(block.bytes()), LoadStatus::Damaged);
    EXPECT_EQ(node.primitives().size(), 2u);
    ASSERT_EQ(node.children().size(), 1u);
    EXPECT_NE(node.children()[0]->faceSet(), nullptr);
}

TEST(GeometryBlockDamageTest, BadSectionsAreSkippedAndTheRestLoads) {
    const auto good = sampleBlock();
    std::uint32_t primitivesStart = 0;
    platform::ByteReader::peekU32(good, kPrimitives, primitivesStart);
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t word;
        std::size_t children;
        std::size_t primitives;
    };
    const Case cases[] = {
        {"children section starts inside the header", kChildren, 16, 0, 2},
        {"primitives section ends before it starts", kPrimitives, 0xFFFFFF00u, 0, 0},
        {"unknown tag in the second primitive", primitivesStart + 144, 0x58585858u, 1, 1},
        {"primitive length not 144", primitivesStart + 4, 145, 1, 0},
        {"child length of 2^31", 528 + 4, 0x80000000u, 0, 2},
        {"child length under a header", 528 + 4, 100, 0, 2},
        {"child with a newer version", 528 + 8, 0x00020000, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlockBytes block(0);
        block.bytes() = good;
        block.u32(c.at, c.word);
        C3DObject node;
        EXPECT_EQ(node.load(block.bytes()), LoadStatus::Damaged);
        EXPECT_EQ(node.children().size(), c.children);
        EXPECT_EQ(node.primitives().size(), c.primitives);
    }
}

TEST(GeometryBlockDamageTest, DamageInsideAChildIsReported) {
    C3DObject root;
    C3DObject& child = root.createChild();
    auto texture = std::make_unique<CPixelTexture>();
    texture->setFirstString("x");
    child.addTexture(std::move(texture));
    child.addTexture(std::make_unique<CPixelTexture>());
    BlockBytes block(0);
    block.bytes() = root.save();
    // The child's textures start right after its header; break the second one's tag.
    std::uint32_t textures = 0;
    platform::ByteReader::peekU32(block.bytes(), 528 + 0x18C, textures);
    block.u32(528 + textures + 157, 0x51515151u);
    C3DObject back;
    EXPECT_EQ(back.load(block.bytes()), LoadStatus::Damaged);
    ASSERT_EQ(back.children().size(), 1u);
    EXPECT_EQ(back.children()[0]->textures().size(), 1u);
}

TEST(GeometryBlockDamageTest, DeepNestingStopsAtTheDepthLimit) {
    C3DObject root;
    C3DObject* node = &root;
    for (int i = 0; i < kMaxNodeDepth + 40; ++i) {
        node = &node->createChild();
    }
    const auto bytes = root.save();
    C3DObject back;
    EXPECT_EQ(back.load(bytes), LoadStatus::Damaged);
    int depth = 0;
    for (const C3DObject* n = &back; !n->children().empty(); n = n->children()[0].get()) {
        ++depth;
    }
    EXPECT_EQ(depth, kMaxNodeDepth);
}

TEST(GeometryBlockDamageTest, HugeCountsFailWithoutAllocating) {
    // A face set whose header claims 2^31 indices in a block of a few hundred bytes.
    C3DObject root;
    auto set = std::make_unique<CIndexedFaceSet>();
    set->addPoint({1, 1, 1});
    set->addCoordIndex(0);
    root.setFaceSet(std::move(set));
    BlockBytes block(0);
    block.bytes() = root.save();
    std::uint32_t faceSet = 0;
    platform::ByteReader::peekU32(block.bytes(), 0x188, faceSet);
    block.u32(faceSet + 20, 0x80000000u).u32(faceSet + 24, 0xFFFFFFFFu);
    C3DObject back;
    EXPECT_EQ(back.load(block.bytes()), LoadStatus::Damaged);
    ASSERT_NE(back.faceSet(), nullptr);
    EXPECT_EQ(back.faceSet()->coordIndices().size(), 1u);
    EXPECT_TRUE(back.faceSet()->texCoordIndices().empty());
}

} // namespace
} // namespace items
