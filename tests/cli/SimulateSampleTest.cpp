// zarnolt-cli simulate on the generated sample layouts, run as the user runs it.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

using testsupport::CliRun;
using testsupport::runCli;

std::string sample(const char* name) {
    return std::string(ZARNOLT_BUILD_DIR) + "/bin/サンプル/" + name;
}

class SimulateSample : public testing::Test {
protected:
    testsupport::TempFolder scratch_;
};

TEST_F(SimulateSample, JsonListsEveryVehicleAndTheEventsOfTheRun) {
    const CliRun run = runCli(
        {"simulate", sample("踏切のある町.zrn"), "--seconds", "120", "--seed", "4", "--json"},
        scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json out = nlohmann::json::parse(run.out);
    EXPECT_EQ(out.at("steps").get<int>(), 40000);
    const auto& vehicles = out.at("vehicles");
    ASSERT_EQ(vehicles.size(), 6u); // a locomotive with two wagons, a car, a truck, a bus
    std::multiset<int> types;
    for (std::size_t i = 0; i < vehicles.size(); ++i) {
        const auto& v = vehicles[i];
        EXPECT_EQ(v.at("number").get<int>(), static_cast<int>(i) + 1);
        types.insert(v.at("type").get<int>());
        EXPECT_GE(v.at("column").get<int>(), 0);
        EXPECT_LT(v.at("column").get<int>(), 20);
        EXPECT_GE(v.at("row").get<int>(), 0);
        EXPECT_LT(v.at("row").get<int>(), 16);
        EXPECT_EQ(v.at("layer").get<int>(), 0);
        EXPECT_GE(v.at("line").get<int>(), 0);
        EXPECT_GE(v.at("point").get<double>(), 0);
        EXPECT_GE(v.at("speed").get<double>(), 0);
    }
    EXPECT_EQ(types, (std::multiset<int>{9001, 9002, 9002, 9003, 9003, 9003}));
    // The train stops at its station again and again: 5 seconds there and a short lap.
    int stops = 0;
    double last = -1;
    for (const auto& e : out.at("events")) {
        EXPECT_GE(e.at("time").get<double>(), last);
        last = e.at("time").get<double>();
        EXPECT_LE(last, 120.0);
        if (e.at("kind") == "station stop") {
            EXPECT_EQ(e.at("vehicle").get<int>(), 1);
            ++stops;
        }
    }
    EXPECT_GE(stops, 8);
}

TEST_F(SimulateSample, TheSameSeedGivesTheSameOutputInTextAndJson) {
    for (const char* name : {"複線ループ.zrn", "高架モノレール.zrn", "トンネルと鉄橋.zrn"}) {
        SCOPED_TRACE(name);
        for (bool json : {false, true}) {
            std::vector<std::string> arguments{"simulate", sample(name), "--seconds",
                                               "90",       "--seed",     "9"};
            if (json) {
                arguments.emplace_back("--json");
            }
            const CliRun first = runCli(arguments, scratch_);
            const CliRun second = runCli(arguments, scratch_);
            ASSERT_EQ(first.exitCode, 0) << first.err;
            EXPECT_EQ(first.out, second.out);
            EXPECT_NE(first.out.find("station stop"), std::string::npos);
            if (json) {
                EXPECT_TRUE(nlohmann::json::accept(first.out));
            } else {
                EXPECT_EQ(first.out.rfind("vehicles: ", 0), 0u);
                EXPECT_NE(first.out.find("\nevents: "), std::string::npos);
            }
        }
    }
}

TEST_F(SimulateSample, TextNamesTheVehiclesWhereTheyStand) {
    const CliRun run =
        runCli({"simulate", sample("複線ループ.zrn"), "--seconds", "30", "--seed", "1"}, scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("vehicles: 6\n", 0), 0u);
    EXPECT_NE(run.out.find("vehicle 1 type 9000: tile "), std::string::npos);
    EXPECT_NE(run.out.find("vehicle 4 type 9001: tile "), std::string::npos);
    EXPECT_NE(run.out.find(" s: station stop vehicle 1\n"), std::string::npos);
    EXPECT_NE(run.out.find(" s: station stop vehicle 4\n"), std::string::npos);
}

} // namespace
