// zarnolt-cli render, run as a user runs it: pictures, statistics and refusals.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

using testsupport::CliRun;
using testsupport::runCli;

std::vector<char> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RenderCommand : public testing::Test {
protected:
    void SetUp() override {
        layout_ = scratch_ / "empty.zrn";
        const CliRun made =
            runCli({"new", layout_.string(), "--columns", "11", "--rows", "11"}, scratch_);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    testsupport::TempFolder scratch_;
    fs::path layout_;
};

TEST_F(RenderCommand, StatsGiveTheStandardViewOfTheLayout) {
    const fs::path png = scratch_ / "out.png";
    const fs::path stats = scratch_ / "stats.json";
    const CliRun run = runCli({"render", layout_.string(), "--out", png.string(), "--size",
                               "320x200", "--stats", stats.string()},
                              scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const nlohmann::json json = nlohmann::json::parse(fileBytes(stats));
    EXPECT_EQ(json.at("mode").get<int>(), 0);
    EXPECT_EQ(json.at("eye").get<std::vector<double>>(), (std::vector<double>{5.5, 11, 11}));
    EXPECT_EQ(json.at("target").get<std::vector<double>>(), (std::vector<double>{5.5, 0, 5.5}));
    EXPECT_DOUBLE_EQ(json.at("fov").get<double>(), 42);
    EXPECT_DOUBLE_EQ(json.at("near").get<double>(), 1.1);
    EXPECT_DOUBLE_EQ(json.at("far").get<double>(), 1100);
    EXPECT_GT(json.at("frameMs").get<double>(), 0);
    // A PNG of the asked size: the width and height of its header chunk.
    const std::vector<char> bytes = fileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) |
               (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) |
               static_cast<unsigned char>(bytes[at + 3]);
    };
    EXPECT_EQ(be32(16), 320u);
    EXPECT_EQ(be32(20), 200u);
}

TEST_F(RenderCommand, CameraOptionsReachTheStats) {
    const fs::path stats = scratch_ / "stats.json";
    const CliRun run =
        runCli({"render", layout_.string(), "--out", (scratch_ / "o.png").string(), "--size",
                "64x64", "--yaw", "90", "--zoom", "2", "--camera", "3", "--stats", stats.string()},
               scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json json = nlohmann::json::parse(fileBytes(stats));
    EXPECT_EQ(json.at("mode").get<int>(), 0) << "no camera train: the standard view";
    const auto eye = json.at("eye").get<std::vector<double>>();
    ASSERT_EQ(eye.size(), 3u);
    EXPECT_NEAR(eye[0], 0, 1e-9) << "turned to the left side";
    EXPECT_NEAR(eye[1], 11, 1e-9);
    EXPECT_NEAR(eye[2], 5.5, 1e-9);
    EXPECT_DOUBLE_EQ(json.at("fov").get<double>(), 21);
    EXPECT_DOUBLE_EQ(json.at("near").get<double>(), 0.05);
}

TEST_F(RenderCommand, TheSameArgumentsGiveTheSameBytes) {
    std::vector<char> pictures[2];
    for (int i = 0; i < 2; ++i) {
        const fs::path png = scratch_ / ("same" + std::to_string(i) + ".png");
        const CliRun run = runCli({"render", layout_.string(), "--out", png.string(), "--size",
                                   "200x150", "--yaw", "30", "--pitch", "-20"},
                                  scratch_);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        pictures[i] = fileBytes(png);
    }
    EXPECT_FALSE(pictures[0].empty());
    EXPECT_TRUE(pictures[0] == pictures[1]);
}

TEST_F(RenderCommand, RefusalsAreOneLineAndWriteNothing) {
    const fs::path png = scratch_ / "refused.png";
    const fs::path garbage = scratch_ / "garbage.zrn";
    std::ofstream(garbage, std::ios::binary) << "Zn02 but nothing after it";
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const std::string layout = layout_.string();
    const std::string out = png.string();
    const Case cases[] = {
        {{"render", (scratch_ / "missing.zrn").string(), "--out", out}, "missing.zrn"},
        {{"render", garbage.string(), "--out", out}, "garbage.zrn"},
        {{"render", scratch_.path().string(), "--out", out}, ""},
        {{"render", layout, "--out", out, "--size", "0x10"}, "--size"},
        {{"render", layout, "--out", out, "--size", "640"}, "--size"},
        {{"render", layout, "--out", out, "--size", "10x"}, "--size"},
        {{"render", layout, "--out", out, "--size", "-5x10"}, "--size"},
        {{"render", layout, "--out", out, "--size", "99999x10"}, "--size"},
        {{"render", layout, "--out", out, "--size", "64x64junk"}, "--size"},
        {{"render", layout, "--out", out, "--camera", "7"}, "--camera"},
        {{"render", layout, "--out", out, "--camera", "-1"}, "--camera"},
        {{"render", layout, "--out", out, "--zoom", "3.5"}, "--zoom"},
        {{"render", layout, "--out", out, "--zoom", "0.5"}, "--zoom"},
        {{"render", layout, "--out", out, "--yaw", "nan"}, "--yaw"},
        {{"render", layout, "--out", out, "--env", "fog,rain"}, "rain"},
        {{"render", layout, "--out", out, "--env", "sky=6"}, "sky=6"},
        {{"render", layout, "--out", out, "--env", "sky="}, "sky="},
        {{"render", layout, "--out", out, "--time", "-1"}, "--time"},
        {{"render", layout, "--out", out, "--time", "inf"}, "--time"},
        {{"render", layout, "--out", (scratch_ / "no" / "such" / "folder.png").string(), "--size",
          "8x8"},
         "folder.png"},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.arguments) {
            shown += a + " ";
        }
        SCOPED_TRACE(shown);
        const CliRun run = runCli(c.arguments, scratch_);
        EXPECT_EQ(run.exitCode, 1);
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(png));
    }
}

TEST_F(RenderCommand, EnvironmentSwitchesChangeTheFrameForThisRenderOnly) {
    auto render = [&](const std::string& name, std::vector<std::string> extra) {
        const fs::path png = scratch_ / name;
        std::vector<std::string> arguments = {"render", layout_.string(), "--out",    png.string(),
                                              "--size", "120x90",         "--camera", "5"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliRun run = runCli(arguments, scratch_);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return fileBytes(png);
    };
    const auto plain = render("plain.png", {});
    const auto dark = render("dark.png", {"--env", "light=off"});
    const auto cloudy = render("cloudy.png", {"--env", "sky=2,fog,nowater", "--time", "1.5"});
    EXPECT_FALSE(plain.empty());
    EXPECT_TRUE(plain != dark);
    EXPECT_TRUE(plain != cloudy);
    // The layout file itself is left as it was.
    EXPECT_TRUE(render("again.png", {}) == plain);
}

} // namespace
