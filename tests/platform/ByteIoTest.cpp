#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using platform::ByteReader;
using platform::ByteWriter;

TEST(ByteIoTest, WriterProducesBigEndianBytes) {
    ByteWriter writer;
    writer.tag("3DOj");
    writer.u8(0x01);
    writer.u16(0x0203);
    writer.u32(0x04050607);
    writer.i32(-2);
    writer.f32(1.0f);
    writer.f64(-2.0);
    writer.i16(-1);
    const std::vector<std::uint8_t> expected{
        '3',  'D',  'O',  'j',  0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0xFF, 0xFF, 0xFF, 0xFE,
        0x3F, 0x80, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(writer.buffer(), expected);
}

TEST(ByteIoTest, ReaderReadsBackWhatWriterWrote) {
    ByteWriter writer;
    writer.u8(200);
    writer.u16(65000);
    writer.u32(0xDEADBEEF);
    writer.u64(0x0102030405060708ull);
    writer.i16(-300);
    writer.i32(std::numeric_limits<std::int32_t>::min());
    writer.f32(0.1f);
    writer.f64(123.456);
    ByteReader reader(writer.data());
    EXPECT_EQ(reader.u8(), 200);
    EXPECT_EQ(reader.u16(), 65000);
    EXPECT_EQ(reader.u32(), 0xDEADBEEFu);
    EXPECT_EQ(reader.u64(), 0x0102030405060708ull);
    EXPECT_EQ(reader.i16(), -300);
    EXPECT_EQ(reader.i32(), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(reader.f32(), 0.1f);
    EXPECT_EQ(reader.f64(), 123.456);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_TRUE(reader.ok());
}

TEST(ByteIoTest, ShortReadFailsWithoutMovingAndStaysFailed) {
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    ByteReader reader(bytes);
    EXPECT_EQ(reader.u32(), 0u);
    EXPECT_FALSE(reader.ok());
    EXPECT_EQ(reader.position(), 0u);
    // Later reads that fit still work, but the failure is remembered.
    EXPECT_EQ(reader.u16(), 0x0102);
    EXPECT_FALSE(reader.ok());
    EXPECT_TRUE(reader.bytes(2).empty());
    EXPECT_EQ(reader.position(), 2u);
}

TEST(ByteIoTest, RangesAreCheckedWithoutOverflow) {
    const std::vector<std::uint8_t> bytes(16, 0xAB);
    ByteReader reader(bytes);
    const std::size_t huge = std::numeric_limits<std::size_t>::max();
    EXPECT_TRUE(reader.contains(0, 16));
    EXPECT_TRUE(reader.contains(16, 0));
    EXPECT_FALSE(reader.contains(8, 9));
    EXPECT_FALSE(reader.contains(8, huge));
    EXPECT_FALSE(reader.contains(huge, 1));
    EXPECT_FALSE(reader.skip(huge));
    EXPECT_FALSE(reader.seek(17));
    EXPECT_FALSE(reader.ok());

    ByteReader inside = ByteReader(bytes).sub(4, 8);
    EXPECT_TRUE(inside.ok());
    EXPECT_EQ(inside.size(), 8u);
    ByteReader outside = ByteReader(bytes).sub(12, huge);
    EXPECT_FALSE(outside.ok());
    EXPECT_EQ(outside.size(), 0u);

    std::uint32_t value = 7;
    EXPECT_FALSE(ByteReader::peekU32(bytes, 13, value));
    EXPECT_FALSE(ByteReader::peekU32(bytes, huge - 1, value));
    EXPECT_EQ(value, 7u);
    EXPECT_TRUE(ByteReader::peekU32(bytes, 12, value));
    EXPECT_EQ(value, 0xABABABABu);
}

TEST(ByteIoTest, TagComparesFourCharacters) {
    const std::vector<std::uint8_t> bytes{'P', 'r', 'm', 'v', 'I', 'x'};
    ByteReader reader(bytes);
    EXPECT_TRUE(reader.tag("Prmv"));
    EXPECT_FALSE(reader.tag("IxFS")); // only two bytes left
    EXPECT_FALSE(reader.ok());
}

TEST(ByteIoTest, PatchesFillInLaterValuesOnlyInsideTheBuffer) {
    ByteWriter writer;
    writer.u32(0);
    writer.zeros(4);
    writer.padTo(10);
    writer.padTo(4);
    EXPECT_EQ(writer.size(), 10u);
    EXPECT_TRUE(writer.patchU32(6, 0x11223344));
    EXPECT_FALSE(writer.patchU32(7, 1));
    EXPECT_FALSE(writer.patchI32(std::numeric_limits<std::size_t>::max() - 1, 1));
    const std::vector<std::uint8_t> expected{0, 0, 0, 0, 0, 0, 0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(writer.take(), expected);
}

} // namespace
