#include "platform/Registry.h"

#include "tests/support/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

using platform::Registry;
using testsupport::TempFolder;

namespace {

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

} // namespace

TEST(Registry, ValuesSurviveARestart) {
    TempFolder folder;
    const auto file = folder / "nested" / "registry.json";
    const Registry::Binary blob{0x00, 0xff, 0x10, 0x7f};
    {
        Registry registry(file);
        EXPECT_TRUE(registry.setInt("Settings", "Columns", 57));
        EXPECT_TRUE(registry.setInt("Settings", "Negative", -12345));
        EXPECT_TRUE(registry.setBinary("Settings", "PreferenceData", blob));
        EXPECT_TRUE(registry.setBinary("Other", "Empty", {}));
    }
    Registry reopened(file);
    EXPECT_FALSE(reopened.wasDamaged());
    EXPECT_EQ(reopened.getInt("Settings", "Columns", 0), 57);
    EXPECT_EQ(reopened.getInt("Settings", "Negative", 0), -12345);
    EXPECT_EQ(reopened.getBinary("Settings", "PreferenceData"), blob);
    EXPECT_EQ(reopened.getBinary("Other", "Empty"), Registry::Binary{});
}

TEST(Registry, AbsentOrMistypedValuesGiveDefaults) {
    TempFolder folder;
    Registry registry(folder / "registry.json");
    EXPECT_EQ(registry.getInt("Settings", "Missing", 11), 11);
    EXPECT_FALSE(registry.getBinary("Settings", "Missing"));
    registry.setBinary("Settings", "Blob", std::vector<std::uint8_t>{1, 2});
    registry.setInt("Settings", "Number", 3);
    EXPECT_EQ(registry.getInt("Settings", "Blob", -1), -1);
    EXPECT_FALSE(registry.getBinary("Settings", "Number"));
    // Replacing a value changes its type.
    registry.setInt("Settings", "Blob", 9);
    EXPECT_EQ(registry.getInt("Settings", "Blob", -1), 9);
}

TEST(Registry, RemoveDeletesOnlyThatEntry) {
    TempFolder folder;
    const auto file = folder / "registry.json";
    Registry registry(file);
    registry.setInt("A", "x", 1);
    registry.setInt("A", "y", 2);
    EXPECT_TRUE(registry.remove("A", "x"));
    EXPECT_FALSE(registry.remove("A", "x"));
    EXPECT_FALSE(registry.remove("B", "x"));
    Registry reopened(file);
    EXPECT_EQ(reopened.getInt("A", "x", -1), -1);
    EXPECT_EQ(reopened.getInt("A", "y", -1), 2);
}

TEST(Registry, DamagedStoreIsSetAsideAndDefaultsApply) {
    const std::vector<std::string> damaged = {
        "",
        "not json at all",
        "{\"format\":\"zarnolt-registry\",\"version\":1,\"sections\":{\"S\":{\"e\":{\"int\":",
        "{\"format\":\"zarnolt-registry\",\"version\":1,\"sections\":{\"S\":{\"e\":{\"binary\":"
        "\"abc\"}}}}",
        "{\"format\":\"zarnolt-registry\",\"version\":1,\"sections\":{\"S\":{\"e\":{\"int\":"
        "99999999999}}}}",
        "{\"format\":\"zarnolt-registry\",\"version\":1,\"sections\":{\"S\":{\"e\":\"text\"}}}",
        "{\"format\":\"zarnolt-registry\",\"version\":1,\"sections\":[]}",
        "{\"format\":\"other\",\"version\":1,\"sections\":{}}",
        "[1,2,3]",
        std::string("\x00\xff\xfe garbage", 11),
    };
    for (const std::string& text : damaged) {
        SCOPED_TRACE(text);
        TempFolder folder;
        const auto file = folder / "registry.json";
        writeFile(file, text);
        Registry registry(file);
        EXPECT_TRUE(registry.wasDamaged());
        EXPECT_EQ(registry.getInt("S", "e", 5), 5);
        EXPECT_TRUE(std::filesystem::exists(folder / "registry.json.damaged"));
        // The store is usable again after the damage.
        EXPECT_TRUE(registry.setInt("S", "e", 6));
        Registry reopened(file);
        EXPECT_FALSE(reopened.wasDamaged());
        EXPECT_EQ(reopened.getInt("S", "e", 5), 6);
    }
}

TEST(Registry, WriteLeavesNoTemporaryFilesAndFailsCleanly) {
    TempFolder folder;
    Registry registry(folder / "registry.json");
    registry.setInt("S", "e", 1);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        EXPECT_EQ(entry.path().filename(), "registry.json");
    }
    // A store whose folder cannot be made (a file stands in its way) reports failure.
    std::ofstream(folder / "blocker") << "x";
    Registry blocked(folder / "blocker" / "registry.json");
    EXPECT_FALSE(blocked.setInt("S", "e", 1));
    EXPECT_EQ(blocked.getInt("S", "e", 0), 1) << "the value stays in memory";
}
