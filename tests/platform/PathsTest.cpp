#include "platform/Paths.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using testsupport::ScopedEnv;
using testsupport::TempFolder;
namespace fs = std::filesystem;

TEST(Paths, ProgramFolderHoldsTheRunningExecutable) {
    const fs::path folder = platform::programFolder();
    EXPECT_TRUE(fs::exists(folder / "platform_tests"));
}

TEST(Paths, DataFolderOverrideWinsWhenItExists) {
    TempFolder folder;
    {
        ScopedEnv env("ZARNOLT_DATA", folder.path().string());
        EXPECT_EQ(platform::dataFolder(), folder.path());
    }
    {
        ScopedEnv env("ZARNOLT_DATA", (folder / "missing").string());
        EXPECT_FALSE(platform::dataFolder().has_value());
    }
}

TEST(Paths, DataFolderIsFoundBesideTheProgramThenInShare) {
    ScopedEnv env("ZARNOLT_DATA", std::nullopt);
    const fs::path program = platform::programFolder();
    const fs::path beside = program / platform::kDataFolderName;
    const fs::path shared = program / ".." / "share" / "zarnolt" / platform::kDataFolderName;
    std::error_code error;
    const bool hadBeside = fs::exists(beside, error);
    const bool hadShare = fs::exists(program / ".." / "share", error);
    if (hadBeside || hadShare) {
        GTEST_SKIP() << "the build tree already holds a data folder";
    }
    EXPECT_FALSE(platform::dataFolder().has_value());
    fs::create_directories(shared);
    EXPECT_EQ(platform::dataFolder(), shared.lexically_normal());
    fs::create_directories(beside);
    EXPECT_EQ(platform::dataFolder(), beside.lexically_normal());
    fs::remove_all(beside);
    fs::remove_all(program / ".." / "share");
}

TEST(Paths, ConfigFolderFollowsTheEnvironment) {
    {
        ScopedEnv config("ZARNOLT_CONFIG_DIR", "/tmp/zc");
        EXPECT_EQ(platform::configFolder(), fs::path("/tmp/zc"));
    }
    ScopedEnv config("ZARNOLT_CONFIG_DIR", std::nullopt);
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/xdg");
        EXPECT_EQ(platform::configFolder(), fs::path("/tmp/xdg/zarnolt"));
    }
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(platform::configFolder(), fs::path("/home/someone/.config/zarnolt"));
}
