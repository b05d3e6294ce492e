// Saving never destroys the previous file: a failed save leaves it as it was and reports
// false, and no temporary file stays behind.
#include "LayoutTestSupport.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "persistence/AtomicFile.h"
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
    EXPECT_FALSE(persistence::replaceFileContents(folder.path() / "", {}));
}

} // namespace
