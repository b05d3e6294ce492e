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
