// The one atomic file writer: a save replaces the file whole or not at all, follows links to
// their target, never replaces what is not a regular file, says why it failed, and leaves no
// temporary file that outlives it — with an unnamed temporary file and with a named one.
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using platform::FileWriteOptions;
using platform::replaceFileContents;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Both ways of holding the new content until it is complete.
class AtomicFileTest : public testing::TestWithParam<bool> {
protected:
    FileWriteOptions options() const {
        FileWriteOptions options;
        options.unnamedTemporary = GetParam();
        return options;
    }
    testsupport::TempFolder folder;
};

INSTANTIATE_TEST_SUITE_P(Temporaries, AtomicFileTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Unnamed" : "Named";
                         });

TEST_P(AtomicFileTest, KilledSaveLeavesNoTemporaryFileBehindTheNextSave) {
    const fs::path path = folder / "layout.zrn";
    std::ofstream(path) << "old";
    const std::string big(256 * 1024, 'x');
    // A child process whose file size limit kills it (SIGXFSZ) in the middle of the write.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        rlimit small{65536, 65536};
        ::setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        replaceFileContents(path, bytesOf(big), options());
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(contents(path), "old");
    if (GetParam()) {
        // An unnamed file goes with the process that wrote it.
        EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"layout.zrn"});
    }

    ASSERT_TRUE(replaceFileContents(path, bytesOf("new"), options()));
    EXPECT_EQ(contents(path), "new");
    EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"layout.zrn"});
}

TEST_P(AtomicFileTest, TemporaryOfARunningSaveIsLeftAlone) {
    const fs::path path = folder / "layout.zrn";
    // A temporary file in the name pattern of a save still running in this process.
    const fs::path running =
        folder / (platform::temporaryNamePrefix(path) + std::to_string(::getpid()) + "-999999");
    std::ofstream(running) << "half";
    ASSERT_TRUE(replaceFileContents(path, bytesOf("new"), options()));
    EXPECT_TRUE(fs::exists(running));
}

TEST_P(AtomicFileTest, LongestFileNamesSave) {
    for (std::size_t length : {245u, 255u}) {
        const std::string name = std::string(length - 4, 'a') + ".zrn";
        const fs::path path = folder / name;
        const platform::FileWriteResult result = replaceFileContents(path, bytesOf("x"), options());
        EXPECT_TRUE(result) << length << ": " << result.error;
        EXPECT_EQ(contents(path), "x") << length;
        EXPECT_TRUE(replaceFileContents(path, bytesOf("y"), options())) << length;
        EXPECT_EQ(contents(path), "y") << length;
        fs::remove(path);
    }
    EXPECT_TRUE(entries(folder.path()).empty());
}

TEST_P(AtomicFileTest, SavingThroughLinksWritesTheirTarget) {
    fs::create_directory(folder / "real");
    const fs::path target = folder / "real" / "layout.zrn";
    std::ofstream(target) << "old";
    fs::create_symlink("real/layout.zrn", folder / "relative");
    fs::create_symlink(folder / "relative", folder / "chain");
    fs::create_symlink(folder / "real" / "new.zrn", folder / "dangling");

    struct Case {
        const char* link;
        fs::path expectedTarget;
    };
    for (const Case& c : {Case{"relative", target}, Case{"chain", target},
                          Case{"dangling", folder / "real" / "new.zrn"}}) {
        const std::string text = std::string("through ") + c.link;
        const platform::FileWriteResult result =
            replaceFileContents(folder / c.link, bytesOf(text), options());
        ASSERT_TRUE(result) << c.link << ": " << result.error;
        EXPECT_TRUE(fs::is_symlink(folder / c.link)) << c.link;
        EXPECT_EQ(contents(c.expectedTarget), text) << c.link;
    }
    EXPECT_EQ(entries(folder / "real"), (std::vector<std::string>{"layout.zrn", "new.zrn"}));
}

TEST_P(AtomicFileTest, WhatIsNotARegularFileIsRefusedAndStays) {
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/null", folder / "device");
    fs::create_directory(folder / "taken");
    for (const char* name : {"pipe", "device", "taken"}) {
        const platform::FileWriteResult result =
            replaceFileContents(folder / name, bytesOf("x"), options());
        EXPECT_FALSE(result) << name;
        EXPECT_FALSE(result.error.empty()) << name;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(folder / "device"));
    EXPECT_TRUE(fs::is_directory(folder / "taken"));
    EXPECT_NE(replaceFileContents(fifo, bytesOf("x"), options()).error.find("not a regular file"),
              std::string::npos);
    EXPECT_EQ(entries(folder.path()), (std::vector<std::string>{"device", "pipe", "taken"}));
}

TEST_P(AtomicFileTest, PermissionBitsOfTheOldFileStay) {
    struct Case {
        const char* name;
        int oldMode; // -1: no old file
        unsigned newFileMode;
        unsigned expected;
    };
    const mode_t mask = ::umask(022);
    for (const Case& c : {Case{"private", 0600, 0666, 0600}, Case{"shared", 0664, 0600, 0664},
                          Case{"executable", 0751, 0666, 0751}, Case{"fresh", -1, 0666, 0644},
                          Case{"fresh-private", -1, 0600, 0600}}) {
        const fs::path path = folder / c.name;
        if (c.oldMode >= 0) {
            std::ofstream(path) << "old";
            ::chmod(path.c_str(), static_cast<mode_t>(c.oldMode));
        }
        FileWriteOptions withMode = options();
        withMode.newFileMode = c.newFileMode;
        ASSERT_TRUE(replaceFileContents(path, bytesOf("new"), withMode)) << c.name;
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.expected) << c.name;
    }
    ::umask(mask);
}

TEST_P(AtomicFileTest, FailuresSayWhyWithTheSystemsReason) {
    const fs::path path = folder / "layout.zrn";
    std::ofstream(path) << "old";
    {
        // The write passes the file size limit: "File too large".
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 1024;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const platform::FileWriteResult result =
            replaceFileContents(path, bytesOf(std::string(4096, 'x')), options());
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        EXPECT_FALSE(result);
        EXPECT_NE(result.error.find(std::strerror(EFBIG)), std::string::npos) << result.error;
    }
    const platform::FileWriteResult missing =
        replaceFileContents(folder / "missing" / "layout.zrn", bytesOf("x"), options());
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find(std::strerror(ENOENT)), std::string::npos) << missing.error;
    EXPECT_FALSE(replaceFileContents(folder / "", bytesOf("x"), options()));

    EXPECT_EQ(contents(path), "old");
    EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"layout.zrn"});
}

} // namespace
