// Byte-exact output of the layout writer for small layouts built in code.
#include "LayoutTestSupport.h"

#include <algorithm>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"

using namespace layouttest;

namespace {

using WriterTest = LayoutTest;

TEST_F(WriterTest, EmptyBoardIsHeaderEmptyTrackChunkAndEnvironment) {
    const auto bytes = persistence::buildLayoutFile(document());

    Bytes expected = header(412, 11, 11, 296, 0, 0, 320);
    expected.tag("TrkD").u32(24).zeros(16);
    expected.raw(defaultEnvironmentChunk().data);
    ASSERT_EQ(expected.size(), 412u);
    EXPECT_EQ(bytes, expected.data);
}

TEST_F(WriterTest, BoardWithLinesStructureAndControlItems) {
    document().setSize(4, 3);
    // Layer 0, cell (1, 2): two lines, a point with number 5 set to reverse, and a station.
    model::CTrackItem* ground = model::createTile({1, 2}, 0);
    ground->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    ground->getTrack().addLine(points({{0, 20}, {20, 10}, {40, 0}}), 100);
    ASSERT_TRUE(ground->addControlItem(model::KindPoint));
    ground->pointItem()->setRect({31, 0, 41, 10});
    ground->pointItem()->setOccupant(1);
    ASSERT_TRUE(ground->pointItem()->setNumber(5));
    ASSERT_TRUE(ground->addControlItem(model::KindStation1));
    ground->findControlItem(model::KindStation1)->setValue(10);
    // Layer 1, cell (2, 0), offset 2: a straight line, a structure with a Japanese name and
    // a reversing point holding a vehicle (not stored).
    model::CTrackItem* raised = model::createTile({2, 0}, 1);
    raised->setElevationOffset(2);
    raised->getTrack().addLine(points({{20, 0}, {20, 40}}), 1);
    raised->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureItemModel, "駅舎.zn3"));
    raised->getStructure()->setRect({0, 1, 28, 40});
    ASSERT_TRUE(raised->addControlItem(model::KindReversing));
    raised->reversingItem()->setValue(-1);
    raised->reversingItem()->setOccupant(0x1234);
    // An empty tile is not written.
    model::createTile({0, 0}, 0);

    Bytes tiles;
    // Ground tile: 52 head + 108 track + 0 picture + 0 structure + 120 control items.
    tiles.tag("TrkP").u32(280).u32(52).u32(160).u32(160).u32(160);
    tiles.i32(0).i16(1).i16(2).i32(0).zeros(16);
    tiles.tag("trck").u32(108).u32(2).zeros(16);
    tiles.i32(2).i32(1).zeros(12).i32(0).i32(20).i32(40).i32(20);
    tiles.i32(3).i32(100).zeros(12).i32(0).i32(20).i32(20).i32(10).i32(40).i32(0);
    tiles.u32(2).u32(56);
    tiles.tag("tkOp").u32(56).i32(301).i16(31).i16(0).i16(41).i16(10);
    tiles.i32(1).i32(0).i32(5).i32(0).zeros(20);
    tiles.tag("tkOp").u32(56).i32(307).i16(0).i16(0).i16(20).i16(39);
    tiles.i32(0).i32(0).i32(0).i32(10).zeros(20);
    // Raised tile: 52 head + 64 track + 36 structure (28 + 8 name bytes) + 64 control items.
    tiles.tag("TrkP").u32(216).u32(52).u32(116).u32(116).u32(152);
    tiles.i32(1).i16(2).i16(0).i32(2).zeros(16);
    tiles.tag("trck").u32(64).u32(1).zeros(16);
    tiles.i32(2).i32(1).zeros(12).i32(20).i32(0).i32(20).i32(40);
    tiles.tag("tkSt").u32(36).i32(9000).i16(0).i16(1).i16(28).i16(40).u32(28).zeros(4);
    tiles.raw(std::vector<std::uint8_t>{0x89, 0x77, 0x8E, 0xC9, '.', 'z', 'n', '3'});
    tiles.u32(1).u32(56);
    tiles.tag("tkOp").u32(56).i32(303).i16(12).i16(32).i16(28).i16(40);
    tiles.i32(0).i32(0).i32(0).i32(-1).zeros(20);
    ASSERT_EQ(tiles.size(), 280u + 216u);

    const std::uint32_t trackLength = 24 + 496;
    Bytes expected = header(296 + trackLength + 92, 4, 3, 296, 0, 0, 296 + trackLength);
    expected.tag("TrkD").u32(trackLength).zeros(16).raw(tiles.data);
    expected.raw(defaultEnvironmentChunk().data);

    EXPECT_EQ(persistence::buildLayoutFile(document()), expected.data);
}

TEST_F(WriterTest, EnvironmentFieldsAreBigEndianAndReservedBytesCopied) {
    model::EnvironmentRecord record = model::EnvironmentRecord::defaults();
    record.skyType = 5;
    record.flags = model::EnvFog | model::EnvLightOff;
    record.groundColour = {0x0102, 0x0304, 0x0506};
    record.lightPosition = {1.0f, -2.5f, 100.0f};
    record.reserved[0] = 0xAA;
    record.reserved[39] = 0x55;
    document().setEnvironment(&record);

    const auto bytes = persistence::buildLayoutFile(document());
    ASSERT_EQ(bytes.size(), 412u);
    Bytes expected;
    expected.tag("Cenv").u32(92).i32(5).u32(0x24);
    expected.u16(0x0102).u16(0x0304).u16(0x0506);
    expected.u16(0x3300).u16(0xA900).u16(0x1C00);
    expected.u16(0x9709).u16(0xD709).u16(0x7FFF);
    expected.u16(0x028F).u16(0x3333).u16(0x51EB);
    expected.u32(0x3F800000).u32(0xC0200000).u32(0x42C80000);
    expected.data.push_back(0xAA);
    expected.zeros(38);
    expected.data.push_back(0x55);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 320, bytes.end()), expected.data);
}

} // namespace

namespace {

TEST_F(WriterTest, CharactersShiftJisCannotHoldAreWrittenAsQuestionMarks) {
    model::CTrackItem* tile = model::createTile({0, 0}, 0);
    tile->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    tile->setStructure(
        std::make_unique<model::CTrackStructureItem>(9000, "駅\xF0\x9F\x98\x80.zn3"));
    const auto bytes = persistence::buildLayoutFile(document());
    const std::vector<std::uint8_t> name = {0x89, 0x77, '?', '.', 'z', 'n', '3'};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), name.begin(), name.end()), bytes.end());

    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), persistence::LayoutReadResult::Read);
    EXPECT_EQ(model::tileAt(0, {0, 0})->getStructure()->getModelName(), "駅?.zn3");
    EXPECT_EQ(persistence::buildLayoutFile(document()), bytes);
}

} // namespace
