// zarnolt-cli import, run as a user runs it: each fixture made into an item model and shown by
// `zarnolt-cli item`; failures exit 1 with one line and leave the output as it was.
#include "image/FileBytes.h"

#include "ImportTestSupport.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

namespace import {
namespace {

using testing::fixture;
using testsupport::runCli;
using testsupport::TempFolder;

struct RoundTripCase {
    const char* file;
    int nodes;
    int primitives;
    int faceSets;
    int faces; // counted by the item: primitives and face sets
};

TEST(ImportCliTest, EachFixtureBecomesAnItemThatTheItemCommandShows) {
    const RoundTripCase cases[] = {
        {"box.wrl", 2, 1, 0, 6},
        {"sphere.wrl", 2, 1, 0, 256},
        {"cylinder.wrl", 2, 1, 0, 48},
        {"faceset.wrl", 2, 0, 1, 2},
        {"texture.wrl", 2, 0, 1, 1},
        {"defuse.wrl", 3, 0, 2, 2},
        {"transforms.wrl", 6, 1, 0, 6},
        {"messy.wrl", 2, 1, 0, 6},
        {"unclosed.wrl", 2, 1, 0, 6},
        {"house.wrl", 13, 3, 1, 22},
        // Blocks (2), one part per colour run (3).
        {"polygons.rib", 6, 0, 3, 3},
        {"unbalanced.rib", 3, 0, 1, 1},
        // DXF faces are drawn but not counted as item faces.
        {"faces.dxf", 1, 0, 0, 0},
    };
    TempFolder scratch;
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string out = (scratch / (std::string(c.file) + ".zn3")).string();
        const auto imported = runCli({"import", fixture(c.file).string(), out}, scratch);
        ASSERT_EQ(imported.exitCode, 0) << imported.err;
        EXPECT_TRUE(imported.err.empty());
        const auto shown = runCli({"item", out}, scratch);
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        const auto json = nlohmann::json::parse(shown.out);
        EXPECT_EQ(json["kind"], 0);
        EXPECT_EQ(json["nodeCount"], c.nodes);
        EXPECT_EQ(json["primitiveCount"], c.primitives);
        EXPECT_EQ(json["faceSetCount"], c.faceSets);
        EXPECT_EQ(json["faceCount"], c.faces);
        const auto& min = json["bounds"]["min"];
        const auto& max = json["bounds"]["max"];
        EXPECT_TRUE(min[0] < max[0] || min[1] < max[1] || min[2] < max[2]);
        // Where this tool can render, the import has rendered the thumbnail too.
        const auto rendered = runCli(
            {"render-item", out, "--out", (scratch / "look.png").string(), "--size", "32x32"},
            scratch);
        if (rendered.exitCode == 0) {
            EXPECT_EQ(json["thumbnail"], (nlohmann::json{{"width", 64}, {"height", 64}}));
        }
    }
}

TEST(ImportCliTest, KindAndNameIntoAFolder) {
    TempFolder scratch;
    const auto folder = scratch / "ストラクチャ";
    std::filesystem::create_directories(folder);
    const auto run = runCli({"import", fixture("house.wrl").string(), folder.string(), "--kind",
                             "101", "--name", "駅舎 1"},
                            scratch);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto file = folder / "駅舎 1.zn3";
    ASSERT_TRUE(std::filesystem::exists(file));
    const auto shown = runCli({"item", file.string()}, scratch);
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(nlohmann::json::parse(shown.out)["kind"], 101);
    // Without a name the model's own name is taken.
    ASSERT_EQ(runCli({"import", fixture("faces.dxf").string(), folder.string()}, scratch).exitCode,
              0);
    EXPECT_TRUE(std::filesystem::exists(folder / "faces.zn3"));
}

TEST(ImportCliTest, FailuresExitOneWithOneLineAndKeepTheOldFile) {
    TempFolder scratch;
    const auto out = scratch / "kept.zn3";
    {
        std::ofstream old(out, std::ios::binary);
        old << "old bytes";
    }
    const std::vector<std::vector<std::string>> cases = {
        {fixture("nogeometry.wrl").string(), out.string()},
        {fixture("empty.wrl").string(), out.string()},
        {fixture("blankfirst.wrl").string(), out.string()},
        {fixture("noworld.rib").string(), out.string()},
        {fixture("nosection.dxf").string(), out.string()},
        {fixture("missing.wrl").string(), out.string()},
        {fixture("box.wrl").string(), out.string(), "--kind", "50"},
        {fixture("box.wrl").string(), out.string(), "--name", "other"},
        {fixture("box.wrl").string(), scratch.path().string(), "--name", "../up"},
        {(scratch / "kept.zn3").string(), out.string()},
        {fixture("box.wrl").string(), (scratch / "no-folder" / "x.zn3").string()},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        std::vector<std::string> all{"import"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const auto run = runCli(all, scratch);
        EXPECT_EQ(run.exitCode, 1);
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(image::readFileBytes(out),
                  (std::vector<std::uint8_t>{'o', 'l', 'd', ' ', 'b', 'y', 't', 'e', 's'}));
    }
    EXPECT_FALSE(std::filesystem::exists(scratch / "up.zn3"));
}

} // namespace
} // namespace import
