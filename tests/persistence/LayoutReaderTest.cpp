// The layout reader on files written out by hand: the cases a reader of other writers' files
// must get right.
#include "LayoutTestSupport.h"

#include "image/PngCodec.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "platform/TextEncoding.h"
#include "support/TempFolder.h"

#include <fstream>

using namespace layouttest;
using persistence::LayoutReadResult;

namespace {

// A tile record with a straight line and optional extra sections.
struct TileSpec {
    std::int32_t layer = 0;
    std::int16_t column = 0;
    std::int16_t row = 0;
    std::int32_t elevation = 0;
    std::vector<std::uint8_t> picture;
    std::vector<std::uint8_t> structure;
    std::vector<std::uint8_t> controls;
};

Bytes tileRecord(const TileSpec& spec) {
    Bytes track;
    track.tag("trck").u32(64).u32(1).zeros(16);
    track.i32(2).i32(1).zeros(12).i32(0).i32(20).i32(40).i32(20);
    const std::uint32_t picture = 52 + 64;
    const std::uint32_t structure = picture + static_cast<std::uint32_t>(spec.picture.size());
    const std::uint32_t controls = structure + static_cast<std::uint32_t>(spec.structure.size());
    const std::uint32_t length = controls + static_cast<std::uint32_t>(spec.controls.size());
    Bytes b;
    b.tag("TrkP").u32(length).u32(52).u32(picture).u32(structure).u32(controls);
    b.i32(spec.layer).i16(spec.column).i16(spec.row).i32(spec.elevation).zeros(16);
    b.raw(track.data).raw(spec.picture).raw(spec.structure).raw(spec.controls);
    return b;
}

Bytes trackChunk(const std::vector<Bytes>& records) {
    Bytes b;
    std::uint32_t length = 24;
    for (const Bytes& r : records) {
        length += static_cast<std::uint32_t>(r.size());
    }
    b.tag("TrkD").u32(length).zeros(16);
    for (const Bytes& r : records) {
        b.raw(r.data);
    }
    return b;
}

Bytes pointControls(std::int32_t number) {
    Bytes b;
    b.u32(1).u32(56);
    b.tag("tkOp").u32(56).i32(301).i16(0).i16(0).i16(10).i16(10);
    b.i32(0).i32(0).i32(number).i32(0).zeros(20);
    return b;
}

Bytes environmentWithSky(std::int32_t sky) {
    Bytes b = defaultEnvironmentChunk();
    b.patch32(8, static_cast<std::uint32_t>(sky));
    return b;
}

// Header plus chunks, with the total length filled in (chunk offsets left 0: unused).
std::vector<std::uint8_t> layout(const std::vector<Bytes>& chunks, std::int32_t columns = 11,
                                 std::int32_t rows = 11) {
    Bytes b = header(0, columns, rows, 0, 0, 0, 0);
    for (const Bytes& c : chunks) {
        b.raw(c.data);
    }
    b.patch32(4, static_cast<std::uint32_t>(b.size()));
    return b.data;
}

using ReaderTest = LayoutTest;

TEST_F(ReaderTest, UnknownChunkBetweenKnownOnesIsSkipped) {
    Bytes unknown;
    unknown.tag("Xtra").u32(20).zeros(12);
    const auto bytes =
        layout({trackChunk({tileRecord({.column = 3, .row = 4})}), unknown, environmentWithSky(3)});

    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
    ASSERT_NE(model::tileAt(0, {3, 4}), nullptr);
    EXPECT_EQ(model::tileAt(0, {3, 4})->lineCount(), 1u);
    EXPECT_EQ(document().getSkyType(), 3);
}

TEST_F(ReaderTest, ElevationOffsetIsTakenOnlyAboveTheGround) {
    const auto bytes = layout({trackChunk({tileRecord({.layer = 2, .column = 1, .elevation = 1}),
                                           tileRecord({.layer = 0, .column = 1, .elevation = 1})}),
                               defaultEnvironmentChunk()});
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
    EXPECT_EQ(model::tileAt(2, {1, 0})->heightText(), "5m");
    EXPECT_EQ(model::tileAt(0, {1, 0})->getElevationOffset(), 0);
}

TEST_F(ReaderTest, PictureSectionNeedsThePngSignature) {
    const auto png = smallPng(3, 2);
    std::vector<std::uint8_t> notPng = png;
    notPng[0] = 'X';
    const auto bytes = layout({trackChunk({tileRecord({.column = 1, .picture = png}),
                                           tileRecord({.column = 2, .picture = notPng})})});
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
    EXPECT_NE(model::tileAt(0, {1, 0})->getPicture(), nullptr);
    EXPECT_EQ(model::tileAt(0, {2, 0})->getPicture(), nullptr);
    EXPECT_EQ(model::tileAt(0, {1, 0})->getPicture()->encodePng(), png);
}

TEST_F(ReaderTest, UsedPointNumberIsNotTakenAndTheLowestFreeOneIsGiven) {
    const auto bytes = layout({trackChunk({
        tileRecord({.column = 1, .controls = pointControls(7).data}),
        tileRecord({.column = 2, .controls = pointControls(7).data}),
        tileRecord({.column = 3, .controls = pointControls(2).data}),
        tileRecord({.column = 4, .controls = pointControls(0).data}),
    })});
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
    EXPECT_EQ(model::tileAt(0, {1, 0})->getPointNumber(), 7);
    EXPECT_EQ(model::tileAt(0, {2, 0})->getPointNumber(), 1);
    EXPECT_EQ(model::tileAt(0, {3, 0})->getPointNumber(), 2);
    EXPECT_EQ(model::tileAt(0, {4, 0})->getPointNumber(), 3);
}

TEST_F(ReaderTest, HeaderSizesAreClampedIntoTheBoardRange) {
    const struct {
        std::int32_t columns, rows;
        int expectedColumns, expectedRows;
    } cases[] = {
        {0, 5, 1, 5}, {5000, -3, 999, 1}, {999, 1, 999, 1}, {-2147483647 - 1, 1000, 1, 999}};
    for (const auto& c : cases) {
        ASSERT_EQ(persistence::readLayoutBytes(document(), layout({}, c.columns, c.rows)),
                  LayoutReadResult::Read);
        EXPECT_EQ(document().getColumns(), c.expectedColumns) << c.columns;
        EXPECT_EQ(document().getRows(), c.expectedRows) << c.rows;
    }
}

TEST_F(ReaderTest, RefusedFilesLeaveTheModelUntouched) {
    testsupport::TempFolder folder;
    const auto good = layout({});
    std::vector<std::uint8_t> wrongMagic = good;
    wrongMagic[3] = '1';
    const std::vector<std::uint8_t> tooShort(good.begin(), good.begin() + 295);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        LayoutReadResult expected;
    } cases[] = {{"short.zrn", tooShort, LayoutReadResult::TooShort},
                 {"magic.zrn", wrongMagic, LayoutReadResult::WrongMagic},
                 {"empty.zrn", {}, LayoutReadResult::TooShort}};

    document().setSize(7, 8);
    model::createTile({1, 1}, 0)->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    for (const auto& c : cases) {
        const auto path = folder / c.name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(c.bytes.data()),
                   static_cast<std::streamsize>(c.bytes.size()));
        EXPECT_EQ(persistence::readLayoutFile(document(), path), c.expected) << c.name;
        EXPECT_FALSE(document().readFile(path)) << c.name;
    }
    EXPECT_EQ(persistence::readLayoutFile(document(), folder / "missing.zrn"),
              LayoutReadResult::CannotOpen);
    EXPECT_EQ(persistence::readLayoutFile(document(), folder.path()), LayoutReadResult::CannotOpen);
    EXPECT_EQ(persistence::readLayoutFile(document(), "/dev/zero"), LayoutReadResult::CannotOpen);

    EXPECT_EQ(document().getColumns(), 7);
    EXPECT_EQ(document().getRows(), 8);
    EXPECT_EQ(boardTileCount(), 1);
    EXPECT_TRUE(document().getPathName().empty());
}

TEST_F(ReaderTest, HugeFilesAreJudgedByTheirHeaderFirst) {
    testsupport::TempFolder folder;
    // Sparse files: gigabytes long, but nothing stored.
    struct Case {
        const char* name;
        std::uint64_t size;
        bool magic;
        LayoutReadResult expected;
        const char* message;
    };
    for (const Case& c :
         {Case{"zeros-2g.zrn", 2ull << 30, false, LayoutReadResult::WrongMagic, "\"Zn02\""},
          Case{"zeros-5g.zrn", 5ull << 30, false, LayoutReadResult::WrongMagic, "\"Zn02\""},
          Case{"layout-5g.zrn", 5ull << 30, true, LayoutReadResult::TooLarge,
               "too large to be a layout file"}}) {
        const auto path = folder / c.name;
        std::ofstream(path, std::ios::binary) << (c.magic ? "Zn02" : "");
        std::filesystem::resize_file(path, c.size);
        std::string message;
        EXPECT_EQ(persistence::readLayoutFile(document(), path, {}, &message), c.expected)
            << c.name;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
        EXPECT_FALSE(document().readFile(path)) << c.name;
        EXPECT_EQ(document().fileMessage(), message) << c.name;
    }
}

TEST_F(ReaderTest, ProgressIsReportedAfterEachChunkAndAtTheEnd) {
    const auto bytes = layout({trackChunk({}), defaultEnvironmentChunk()});
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    std::vector<std::string> names;
    persistence::readLayoutBytes(
        document(), bytes,
        [&](std::int64_t done, std::int64_t total, std::string_view name) {
            calls.emplace_back(done, total);
            names.emplace_back(name);
        },
        "board.zrn");
    const std::int64_t total = static_cast<std::int64_t>(bytes.size());
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
        {320, total}, {412, total}, {total, total}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(names, std::vector<std::string>(3, "board.zrn"));
}

TEST_F(ReaderTest, ReadFileNamesTheDocumentAfterTheFile) {
    testsupport::TempFolder folder;
    ASSERT_TRUE(document().writeFile(folder / "one.zrn"));
    ASSERT_TRUE(document().readFile(folder / "one.zrn"));
    EXPECT_EQ(document().getTitle(), "one.zrn");
    EXPECT_EQ(document().getPathName(), (folder / "one.zrn").string());
}

TEST_F(ReaderTest, StructureNamesAreConvertedAndLegacyNamesTranslated) {
    const auto legacy = platform::utf8ToSjis("家01.zn3").value();
    const auto other = platform::utf8ToSjis("駅舎.zn3").value();
    const auto structure = [](std::string_view name, std::int32_t category,
                              model::LayoutRect rect) {
        Bytes b;
        b.tag("tkSt").u32(static_cast<std::uint32_t>(28 + name.size())).i32(category);
        b.i16(rect.top).i16(rect.left).i16(rect.bottom).i16(rect.right);
        b.u32(name.empty() ? 0 : 28).zeros(4).text(name);
        return b.data;
    };
    const auto bytes = layout({trackChunk({
        tileRecord({.column = 1, .structure = structure(legacy, 9000, {0, 1, 28, 40})}),
        tileRecord({.column = 2, .structure = structure(other, 9000, {0, 0, 39, 28})}),
        tileRecord({.column = 3, .structure = structure("", 200, {0, 1, 28, 40})}),
        tileRecord({.column = 4, .structure = structure("", 200, {5, 5, 5, 9})}),
        tileRecord({.column = 5, .structure = {'t', 'k', 'S', 't', 0, 0, 0, 8}}),
    })});
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
    const auto* house = model::tileAt(0, {1, 0})->getStructure();
    ASSERT_NE(house, nullptr);
    EXPECT_EQ(house->getModelName(), "House01.zn3");
    EXPECT_EQ(house->getRect(), (model::LayoutRect{0, 1, 28, 40}));
    EXPECT_EQ(model::tileAt(0, {2, 0})->getStructure()->getModelName(), "駅舎.zn3");
    // A tree's rect is always the default one unless it is empty.
    EXPECT_EQ(model::tileAt(0, {3, 0})->getStructure()->getRect(),
              model::CTrackItemobject::defaultRect());
    EXPECT_EQ(model::tileAt(0, {4, 0})->getStructure()->getRect(), (model::LayoutRect{5, 5, 5, 9}));
    EXPECT_EQ(model::tileAt(0, {5, 0})->getStructure(), nullptr);
}

TEST_F(ReaderTest, OlderLandscapeChunkAndRecordAreRead) {
    const auto png = smallPng(16, 16);
    Bytes record;
    record.tag("LndI").u32(static_cast<std::uint32_t>(312 + png.size()));
    record.u32(0x3FE00000).u32(0);            // 0.5
    record.i16(40).i16(80).i16(200).i16(240); // top, left, bottom, right
    record.i32(1).zeros(152 - 28);
    record.i32(312).i32(static_cast<std::int32_t>(png.size())).zeros(312 - 160);
    record.raw(png);
    Bytes chunk;
    chunk.tag("LnIV").u32(static_cast<std::uint32_t>(28 + record.size())).u32(1).zeros(16);
    chunk.raw(record.data);

    ASSERT_EQ(persistence::readLayoutBytes(document(), layout({chunk})), LayoutReadResult::Read);
    ASSERT_EQ(model::landscapeItemCount(), 1u);
    const model::CLandscapeItem* item = model::landscapeItems().front();
    EXPECT_EQ(item->getRect().left, 80);
    EXPECT_EQ(item->getRect().top, 40);
    EXPECT_EQ(item->getRect().right, 240);
    EXPECT_EQ(item->getRect().bottom, 200);
    EXPECT_TRUE(item->isHollow());
    EXPECT_DOUBLE_EQ(item->getHeightScale(), 0.5);
}

TEST_F(ReaderTest, LinesWithPointsFarOutsideTheTileAreNotTaken) {
    Bytes track;
    track.tag("trck").u32(28 + 3 * 36).u32(3).zeros(16);
    track.i32(2).i32(1).zeros(12).i32(0).i32(20).i32(-2147483647 - 1).i32(20);
    track.i32(2).i32(1).zeros(12).i32(-10000).i32(20).i32(10000).i32(20);
    track.i32(2).i32(1).zeros(12).i32(0).i32(10001).i32(40).i32(20);
    Bytes record;
    const std::uint32_t length = 52 + static_cast<std::uint32_t>(track.size());
    record.tag("TrkP").u32(length).u32(52).u32(length).u32(length).u32(length);
    record.i32(0).i16(1).i16(1).i32(0).zeros(16).raw(track.data);

    ASSERT_EQ(persistence::readLayoutBytes(document(), layout({trackChunk({record})})),
              LayoutReadResult::Read);
    ASSERT_NE(model::tileAt(0, {1, 1}), nullptr);
    EXPECT_EQ(model::tileAt(0, {1, 1})->lineCount(), 1u);
}

TEST_F(ReaderTest, ARecordForATakenCellReusesTheTile) {
    // Out of map order on purpose: the second and fourth records name cells already read.
    const auto bytes = layout({trackChunk({
        tileRecord({.column = 5, .row = 1}),
        tileRecord({.column = 5, .row = 1, .controls = pointControls(9).data}),
        tileRecord({.column = 2, .row = 0}),
        tileRecord({.layer = 1, .column = 5, .row = 1}),
        tileRecord({.column = 2, .row = 0, .picture = smallPng(2, 2)}),
    })});
    ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
    EXPECT_EQ(model::layerTileCount(0), 2);
    EXPECT_EQ(model::layerTileCount(1), 1);
    EXPECT_EQ(model::tileAt(0, {5, 1})->lineCount(), 1u);
    EXPECT_EQ(model::tileAt(0, {5, 1})->getPointNumber(), 9);
    EXPECT_NE(model::tileAt(0, {2, 0})->getPicture(), nullptr);
}

TEST_F(ReaderTest, ReadingReplacesTheWholeModel) {
    model::createTile({5, 5}, 3)->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    model::createLandscapeItem()->setRect({0, 0, 80, 80});
    ASSERT_EQ(
        persistence::readLayoutBytes(document(), layout({trackChunk({tileRecord({.column = 1})})})),
        LayoutReadResult::Read);
    EXPECT_EQ(model::tileAt(3, {5, 5}), nullptr);
    EXPECT_EQ(model::landscapeItemCount(), 0u);
    EXPECT_EQ(boardTileCount(), 1);
}

} // namespace
