#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "items/C3DItemObject.h"
#include "items/ItemRegistry.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/TrackTiles.h"
#include "platform/Registry.h"
#include "support/TempFolder.h"

#include <fstream>

using namespace model;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    void TearDown() override {
        documentServices() = DocumentServices{};
        deleteAllTiles();
    }

    testsupport::TempFolder folder;
    platform::Registry registry{folder / "registry.json"};
};

} // namespace

TEST(DocumentRecordsLayout, PreferenceBytesAreLittleEndianAtTheirOffsets) {
    PreferenceData data = PreferenceData::defaults();
    data.flags = 0x0401;
    const auto bytes = data.toBytes();
    ASSERT_EQ(bytes.size(), 400u);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[1], 0x04);
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(bytes[5], 102);
    EXPECT_EQ(bytes[6], 0);
    EXPECT_EQ(bytes[8], 10);
    EXPECT_EQ(bytes[12], 11);
    EXPECT_EQ(bytes[16], 11);
    // Walk keys: 'W' at 24, then every 16 bytes; the crouch key 'Z' last at 24 + 8 × 16.
    EXPECT_EQ(bytes[24], 87);
    EXPECT_EQ(bytes[24 + 16], 83);
    EXPECT_EQ(bytes[24 + 2 * 16], 37);
    EXPECT_EQ(bytes[24 + 8 * 16], 90);
    for (std::size_t i = 168; i < 400; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
    const auto back = PreferenceData::fromBytes(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toBytes(), bytes);
}

TEST(DocumentRecordsLayout, EnvironmentDefaults) {
    const EnvironmentRecord env = EnvironmentRecord::defaults();
    EXPECT_EQ(env.skyType, 0);
    EXPECT_EQ(env.flags, 0u);
    EXPECT_EQ(env.groundColour, (RGBColor16{0x3300, 0xA900, 0x1C00}));
    EXPECT_EQ(env.hillLowColour, (RGBColor16{0x9709, 0xD709, 0x7FFF}));
    EXPECT_EQ(env.hollowColour, (RGBColor16{0x028F, 0x3333, 0x51EB}));
}

TEST_F(DocumentTest, RegistryValueOfWrongLengthIsIgnored) {
    for (std::size_t length : {0u, 396u, 399u, 401u, 800u}) {
        std::vector<std::uint8_t> value(length, 0xFF);
        ASSERT_TRUE(registry.setBinary("CZarnoltDocument", "PreferenceData", value));
        CZarnoltDocument doc(0, 0, &registry);
        EXPECT_EQ(doc.getPreferenceFlags(), 0u) << length;
        EXPECT_EQ(doc.getColumns(), 11) << length;
        EXPECT_EQ(doc.getKeyTable()[WalkForward].keyCode, 87) << length;
        // The destructor writes 400 bytes back; the next case stores its own bad value.
    }
}

TEST_F(DocumentTest, RegistryValueOf400BytesReplacesEverythingAndRoundTrips) {
    PreferenceData stored = PreferenceData::defaults();
    stored.flags = PrefNoSound | PrefDirect3D;
    stored.newColumns = 30;
    stored.newRows = 7;
    stored.keys[WalkCrouch].keyCode = 67;
    const auto bytes = stored.toBytes();
    ASSERT_TRUE(registry.setBinary("CZarnoltDocument", "PreferenceData", bytes));
    {
        CZarnoltDocument doc(0, 5, &registry);
        EXPECT_EQ(doc.getColumns(), 30);
        EXPECT_EQ(doc.getRows(), 5);
        EXPECT_TRUE(doc.testPreferenceFlag(PrefNoSound));
        EXPECT_EQ(doc.getKeyTable()[WalkCrouch].keyCode, 67);
        EXPECT_EQ(currentDocument(), &doc);
        EXPECT_TRUE(usesDirect3D());
        doc.setPreferenceFlag(PrefNoShadows, true);
        doc.setPreferenceFlag(PrefNoSound, false);
    }
    EXPECT_EQ(currentDocument(), nullptr);
    const auto written = registry.getBinary("CZarnoltDocument", "PreferenceData");
    ASSERT_TRUE(written);
    ASSERT_EQ(written->size(), 400u);
    const auto decoded = PreferenceData::fromBytes(*written);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->flags, PrefNoShadows | PrefDirect3D);
    EXPECT_EQ(decoded->keys[WalkCrouch].keyCode, 67);
}

TEST_F(DocumentTest, StoredNewLayoutSizesAreClampedToTheBoardRange) {
    struct Case {
        std::int32_t columns;
        std::int32_t rows;
        int expectedColumns;
        int expectedRows;
    };
    for (const Case c :
         {Case{0, 5000, 1, 999}, Case{-3, 1000, 1, 999}, Case{INT32_MIN, INT32_MAX, 1, 999},
          Case{1, 999, 1, 999}, Case{40, 12, 40, 12}}) {
        PreferenceData stored = PreferenceData::defaults();
        stored.newColumns = c.columns;
        stored.newRows = c.rows;
        ASSERT_TRUE(registry.setBinary("CZarnoltDocument", "PreferenceData", stored.toBytes()));
        CZarnoltDocument doc(0, 0, &registry);
        EXPECT_EQ(doc.getColumns(), c.expectedColumns) << c.columns;
        EXPECT_EQ(doc.getRows(), c.expectedRows) << c.rows;
        EXPECT_EQ(doc.getPreferences().newColumns, c.expectedColumns) << c.columns;
        EXPECT_EQ(doc.getPreferences().newRows, c.expectedRows) << c.rows;
        doc.newLayout(0, 0);
        EXPECT_EQ(doc.getColumns(), c.expectedColumns) << c.columns;
        EXPECT_EQ(doc.getRows(), c.expectedRows) << c.rows;
    }
}

TEST_F(DocumentTest, SizesAndRanges) {
    CZarnoltDocument doc(0, 0, &registry);
    doc.newLayout(0, 0);
    EXPECT_EQ(doc.getColumns(), 11);
    EXPECT_EQ(doc.getRows(), 11);
    EXPECT_EQ(doc.getLayoutRect(), (BoardRect{0, 0, 440, 440}));
    doc.newLayout(1000, 5);
    EXPECT_EQ(doc.getColumns(), 11);
    EXPECT_EQ(doc.getRows(), 5);
    doc.setSize(0, 20);
    EXPECT_EQ(doc.getColumns(), 11);
    EXPECT_EQ(doc.getRows(), 20);
    doc.setSize(999, 1000);
    EXPECT_EQ(doc.getColumns(), 999);
    EXPECT_EQ(doc.getRows(), 20);
    doc.setSize(1, 999);
    EXPECT_EQ(doc.getLayoutRect(), (BoardRect{0, 0, 39960, 40}));
}

TEST_F(DocumentTest, EnvironmentFlagsAndRecord) {
    CZarnoltDocument doc(5, 5, &registry);
    doc.setEnvironmentFlag(EnvFog, true);
    EXPECT_TRUE(doc.testEnvironmentFlag(0x6));
    EXPECT_FALSE(doc.testEnvironmentFlag(EnvNoWater));
    doc.setEnvironmentFlag(EnvFog, false);
    EXPECT_FALSE(doc.testEnvironmentFlag(0x6));
    doc.setEnvironment(nullptr);
    EXPECT_EQ(doc.getEnvironment().groundColour, EnvironmentRecord::defaults().groundColour);
    doc.setTerrainColours(
        {RGBColor16{1, 2, 3}, RGBColor16{4, 5, 6}, RGBColor16{7, 8, 9}, RGBColor16{10, 11, 12}});
    EXPECT_EQ(doc.getTerrainColours()[3], (RGBColor16{10, 11, 12}));
    doc.resetEnvironment();
    EXPECT_EQ(doc.getTerrainColours()[3], EnvironmentRecord::defaults().hollowColour);
}

TEST_F(DocumentTest, OnlyTheFirstDocumentBecomesCurrent) {
    CZarnoltDocument first(3, 3, &registry);
    {
        CZarnoltDocument second(4, 4, &registry);
        EXPECT_EQ(currentDocument(), &first);
    }
    EXPECT_EQ(currentDocument(), &first);
    EXPECT_EQ(getOrCreateDocument(8, 8), &first);
}

TEST_F(DocumentTest, GetOrCreateMakesTheDocumentWhenNoneIsCurrent) {
    ASSERT_EQ(currentDocument(), nullptr);
    CZarnoltDocument* made = getOrCreateDocument(8, 9);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(currentDocument(), made);
    EXPECT_EQ(made->getColumns(), 8);
    EXPECT_EQ(getOrCreateDocument(3, 3), made);
    releaseCreatedDocument();
    EXPECT_EQ(currentDocument(), nullptr);
}

TEST_F(DocumentTest, LoadItemModelsAsksForEveryStructureModel) {
    std::vector<std::string> loaded;
    documentServices().loadItemModel = [&loaded](std::string_view name) {
        loaded.emplace_back(name);
    };
    CZarnoltDocument doc(5, 5, &registry);
    createTile({1, 0}, 2)->setStructure(std::make_unique<CTrackStructureItem>(9000, "B.zn3"));
    createTile({0, 0}, 0)->setStructure(std::make_unique<CTrackStructureItem>(9000, "A.zn3"));
    createTile({2, 0}, 0)->setShape(1);
    doc.loadItemModels();
    EXPECT_EQ(loaded, (std::vector<std::string>{"A.zn3", "B.zn3"}));
}

TEST_F(DocumentTest, ClearRunsTheStagesInOrderAndEmptiesTheTiles) {
    std::vector<int> order;
    auto& steps = documentServices().clearSteps;
    for (int stage = 0; stage < kClearStageCount; ++stage) {
        steps[stage] = [&order, stage](CZarnoltDocument&) {
            // The tiles are gone exactly from the tile stage on.
            const bool tilesLeft = tileAt(0, {1, 1}) != nullptr;
            order.push_back(tilesLeft ? stage : 100 + stage);
        };
    }
    CZarnoltDocument doc(5, 5, &registry);
    createTile({1, 1}, 0)->setShape(1);
    doc.clear(false);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 103, 104, 105}));
    order.clear();
    doc.clear(true);
    EXPECT_EQ(order, (std::vector<int>{100, 101, 102, 103, 104, 105, 106}));
    EXPECT_EQ(doc.getColumns(), 5);
}

TEST_F(DocumentTest, FileOperationsFailWithoutAFileLibrary) {
    CZarnoltDocument doc(5, 5, &registry);
    EXPECT_FALSE(doc.readFile(folder / "a.zrn"));
    EXPECT_FALSE(doc.writeFile(folder / "a.zrn"));
    documentServices().writeFile = [](CZarnoltDocument&, const std::filesystem::path&) {
        return true;
    };
    EXPECT_TRUE(doc.writeFile(folder / "b.zrn"));
    EXPECT_EQ(doc.getTitle(), "b.zrn");
}

TEST_F(DocumentTest, ClearReleasesTheSharedItemModels) {
    // A built-in item model in a data folder of the test's own.
    const auto builtin = folder / "data" / "C3DItem_Buildin";
    std::filesystem::create_directories(builtin);
    {
        items::C3DItemObject model;
        const auto bytes = model.serialize();
        std::ofstream(builtin / "128.zn3", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    testsupport::ScopedEnv data("ZARNOLT_DATA", (folder / "data").string());
    CZarnoltDocument doc(5, 5, &registry);
    const items::C3DItemObject* shared = items::getBuiltinItem(128);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(items::sharedItemCount(), 1u);
    doc.clear(false);
    EXPECT_EQ(items::sharedItemCount(), 0u);
    EXPECT_FALSE(items::isLiveItem(shared));
}
