// Damaged layouts: truncated at every offset, wrong lengths and unknown tags. The reader keeps
// what precedes the damage, never reads outside the data and never refuses a file whose
// header is sound.
#include "LayoutTestSupport.h"

#include "image/Picture.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/LandscapeItems.h"
#include "model/PieceSeams.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "support/TempFolder.h"

#include <fstream>
#include <sstream>

using namespace layouttest;
using persistence::LayoutReadResult;

namespace {

class DamagedLayoutTest : public LayoutTest {
protected:
    // A small layout with two tiles (one with every section), a landscape item and the
    // environment; the model is emptied again afterwards.
    std::vector<std::uint8_t> smallLayout() {
        model::CTrackItem* a = model::createTile({1, 1}, 0);
        a->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
        a->getTrack().addLine(points({{20, 0}, {20, 40}}), 1);
        a->addControlItem(model::KindCrossing);
        a->addControlItem(model::KindPoint);
        a->pointItem()->setNumber(3);
        a->setStructure(std::make_unique<model::CTrackStructureItem>(200, "Tree.zn3"));
        a->setPicture(model::pieceHooks().pictureFromPng(smallPng(2, 2)));
        model::createTile({2, 1}, 1)->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
        model::CLandscapeItem* item = model::createLandscapeItem();
        item->setRect({0, 0, 80, 80});
        image::Picture grey(8, 8, 24);
        grey.setColourAt(3, 3, 0xFFFFFF);
        item->setPicture(grey);
        item->rebuildHeights();
        model::EnvironmentRecord record = document().getEnvironment();
        record.skyType = 2;
        document().setEnvironment(&record);
        auto bytes = persistence::buildLayoutFile(document());
        document().newLayout(11, 11);
        return bytes;
    }

    static std::size_t offsetOf(const std::vector<std::uint8_t>& bytes, std::string_view tag,
                                std::size_t from = 0) {
        for (std::size_t i = from; i + 4 <= bytes.size(); ++i) {
            if (std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<long>(i))) {
                return i;
            }
        }
        ADD_FAILURE() << "no " << tag;
        return 0;
    }

    static void put32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[offset + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
        }
    }
};

TEST_F(DamagedLayoutTest, TruncatedAtEveryOffset) {
    const auto full = smallLayout();
    const std::size_t environment = offsetOf(full, "Cenv");
    for (std::size_t size = 0; size <= full.size(); ++size) {
        // A copy of exactly `size` bytes, so that a sanitizer sees any read past it.
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<long>(size));
        const LayoutReadResult result = persistence::readLayoutBytes(document(), cut);
        if (size < 296) {
            ASSERT_EQ(result, LayoutReadResult::TooShort) << size;
            continue;
        }
        ASSERT_EQ(result, LayoutReadResult::Read) << size;
        // The track chunk is read only when it is whole: all of it or nothing.
        const int tiles = boardTileCount();
        ASSERT_TRUE(tiles == 0 || tiles == 2) << size;
        EXPECT_EQ(document().getSkyType(), size == full.size() ? 2 : 0) << size;
        if (size >= environment) {
            EXPECT_EQ(tiles, 2) << size;
            EXPECT_EQ(model::landscapeItemCount(), 1u) << size;
        }
    }
}

TEST_F(DamagedLayoutTest, WrongLengthsEndTheChunkOrTheFile) {
    const auto good = smallLayout();
    const std::size_t track = offsetOf(good, "TrkD");
    const std::size_t firstTile = offsetOf(good, "TrkP");
    const std::size_t secondTile = offsetOf(good, "TrkP", firstTile + 4);
    const std::size_t lines = offsetOf(good, "trck");
    const std::size_t controls = offsetOf(good, "tkOp") - 8;
    const std::size_t landscape = offsetOf(good, "LnI2");
    const std::size_t environment = offsetOf(good, "Cenv");

    const struct Case {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
        int tiles;         // non-empty board tiles after reading
        std::size_t lines; // lines of the first tile
        std::size_t items; // control items of the first tile
        std::size_t landscapeItems;
        int sky;
    } cases[] = {
        {"track chunk length 0", track + 4, 0, 0, 0, 0, 0, 0},
        {"track chunk length 7", track + 4, 7, 0, 0, 0, 0, 0},
        {"track chunk length past the end", track + 4, 0xFFFFFFF0u, 0, 0, 0, 0, 0},
        {"tile record shorter than its head", firstTile + 4, 51, 0, 0, 0, 1, 2},
        {"tile record length 0", firstTile + 4, 0, 0, 0, 0, 1, 2},
        {"tile record past the chunk", secondTile + 4, 1000000, 1, 2, 2, 1, 2},
        {"line count too high", lines + 8, 1000, 2, 2, 2, 1, 2},
        {"line count 1", lines + 8, 1, 2, 1, 2, 1, 2},
        {"first line's point count past the section", lines + 28, 100000, 2, 0, 2, 1, 2},
        {"first line's point count negative", lines + 28, 0xFFFFFFFFu, 2, 0, 2, 1, 2},
        {"control item count too high", controls, 0x7FFFFFFF, 2, 2, 2, 1, 2},
        {"control record size not 56", controls + 4, 55, 2, 2, 0, 1, 2},
        {"landscape count too high", landscape + 8, 7, 2, 2, 2, 1, 2},
        {"landscape record length 0", landscape + 32, 0, 2, 2, 2, 0, 2},
        {"landscape record past the chunk", landscape + 32, 0x10000000, 2, 2, 2, 0, 2},
        {"environment chunk 91 bytes", environment + 4, 91, 2, 2, 2, 1, 0},
        {"environment chunk 8 bytes", environment + 4, 8, 2, 2, 2, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        put32(bytes, c.offset, c.value);
        ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
        EXPECT_EQ(boardTileCount(), c.tiles);
        const model::CTrackItem* first = model::tileAt(0, {1, 1});
        EXPECT_EQ(first ? first->lineCount() : 0u, c.lines);
        EXPECT_EQ(first ? first->controlItemCount() : 0u, c.items);
        EXPECT_EQ(model::landscapeItemCount(), c.landscapeItems);
        EXPECT_EQ(document().getSkyType(), c.sky);
    }
}

TEST_F(DamagedLayoutTest, AWarningNamesWhatDamageCutOff) {
    const auto good = smallLayout();
    const std::size_t track = offsetOf(good, "TrkD");
    const std::size_t secondTile = offsetOf(good, "TrkP", offsetOf(good, "TrkP") + 4);
    const std::size_t landscape = offsetOf(good, "LnI2");
    const std::size_t environment = offsetOf(good, "Cenv");
    auto cut = [&](std::size_t size) {
        return std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(size));
    };
    auto changed = [&](std::size_t offset, std::uint32_t value) {
        auto bytes = good;
        put32(bytes, offset, value);
        return bytes;
    };
    auto extended = good;
    extended.insert(extended.end(), {1, 2, 3});
    const struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::string expected; // the whole warning; empty: none
    } cases[] = {
        {"intact", good, ""},
        {"unknown chunk", changed(track, 0x54726B58u /* TrkX */), ""},
        {"cut in the tiles", cut(track + 100),
         "damaged at byte " + std::to_string(track) +
             ": not read: the tiles, the landscape items, the scenery"},
        {"cut in the scenery", cut(environment + 50),
         "damaged at byte " + std::to_string(environment) + ": not read: the scenery"},
        {"tile record with another tag", changed(secondTile, 0x54726B51u /* TrkQ */),
         "damaged at byte " + std::to_string(secondTile) + ": not read: the rest of the tiles"},
        {"landscape record past its chunk", changed(landscape + 32, 0x10000000u),
         "damaged at byte " + std::to_string(landscape + 28) +
             ": not read: the rest of the landscape items"},
        {"scenery too short", changed(environment + 4, 91),
         "damaged at byte " + std::to_string(environment) +
             ": not read: the scenery, the last byte"},
        {"bytes after the last chunk", extended,
         "damaged at byte " + std::to_string(good.size()) + ": not read: the last 3 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message = "stale";
        ASSERT_EQ(persistence::readLayoutBytes(document(), c.bytes, {}, {}, &message),
                  LayoutReadResult::Read);
        EXPECT_EQ(message, c.expected);
    }
}

TEST_F(DamagedLayoutTest, UnknownTagsEndTheirChunkOrAreSkipped) {
    const auto good = smallLayout();
    const std::size_t firstTile = offsetOf(good, "TrkP");
    const std::size_t secondTile = offsetOf(good, "TrkP", firstTile + 4);
    const struct Case {
        const char* name;
        std::size_t offset;
        std::string_view tag;
        int tiles;
        std::size_t lines;
        std::size_t items;
        bool structure;
        std::size_t landscapeItems;
        int sky;
    } cases[] = {
        {"unknown track chunk is skipped", offsetOf(good, "TrkD"), "TrkX", 0, 0, 0, false, 1, 2},
        {"second tile record with another tag", secondTile, "TrkQ", 1, 2, 2, true, 1, 2},
        {"track section with another tag", offsetOf(good, "trck"), "trcK", 2, 0, 2, true, 1, 2},
        {"structure section with another tag", offsetOf(good, "tkSt"), "tkSX", 2, 2, 2, false, 1,
         2},
        {"first control record with another tag", offsetOf(good, "tkOp"), "tkOX", 2, 2, 0, true, 1,
         2},
        {"landscape record with another tag", offsetOf(good, "Lnd2"), "Lnd3", 2, 2, 2, true, 0, 2},
        {"unknown landscape chunk is skipped", offsetOf(good, "LnI2"), "LnI3", 2, 2, 2, true, 0, 2},
        {"unknown environment chunk is skipped", offsetOf(good, "Cenv"), "CenX", 2, 2, 2, true, 1,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        std::copy(c.tag.begin(), c.tag.end(), bytes.begin() + static_cast<long>(c.offset));
        ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
        EXPECT_EQ(boardTileCount(), c.tiles);
        const model::CTrackItem* first = model::tileAt(0, {1, 1});
        EXPECT_EQ(first ? first->lineCount() : 0u, c.lines);
        EXPECT_EQ(first ? first->controlItemCount() : 0u, c.items);
        EXPECT_EQ(first != nullptr && first->hasStructure(), c.structure);
        EXPECT_EQ(model::landscapeItemCount(), c.landscapeItems);
        EXPECT_EQ(document().getSkyType(), c.sky);
    }
}

TEST_F(DamagedLayoutTest, SectionOffsetsOutsideTheRecordGiveEmptySections) {
    const auto good = smallLayout();
    const std::size_t tile = offsetOf(good, "TrkP");
    const struct Case {
        const char* name;
        std::size_t field;
        std::uint32_t value;
        std::size_t lines;
        bool picture;
        bool structure;
        std::size_t items;
    } cases[] = {
        {"track offset inside the head", 8, 10, 0, true, true, 2},
        {"picture offset past the record", 12, 0xFFFF0000u, 0, false, true, 2},
        // The picture section then runs on to the control items; the PNG still decodes.
        {"structure offset 0", 16, 0, 2, true, false, 2},
        {"control offset 0", 20, 0, 2, true, true, 0},
        {"control offset past the record", 20, 0x7FFFFFFF, 2, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        put32(bytes, tile + c.field, c.value);
        ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
        const model::CTrackItem* first = model::tileAt(0, {1, 1});
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->lineCount(), c.lines);
        EXPECT_EQ(first->getPicture() != nullptr, c.picture);
        EXPECT_EQ(first->hasStructure(), c.structure);
        EXPECT_EQ(first->controlItemCount(), c.items);
    }
}

TEST_F(DamagedLayoutTest, RecordsOffTheBoardAreSteppedOver) {
    const auto good = smallLayout();
    const std::size_t tile = offsetOf(good, "TrkP");
    const struct {
        const char* name;
        std::size_t field;
        std::uint32_t value;
    } cases[] = {{"layer 5", 24, 5},
                 {"layer -1", 24, 0xFFFFFFFFu},
                 {"column 1000", 28, (1000u << 16) | 1u},
                 {"row -1", 28, (1u << 16) | 0xFFFFu}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        put32(bytes, tile + c.field, c.value);
        ASSERT_EQ(persistence::readLayoutBytes(document(), bytes), LayoutReadResult::Read);
        EXPECT_EQ(boardTileCount(), 1);
        EXPECT_NE(model::tileAt(1, {2, 1}), nullptr);
    }
}

} // namespace

namespace {

// What a read left: the result, the warning, every tile with its lines, control items and
// point number, the landscape items and the sky.
std::string readSummary(LayoutReadResult result, const std::string& message,
                        model::CZarnoltDocument& document) {
    std::ostringstream out;
    out << static_cast<int>(result) << " [" << message << "] sky " << document.getSkyType()
        << " landscape " << model::landscapeItemCount() << "\n";
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            out << layer << ":" << key << " " << tile->lineCount() << " "
                << tile->controlItemCount() << " " << tile->getPointNumber() << "\n";
        }
    }
    return out.str();
}

} // namespace

// Reading a file takes it in pieces, reading bytes in memory takes them at once: both leave the
// same model and the same warning for a file cut anywhere, for damage before and after the end
// of the first piece (4 MiB) and for a record larger than a piece.
TEST_F(DamagedLayoutTest, AFileReadsAsItsBytesDo) {
    testsupport::TempFolder folder;
    const auto path = folder / "layout.zrn";
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> variants;

    const auto small = smallLayout();
    for (std::size_t size = 296; size <= small.size(); ++size) {
        variants.emplace_back(
            "small cut at " + std::to_string(size),
            std::vector<std::uint8_t>(small.begin(), small.begin() + static_cast<long>(size)));
    }

    // A track chunk of about 5 MiB: 120 × 120 tiles with a point and three lines each.
    for (int row = 0; row < 120; ++row) {
        for (int column = 0; column < 120; ++column) {
            model::CTrackItem* tile = model::createTile(
                {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, 0);
            tile->setShape(1);
            tile->addShape(2, model::LineKindTrack);
            tile->addShape(3, model::LineKindTrack);
        }
    }
    const auto big = persistence::buildLayoutFile(document());
    document().newLayout(11, 11);
    const std::size_t track = offsetOf(big, "TrkD");
    const std::size_t window = std::size_t{4} << 20;
    ASSERT_GT(big.size(), track + window + 100000);
    variants.emplace_back("big", big);
    for (const std::size_t at : {window - 1, window, window + 1, window + 24, window + 300}) {
        const std::size_t size = track + at;
        variants.emplace_back(
            "big cut at " + std::to_string(size),
            std::vector<std::uint8_t>(big.begin(), big.begin() + static_cast<long>(size)));
    }
    for (const std::size_t near : {std::size_t{100}, window - 200, window + 5000}) {
        auto damaged = big;
        const std::size_t record = offsetOf(damaged, "TrkP", track + near);
        put32(damaged, record + 4, 0);
        variants.emplace_back("big with a record of length 0 at " + std::to_string(record),
                              damaged);
    }

    // A record holding 5 MiB of junk in its picture section, between two tile records.
    {
        const std::size_t second = offsetOf(big, "TrkP", offsetOf(big, "TrkP", track) + 4);
        Bytes record;
        const std::uint32_t picture = 52 + 28 + 20 + 16;
        const std::uint32_t junk = 5u << 20;
        record.tag("TrkP").u32(picture + junk).u32(52).u32(picture).u32(0).u32(0);
        record.i32(0).i16(7).i16(130).i32(0).zeros(16);
        record.tag("trck").u32(28 + 20 + 16).u32(1).zeros(16);
        record.i32(2).i32(1).zeros(12).i32(0).i32(20).i32(40).i32(20);
        record.data.insert(record.data.end(), junk, 0x55);
        auto grown = big;
        grown.insert(grown.begin() + static_cast<long>(second), record.data.begin(),
                     record.data.end());
        std::uint32_t chunkLength = 0;
        for (int i = 0; i < 4; ++i) {
            chunkLength = (chunkLength << 8) | grown[track + 4 + i];
        }
        put32(grown, track + 4, chunkLength + static_cast<std::uint32_t>(record.size()));
        variants.emplace_back("big with a record larger than a piece", grown);
    }

    for (const auto& [name, bytes] : variants) {
        SCOPED_TRACE(name);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        std::string message;
        const LayoutReadResult fromFile =
            persistence::readLayoutFile(document(), path, {}, &message);
        const std::string viaFile = readSummary(fromFile, message, document());
        const LayoutReadResult fromBytes =
            persistence::readLayoutBytes(document(), bytes, {}, {}, &message);
        const std::string viaBytes = readSummary(fromBytes, message, document());
        ASSERT_EQ(viaFile, viaBytes);
    }
}
