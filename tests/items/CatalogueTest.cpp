#include "items/BuiltinFiles.h"
#include "items/ItemCatalogue.h"
#include "items/LegacyNames.h"
#include "platform/TextEncoding.h"

#include "tests/support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace items;
namespace fs = std::filesystem;

namespace {

void touch(const fs::path& path, const std::string& content = "x") {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// A data folder in a temporary folder, made the process's data folder for the scope, with the
// process-wide catalogue forgotten before and after.
class DataFolderTest : public ::testing::Test {
protected:
    DataFolderTest() : env_("ZARNOLT_DATA", (folder_ / "data").string()) {
        fs::create_directories(data());
        resetCatalogue();
    }
    ~DataFolderTest() override { resetCatalogue(); }
    fs::path data() const { return folder_ / "data"; }

private:
    testsupport::TempFolder folder_;
    testsupport::ScopedEnv env_;
};

} // namespace

TEST(ItemCatalogue, FirstFileMetUnderANameWinsAndDotNamesAreSkipped) {
    testsupport::TempFolder folder;
    touch(folder / "a" / "House01.zn3", "first");
    touch(folder / "b" / "House01.zn3", "second");
    touch(folder / "b" / "deep" / "Tree01.zn3");
    touch(folder / ".hidden" / "Secret.zn3");
    touch(folder / ".Dotted.zn3");
    touch(folder / "readme.txt");

    ItemCatalogue catalogue;
    catalogue.scan(folder.path());
    EXPECT_EQ(catalogue.size(), 3u);
    EXPECT_EQ(catalogue.find("House01.zn3"), folder / "a" / "House01.zn3");
    EXPECT_EQ(catalogue.find("Tree01.zn3"), folder / "b" / "deep" / "Tree01.zn3");
    EXPECT_TRUE(catalogue.find("readme.txt")); // no extension filter
    EXPECT_FALSE(catalogue.find("Secret.zn3"));
    EXPECT_FALSE(catalogue.find(".Dotted.zn3"));
    EXPECT_FALSE(catalogue.find("house01.zn3")); // byte-wise names

    ItemCatalogue missing;
    missing.scan(folder / "nowhere");
    EXPECT_TRUE(missing.empty());
}

TEST_F(DataFolderTest, ProcessCatalogueScansTheItemFolderOnce) {
    touch(data() / "C3DItem_File" / "線路" / "Rail01.zn3");
    touch(data() / "C3DItem_File" / "ストラクチャ" / "House01.zn3");
    EXPECT_EQ(buildCatalogue(), 2u);
    EXPECT_EQ(findInCatalogue("Rail01.zn3"), data() / "C3DItem_File" / "線路" / "Rail01.zn3");

    // Files added later are not seen until the catalogue is built again.
    touch(data() / "C3DItem_File" / "Late.zn3");
    EXPECT_EQ(buildCatalogue(), 2u);
    EXPECT_FALSE(findInCatalogue("Late.zn3"));
    resetCatalogue();
    EXPECT_TRUE(findInCatalogue("Late.zn3"));
}

TEST_F(DataFolderTest, MissingItemFolderGivesAnEmptyCatalogue) {
    EXPECT_EQ(buildCatalogue(), 0u);
    EXPECT_FALSE(findInCatalogue("House01.zn3"));
}

TEST_F(DataFolderTest, BuiltinLookupsFindNumberedAndNamedFiles) {
    touch(data() / "C3DItem_Buildin" / "128.zn3");
    touch(data() / "C3DItem_Buildin" / "129.ZN3");
    touch(data() / "Texture_Buildin" / "11998.png");
    touch(data() / "Sounds_Buildin" / "steam.wav");

    EXPECT_EQ(findBuiltinItem(128), data() / "C3DItem_Buildin" / "128.zn3");
    EXPECT_EQ(findBuiltinItem(129), data() / "C3DItem_Buildin" / "129.ZN3"); // as stored
    EXPECT_EQ(findBuiltinPicture(11998), data() / "Texture_Buildin" / "11998.png");
    EXPECT_EQ(findBuiltinSound("steam"), data() / "Sounds_Buildin" / "steam.wav");
    EXPECT_EQ(findBuiltinFile("Texture_Buildin", "11998.png", std::nullopt),
              data() / "Texture_Buildin" / "11998.png");

    EXPECT_TRUE(findBuiltinItem(130).empty());
    EXPECT_TRUE(findBuiltinPicture(128).empty());
    EXPECT_TRUE(findBuiltinFile("Nowhere", "128", "zn3").empty());
    EXPECT_TRUE(findBuiltinFile("C3DItem_Buildin", "../Texture_Buildin/11998", "png").empty());
}

TEST(BuiltinFiles, NothingIsFoundWithoutADataFolder) {
    testsupport::TempFolder folder;
    testsupport::ScopedEnv env("ZARNOLT_DATA", (folder / "missing").string());
    EXPECT_TRUE(findBuiltinItem(128).empty());
}

TEST(LegacyNames, JapaneseNamesTranslateInShiftJisAndUtf8) {
    // 家 is 0x89 0xC6 and タンク車 is 0x83 0x5E 0x83 0x93 0x83 0x4E 0x8E 0xD4 in Shift-JIS.
    EXPECT_EQ(translateLegacyName("\x89\xC6"
                                  "01.zn3"),
              "House01.zn3");
    EXPECT_EQ(translateLegacyName("\x83\x5E\x83\x93\x83\x4E\x8E\xD4.zn3"), "OilTankCar01.zn3");
    EXPECT_EQ(translateLegacyName("家01.zn3"), "House01.zn3");

    const struct {
        const char* japanese;
        const char* english;
    } rows[] = {
        {"客車01（デッキ付き）.zn3", "PassengerCar01Deck.zn3"},
        {"跨線橋03（ホーム無し）.zn3", "FootBridge03NoPlatform.zn3"},
        {"新幹線01（最後部）.zn3", "Shinkansen03Back.zn3"},
        {"駅ホーム03.zn3", "StationPlatform03.zn3"},
    };
    for (const auto& row : rows) {
        const auto sjis = platform::utf8ToSjis(row.japanese);
        ASSERT_TRUE(sjis);
        EXPECT_EQ(translateLegacyName(*sjis), row.english) << row.english;
    }

    EXPECT_EQ(translateLegacyName("House01.zn3"), "");
    EXPECT_EQ(translateLegacyName("家01"), "");
    EXPECT_EQ(translateLegacyName(""), "");
}
