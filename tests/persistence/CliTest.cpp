// zarnolt-cli's layout commands, run as the user runs them.
#include "LayoutTestSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <sys/stat.h>

#include "model/CTrackItem.h"
#include "model/PieceSeams.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "support/CliRunner.h"
#include "support/TempFolder.h"

using namespace layouttest;
namespace fs = std::filesystem;

namespace {

using testsupport::CliRun;
using testsupport::runCli;

std::vector<std::uint8_t> contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class CliTest : public LayoutTest {
protected:
    testsupport::TempFolder folder;
};

TEST_F(CliTest, NewWritesAnEmptyLayoutOfTheGivenSize) {
    const fs::path out = folder / "new.zrn";
    const CliRun run = runCli({"new", out.string(), "--columns", "20", "--rows", "7"}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto bytes = contents(out);
    ASSERT_EQ(bytes.size(), 412u);
    document().setSize(20, 7);
    EXPECT_EQ(bytes, persistence::buildLayoutFile(document()));

    const CliRun info = runCli({"info", out.string()}, folder);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("size: 20 x 7 tiles"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("tiles per layer: 0 0 0 0 0"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("vehicles: 0"), std::string::npos) << info.out;

    EXPECT_EQ(runCli({"new", out.string(), "--columns", "1000"}, folder).exitCode, 1);
}

TEST_F(CliTest, DumpPrintsTheModelWithTheDocumentedKeys) {
    document().setSize(6, 5);
    model::CTrackItem* tile = model::createTile({3, 2}, 1);
    tile->setElevationOffset(1);
    tile->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    tile->setStructure(std::make_unique<model::CTrackStructureItem>(9000, "駅舎.zn3"));
    tile->addControlItem(model::KindPoint);
    tile->pointItem()->setNumber(4);
    tile->pointItem()->setOccupant(1);
    tile->setPicture(model::pieceHooks().pictureFromPng(smallPng(3, 2)));
    const fs::path file = folder / "dump.zrn";
    writeBytes(file, persistence::buildLayoutFile(document()));

    const CliRun run = runCli({"dump", file.string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = nlohmann::ordered_json::parse(run.out);
    std::vector<std::string> keys;
    for (const auto& [key, value] : json.items()) {
        keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"columns", "rows", "environment", "tiles",
                                              "landscapeItems", "vehicles"}));
    EXPECT_EQ(json["columns"], 6);
    EXPECT_EQ(json["rows"], 5);
    EXPECT_EQ(json["environment"]["groundColour"], nlohmann::json::parse("[13056,43264,7168]"));
    ASSERT_EQ(json["tiles"].size(), 1u);
    const auto& t = json["tiles"][0];
    EXPECT_EQ(t["layer"], 1);
    EXPECT_EQ(t["column"], 3);
    EXPECT_EQ(t["row"], 2);
    EXPECT_EQ(t["elevationOffset"], 1);
    EXPECT_EQ(t["lines"][0]["kind"], 1);
    EXPECT_EQ(t["lines"][0]["shape"], 1);
    EXPECT_EQ(t["lines"][0]["points"], nlohmann::json::parse("[[0,20],[40,20]]"));
    EXPECT_EQ(t["picture"]["width"], 3);
    EXPECT_EQ(t["picture"]["height"], 2);
    EXPECT_EQ(t["structure"]["category"], 9000);
    EXPECT_EQ(t["structure"]["rect"], nlohmann::json::parse("[0,0,39,28]"));
    EXPECT_EQ(t["structure"]["model"], "駅舎.zn3");
    EXPECT_EQ(t["controlItems"][0]["kind"], 301);
    EXPECT_EQ(t["controlItems"][0]["state"], 1);
    EXPECT_EQ(t["controlItems"][0]["number"], 4);
    EXPECT_TRUE(json["landscapeItems"].empty());
    EXPECT_TRUE(json["vehicles"].empty());
}

TEST_F(CliTest, ResaveWritesTheSameBytes) {
    model::createTile({1, 1}, 0)->getTrack().addLine(points({{0, 20}, {20, 0}}), 1);
    const fs::path in = folder / "in.zrn";
    const fs::path out = folder / "out.zrn";
    writeBytes(in, persistence::buildLayoutFile(document()));
    const CliRun run = runCli({"resave", in.string(), out.string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(contents(out), contents(in));
}

TEST_F(CliTest, ADamagedLayoutIsReadWithOneWarningLine) {
    model::createTile({1, 1}, 0)->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    model::createTile({2, 1}, 0)->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    auto bytes = persistence::buildLayoutFile(document());
    bytes.resize(bytes.size() - 40); // into the scenery chunk
    const fs::path damaged = folder / "damaged.zrn";
    writeBytes(damaged, bytes);
    const fs::path out = folder / "out.zrn";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"info", damaged.string()},
          std::vector<std::string>{"resave", damaged.string(), out.string()}}) {
        const CliRun run = runCli(command, folder);
        EXPECT_EQ(run.exitCode, 0) << command[0] << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("warning: damaged at byte"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("not read: the scenery"), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::exists(out));
    const CliRun clean = runCli({"info", out.string()}, folder);
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_EQ(clean.err, "");
}

TEST_F(CliTest, AFailedWriteSaysWhy) {
    const fs::path in = folder / "in.zrn";
    writeBytes(in, persistence::buildLayoutFile(document()));
    fs::create_directory(folder / "folder.zrn");
    ASSERT_EQ(::mkfifo((folder / "pipe.zrn").c_str(), 0600), 0);
    const struct {
        fs::path out;
        std::string reason;
    } cases[] = {{folder / "missing" / "out.zrn", std::strerror(ENOENT)},
                 {folder / "folder.zrn", "folder"},
                 {folder / "pipe.zrn", "not a regular file"}};
    for (const auto& c : cases) {
        const CliRun run = runCli({"resave", in.string(), c.out.string()}, folder);
        EXPECT_EQ(run.exitCode, 1) << c.out;
        EXPECT_NE(run.err.find("cannot write the layout file: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::is_fifo(folder / "pipe.zrn"));
}

TEST_F(CliTest, RefusedAndDamagedFilesNeverCrashTheTool) {
    const fs::path bad = folder / "bad.zrn";
    writeBytes(bad, std::vector<std::uint8_t>(300, 'x'));
    for (const std::string command : {"info", "dump"}) {
        for (const fs::path& file : {bad, folder / "missing.zrn", folder.path()}) {
            const CliRun run = runCli({command, file.string()}, folder);
            EXPECT_EQ(run.exitCode, 1) << command << ' ' << file;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
            EXPECT_TRUE(run.out.empty());
        }
    }
    EXPECT_EQ(runCli({"resave", bad.string(), (folder / "o.zrn").string()}, folder).exitCode, 1);
    EXPECT_FALSE(fs::exists(folder / "o.zrn"));

    // Random damage to a real layout: read or refused, never a crash.
    model::CTrackItem* tile = model::createTile({1, 1}, 0);
    tile->getTrack().addLine(points({{0, 20}, {40, 20}}), 1);
    tile->addControlItem(model::KindPoint);
    const auto good = persistence::buildLayoutFile(document());
    std::mt19937 random(7);
    for (int round = 0; round < 8; ++round) {
        auto bytes = good;
        for (int flip = 0; flip < 6; ++flip) {
            bytes[296 + random() % (bytes.size() - 296)] = static_cast<std::uint8_t>(random());
        }
        writeBytes(bad, bytes);
        const CliRun run = runCli({"dump", bad.string()}, folder);
        EXPECT_LE(run.exitCode, 1) << "round " << round;
    }
}

} // namespace
