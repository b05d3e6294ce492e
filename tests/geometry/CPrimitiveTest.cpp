#include "items/geometry/CPrimitive.h"

#include <gtest/gtest.h>

#include <vector>

namespace items {
namespace {

struct PrimitiveCase {
    const char* name;
    CPrimitive primitive;
    SizeCounts counts;
    BoundingBox box;
};

TEST(CPrimitiveTest, CountsAndBoundsFollowTheShape) {
    const PrimitiveCase cases[] = {
        {"box", CPrimitive::box(2, 4, 6), {24, 6}, {{-1, -2, -3}, {1, 2, 3}}},
        {"sphere 8", CPrimitive::sphere(1.5, 8), {256, 64}, {{-1.5, -1.5, -1.5}, {1.5, 1.5, 1.5}}},
        {"cylinder 12",
         CPrimitive::cylinder(0.5, 12, 3),
         {108, 36},
         {{-0.5, -1.5, -0.5}, {0.5, 1.5, 0.5}}},
        {"sphere huge",
         CPrimitive::sphere(1, 1 << 30),
         {2147483647, 2147483647},
         {{-1, -1, -1}, {1, 1, 1}}},
        {"sphere largest",
         CPrimitive::sphere(1, 2147483647),
         {2147483647, 2147483647},
         {{-1, -1, -1}, {1, 1, 1}}},
        {"sphere negative", CPrimitive::sphere(1, -2080440320), {0, 0}, {{-1, -1, -1}, {1, 1, 1}}},
        {"cylinder largest",
         CPrimitive::cylinder(1, 2147483647, 2),
         {2147483647, 2147483647},
         {{-1, -1, -1}, {1, 1, 1}}},
        {"cylinder negative", CPrimitive::cylinder(1, -5, 2), {0, 0}, {{-1, -1, -1}, {1, 1, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.primitive.sizeCounts(), c.counts);
        EXPECT_EQ(c.primitive.bounds(), c.box);
    }
}

TEST(CPrimitiveTest, FieldsDecodeByType) {
    const auto cylinder = CPrimitive::cylinder(0.25, 16, 2.0);
    EXPECT_EQ(cylinder.type(), 3);
    EXPECT_EQ(cylinder.radius(), 0.25);
    EXPECT_EQ(cylinder.segments(), 16);
    EXPECT_EQ(cylinder.height(), 2.0);
    EXPECT_EQ(cylinder.sizeX(), 0.0);

    const auto sphere = CPrimitive::sphere(3.0, 10);
    EXPECT_EQ(sphere.height(), 0.0);
    EXPECT_EQ(sphere.segments(), 10);
}

TEST(CPrimitiveTest, BlockBytesAreBigEndianByType) {
    platform::ByteWriter writer;
    CPrimitive::sphere(1.0, 8).save(writer);
    std::vector<std::uint8_t> expected(144, 0);
    const std::uint8_t head[] = {'P', 'r', 'm', 'v', 0, 0, 0, 144, 0, 0, 0, 2};
    std::copy(std::begin(head), std::end(head), expected.begin());
    expected[16] = 0x3F; // 1.0 as f64 at record offset 8
    expected[17] = 0xF0;
    expected[27] = 8; // segments as i32 at record offset 16
    EXPECT_EQ(writer.buffer(), expected);
}

TEST(CPrimitiveTest, UnknownTypesAndUnusedBytesSurviveARoundTrip) {
    CPrimitive::Record record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    record[0] = 0;
    record[1] = 0;
    record[2] = 0;
    record[3] = 9;
    const auto odd = CPrimitive::fromRecord(record);
    EXPECT_EQ(odd.type(), 9);
    EXPECT_EQ(odd.sizeCounts(), SizeCounts{});
    EXPECT_EQ(odd.bounds(), kEmptyBox);

    platform::ByteWriter writer;
    odd.save(writer);
    platform::ByteReader reader(writer.data());
    CPrimitive back;
    ASSERT_TRUE(CPrimitive::load(reader, back));
    EXPECT_EQ(back, odd);
    EXPECT_TRUE(reader.atEnd());
}

TEST(CPrimitiveTest, LoadRefusesWrongTagLengthOrShortBlock) {
    platform::ByteWriter writer;
    CPrimitive::box(1, 1, 1).save(writer);
    struct Damage {
        const char* name;
        std::size_t at;
        std::uint8_t value;
    };
    for (const Damage& d : {Damage{"tag", 0, 'X'}, Damage{"length", 7, 143}}) {
        SCOPED_TRACE(d.name);
        auto bytes = writer.buffer();
        bytes[d.at] = d.value;
        platform::ByteReader reader(bytes);
        CPrimitive out;
        EXPECT_FALSE(CPrimitive::load(reader, out));
        EXPECT_EQ(reader.position(), 0u);
    }
    platform::ByteReader shortReader(writer.data().first(143));
    CPrimitive out;
    EXPECT_FALSE(CPrimitive::load(shortReader, out));
    EXPECT_FALSE(shortReader.ok());
}

} // namespace
} // namespace items
