#include "items/geometry/CPixelTexture.h"

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace items {
namespace {

TEST(CPixelTextureTest, PixelBufferHasHeaderAndOpaqueWhitePixels) {
    CPixelTexture texture;
    texture.setWidth(2);
    texture.setHeight(2);
    texture.setComponents(4);
    ASSERT_TRUE(texture.allocatePixels());
    testing::BlockBytes header(32);
    header.tag(0, "TxIm").u32(4, 48).u32(8, 2).u32(12, 2).u32(16, 4).u32(20, 16);
    const auto buffer = texture.pixelBuffer();
    ASSERT_EQ(buffer.size(), 48u);
    EXPECT_TRUE(std::equal(header.bytes().begin(), header.bytes().end(), buffer.begin()));
    EXPECT_TRUE(std::ranges::all_of(texture.pixels(), [](std::uint8_t b) { return b == 255; }));

    // The size is fixed while the buffer exists.
    EXPECT_FALSE(texture.setWidth(3));
    EXPECT_EQ(texture.width(), 2);
    texture.freePixels();
    EXPECT_TRUE(texture.setWidth(3));
}

TEST(CPixelTextureTest, SetPixelChecksIndexAndSize) {
    CPixelTexture texture;
    texture.setWidth(2);
    texture.setHeight(1);
    texture.setComponents(3);
    const std::uint8_t red[] = {255, 0, 0};
    EXPECT_FALSE(texture.setPixel(0, red)); // no buffer yet
    ASSERT_TRUE(texture.allocatePixels());
    EXPECT_TRUE(texture.setPixel(1, red));
    EXPECT_FALSE(texture.setPixel(2, red));
    EXPECT_FALSE(texture.setPixel(0, std::span(red).first(2)));
    const std::vector<std::uint8_t> expected{255, 255, 255, 255, 0, 0};
    EXPECT_TRUE(std::ranges::equal(texture.pixels(), expected));

    const std::vector<std::uint8_t> rows{1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(texture.setPixels(rows));
    EXPECT_TRUE(std::ranges::equal(texture.pixels(), rows));
    EXPECT_FALSE(texture.setPixels(std::span(rows).first(5)));
}

TEST(CPixelTextureTest, ImpossibleSizesAreRefusedWithoutAllocating) {
    struct Case {
        std::int32_t width, height, components;
    };
    for (const Case& c :
         {Case{65536, 65536, 4}, Case{-1, 4, 3}, Case{0x7FFFFFFF, 0x7FFFFFFF, 4}, Case{4, 4, -3}}) {
        CPixelTexture texture;
        texture.setWidth(c.width);
        texture.setHeight(c.height);
        texture.setComponents(c.components);
        EXPECT_EQ(texture.pixelBufferSize(), 0u);
        EXPECT_FALSE(texture.allocatePixels());
        EXPECT_FALSE(texture.hasPixels());
    }
}

CPixelTexture makeTexture() {
    CPixelTexture texture;
    texture.setWidth(2);
    texture.setHeight(1);
    texture.setComponents(3);
    texture.allocatePixels();
    const std::uint8_t blue[] = {0, 0, 255};
    texture.setPixel(0, blue);
    texture.setFirstString("bricks.png");
    texture.setSecondString("wall");
    texture.setEncodedImage({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 1, 2, 3});
    return texture;
}

TEST(CPixelTextureTest, BlockIsWrittenAndReadBack) {
    const CPixelTexture texture = makeTexture();
    platform::ByteWriter writer;
    texture.save(writer);
    const auto& bytes = writer.buffer();
    // Header, 10 + 4 string bytes, 32 + 6 buffer bytes, 11 image bytes.
    ASSERT_EQ(bytes.size(), 156u + 14 + 38 + 11);
    testing::BlockBytes header(52);
    header.tag(0, "PxTx").u32(4, 219).u32(8, 2).u32(12, 1).u32(16, 3);
    header.u32(20, 156).u32(24, 10).u32(28, 166).u32(32, 4);
    header.u32(36, 170).u32(40, 38).u32(44, 208).u32(48, 11);
    EXPECT_TRUE(std::equal(header.bytes().begin(), header.bytes().end(), bytes.begin()));

    CPixelTexture back;
    EXPECT_EQ(back.load(bytes), LoadStatus::Loaded);
    EXPECT_EQ(back.width(), 2);
    EXPECT_EQ(back.components(), 3);
    EXPECT_TRUE(std::ranges::equal(back.pixelBuffer(), texture.pixelBuffer()));
    EXPECT_TRUE(std::ranges::equal(back.encodedImage(), texture.encodedImage()));
    EXPECT_EQ(back.firstString(), "bricks.png");
    EXPECT_EQ(back.secondString(), "wall");
    platform::ByteWriter again;
    back.save(again);
    EXPECT_EQ(again.buffer(), bytes);
}

TEST(CPixelTextureTest, DamagedSpansAreSkipped) {
    platform::ByteWriter writer;
    makeTexture().save(writer);
    {
        SCOPED_TRACE("raw buffer length does not match the size words");
        testing::BlockBytes bytes(0);
        bytes.bytes() = writer.buffer();
        bytes.u32(12, 1000); // height 1000 needs a far larger buffer
        CPixelTexture back;
        EXPECT_EQ(back.load(bytes.bytes()), LoadStatus::Damaged);
        EXPECT_FALSE(back.hasPixels());
        EXPECT_EQ(back.encodedImage().size(), 11u);
    }
    {
        SCOPED_TRACE("encoded image claims 4 GB");
        testing::BlockBytes bytes(0);
        bytes.bytes() = writer.buffer();
        bytes.u32(48, 0xFFFFFFFFu);
        CPixelTexture back;
        EXPECT_EQ(back.load(bytes.bytes()), LoadStatus::Damaged);
        EXPECT_TRUE(back.encodedImage().empty());
        EXPECT_TRUE(back.hasPixels());
    }
    {
        SCOPED_TRACE("huge size without a raw buffer allocates nothing");
        testing::BlockBytes bytes(156);
        bytes.tag(0, "PxTx").u32(4, 156).u32(8, 0x7FFFFFFF).u32(12, 0x7FFFFFFF).u32(16, 4);
        CPixelTexture back;
        EXPECT_EQ(back.load(bytes.bytes()), LoadStatus::Loaded);
        EXPECT_FALSE(back.hasPixels());
        EXPECT_FALSE(back.allocatePixels());
    }
    {
        SCOPED_TRACE("wrong tag: refused, texture unchanged");
        auto bytes = writer.buffer();
        bytes[3] = '!';
        CPixelTexture back = makeTexture();
        EXPECT_EQ(back.load(bytes), LoadStatus::Refused);
        EXPECT_EQ(back.firstString(), "bricks.png");
    }
}

} // namespace
} // namespace items
