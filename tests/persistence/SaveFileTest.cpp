// Saving never destroys the previous file: a failed save leaves it as it was and reports
// false, and no temporary file stays behind.
#include "LayoutTestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "support/TempFolder.h"

using namespace layouttest;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Lowers the file size limit for the scope, so that a write fails halfway (SIGXFSZ ignored,
// the write then reports EFBIG).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

using SaveFileTest = LayoutTest;

TEST_F(SaveFileTest, ReplacesTheOldFileAndKeepsItsPermissions) {
    testsupport::TempFolder folder;
    const fs::path path = folder / "layout.zrn";
    std::ofstream(path) << "old contents";
    ::chmod(path.c_str(), 0640);

    ASSERT_TRUE(document().writeFile(path));
    EXPECT_EQ(contents(path), persistence::buildLayoutFile(document()));
    EXPECT_EQ(entries(folder.path()), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(SaveFileTest, FailureHalfwayLeavesTheOldFileUntouched) {
    testsupport::TempFolder folder;
    const fs::path path = folder / "layout.zrn";
    const std::string old = "the user's previous layout";
    std::ofstream(path) << old;
    // A board large enough that its file passes the limit.
    for (int column = 0; column < 50; ++column) {
        model::createTile({static_cast<std::int16_t>(column), 0}, 0)
            ->getTrack()
            .addLine(points({{0, 20}, {40, 20}}), 1);
    }
    {
        FileSizeLimit limit(2048);
        EXPECT_FALSE(document().writeFile(path));
    }
    EXPECT_EQ(contents(path), std::vector<std::uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(entries(folder.path()), 1u);
    EXPECT_NE(document().getTitle(), "layout.zrn");
}

TEST_F(SaveFileTest, DestinationsThatCannotBeWritten) {
    testsupport::TempFolder folder;
    fs::create_directory(folder / "taken");
    std::ofstream(folder / "taken" / "inside") << "x";

    EXPECT_FALSE(document().writeFile(folder / "missing" / "layout.zrn"));
    EXPECT_FALSE(document().writeFile(folder / "taken"));
    EXPECT_TRUE(fs::is_directory(folder / "taken"));
    EXPECT_EQ(entries(folder.path()), 1u);
}

TEST_F(SaveFileTest, SavingThroughALinkWritesItsTargetAndKeepsTheLink) {
    testsupport::TempFolder folder;
    const fs::path target = folder / "layout.zrn";
    std::ofstream(target) << "old contents";
    fs::create_symlink("layout.zrn", folder / "link.zrn");

    ASSERT_TRUE(document().writeFile(folder / "link.zrn")) << document().fileMessage();
    EXPECT_TRUE(fs::is_symlink(folder / "link.zrn"));
    EXPECT_EQ(contents(target), persistence::buildLayoutFile(document()));
    EXPECT_EQ(entries(folder.path()), 2u);
}

TEST_F(SaveFileTest, APipeOrDeviceIsNeverReplaced) {
    testsupport::TempFolder folder;
    const fs::path fifo = folder / "pipe.zrn";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/null", folder / "device.zrn");

    EXPECT_FALSE(document().writeFile(fifo));
    EXPECT_NE(document().fileMessage().find("not a regular file"), std::string::npos)
        << document().fileMessage();
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_FALSE(document().writeFile(folder / "device.zrn"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(entries(folder.path()), 2u);
}

TEST_F(SaveFileTest, AFileNameOfTheLongestLengthsSaves) {
    testsupport::TempFolder folder;
    for (std::size_t length : {245u, 255u}) {
        const fs::path path = folder / (std::string(length - 4, 'l') + ".zrn");
        EXPECT_TRUE(document().writeFile(path)) << length << ": " << document().fileMessage();
        EXPECT_EQ(contents(path), persistence::buildLayoutFile(document())) << length;
    }
    EXPECT_EQ(entries(folder.path()), 2u);
}

TEST_F(SaveFileTest, AFailedSaveSaysWhy) {
    testsupport::TempFolder folder;
    EXPECT_FALSE(document().writeFile(folder / "missing" / "layout.zrn"));
    EXPECT_NE(document().fileMessage().find(std::strerror(ENOENT)), std::string::npos)
        << document().fileMessage();
    {
        FileSizeLimit limit(64);
        EXPECT_FALSE(document().writeFile(folder / "layout.zrn"));
    }
    EXPECT_NE(document().fileMessage().find(std::strerror(EFBIG)), std::string::npos)
        << document().fileMessage();
    ASSERT_TRUE(document().writeFile(folder / "layout.zrn"));
    EXPECT_EQ(document().fileMessage(), "");
}

} // namespace
