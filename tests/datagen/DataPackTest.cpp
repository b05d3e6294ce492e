#include "tools/datagen/DataPack.h"

#include "image/FileBytes.h"
#include "image/PictureFiles.h"
#include "items/BuiltinFiles.h"
#include "sound/WaveFile.h"
#include "tests/support/TempFolder.h"
#include "tools/datagen/SteamSound.h"
#include "tools/datagen/Textures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

// Every file below `folder`, by relative path, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> contents(const fs::path& folder) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] =
                image::readFileBytes(entry.path()).value_or(std::vector<std::uint8_t>{});
        }
    }
    return files;
}

class DataPack : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testsupport::TempFolder;
        ASSERT_TRUE(datagen::generateDataPack(pack()));
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static fs::path pack() { return folder_->path() / "データ"; }

    static testsupport::TempFolder* folder_;
};

testsupport::TempFolder* DataPack::folder_ = nullptr;

TEST_F(DataPack, GeneratingTwiceGivesIdenticalBytes) {
    testsupport::TempFolder other;
    ASSERT_TRUE(datagen::generateDataPack(other / "データ"));
    const auto first = contents(pack());
    const auto second = contents(other / "データ");
    EXPECT_GT(first.size(), 60u);
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [name, bytes] : first) {
        auto it = second.find(name);
        ASSERT_NE(it, second.end()) << name;
        EXPECT_TRUE(it->second == bytes) << name << " differs";
    }
}

TEST_F(DataPack, EveryNumberedPictureIsFoundAndDecodes) {
    testsupport::ScopedEnv dataFolder("ZARNOLT_DATA", pack().string());
    for (const datagen::BuiltinPicture& expected : datagen::builtinPictures()) {
        const fs::path path = items::findBuiltinPicture(expected.number);
        ASSERT_FALSE(path.empty()) << expected.number;
        const image::Picture picture = image::loadPicture(path);
        EXPECT_FALSE(picture.empty()) << expected.number;
    }
    // The renderer's whole table, 1000 … 1057, and the pictures of other parts of the program.
    for (int number = 1000; number < 1058; ++number) {
        EXPECT_FALSE(items::findBuiltinPicture(number).empty()) << number;
    }
    for (int number : {11998, 11999, 13000, 13001, 13002, 13003}) {
        EXPECT_FALSE(items::findBuiltinPicture(number).empty()) << number;
    }
}

TEST_F(DataPack, RunningSoundLoadsThroughTheWaveReader) {
    testsupport::ScopedEnv dataFolder("ZARNOLT_DATA", pack().string());
    const fs::path path = items::findBuiltinSound("128");
    ASSERT_FALSE(path.empty());
    sound::CWaveFile wave;
    ASSERT_TRUE(wave.open(path));
    EXPECT_EQ(wave.format(), sound::pcmFormat(1, datagen::kSteamSampleRate, 16));
    std::vector<std::uint8_t> data(static_cast<std::size_t>(wave.dataLength()));
    ASSERT_EQ(wave.read(data), data.size());
    const auto samples = datagen::steamRunningSound();
    EXPECT_EQ(data, sound::pcm16Bytes(samples));
}

TEST_F(DataPack, RegeneratingReplacesTheWholeFolder) {
    testsupport::TempFolder other;
    const fs::path target = other / "データ";
    fs::create_directories(target / "Texture_Buildin");
    { std::ofstream(target / "Texture_Buildin" / "stale.png") << "old"; }
    ASSERT_TRUE(datagen::generateDataPack(target));
    EXPECT_FALSE(fs::exists(target / "Texture_Buildin" / "stale.png"));
    EXPECT_TRUE(fs::exists(target / "Texture_Buildin" / "1000.png"));
    EXPECT_FALSE(fs::exists(other / "データ.partial"));
}

TEST_F(DataPack, LeavesAFolderAloneThatIsNoDataPack) {
    testsupport::TempFolder other;
    const fs::path target = other / "documents";
    fs::create_directories(target);
    { std::ofstream(target / "letter.txt") << "keep me"; }
    EXPECT_FALSE(datagen::generateDataPack(target));
    EXPECT_TRUE(fs::exists(target / "letter.txt"));
    EXPECT_FALSE(fs::exists(target / "Texture_Buildin"));
}

} // namespace

TEST(DataPackWriting, AFailureToWriteTheItemModelsFailsThePack) {
    testsupport::TempFolder folder;
    // A plain file where the catalogue folder must go makes every item model write fail.
    std::ofstream(folder / "C3DItem_File") << "in the way";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(datagen::writeDataPack(folder.path()));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}
