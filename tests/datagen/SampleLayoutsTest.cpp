#include "tools/datagen/SampleLayouts.h"

#include "image/FileBytes.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackTiles.h"
#include "persistence/LayoutFile.h"
#include "platform/Registry.h"
#include "tests/support/TempConfigEnvironment.h"
#include "tests/support/TempFolder.h"
#include "tools/datagen/DataPack.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/PointState.h"
#include "trains/TrainFileHandlers.h"
#include "trains/TrainSimulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

const auto* const configEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);

fs::path utf8(std::string_view text) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> bytesOf(const fs::path& path) {
    return image::readFileBytes(path).value_or(std::vector<std::uint8_t>{});
}

// What a sample must hold once read back.
struct Expected {
    std::string_view file;
    int trains; // chains with a self-propelled vehicle at their head
    int automobiles;
    int points;         // tiles with item 301
    int stationTiles;   // tiles with a station item
    int levelCrossings; // tiles with item 306
    int pierTiles;      // tiles with a pier
    int elevatedTiles;  // tiles on layers 1 … 4
    int hills;
    int hollows;
    int coveredTiles; // ground tiles inside a hill
};

const Expected kExpected[] = {
    {"複線ループ.zrn", 2, 0, 2, 8, 0, 0, 0, 0, 0, 0},
    {"高架モノレール.zrn", 1, 0, 0, 4, 0, 32, 32, 0, 0, 0},
    {"踏切のある町.zrn", 1, 3, 0, 4, 2, 0, 0, 0, 0, 0},
    {"トンネルと鉄橋.zrn", 1, 0, 0, 4, 0, 6, 6, 1, 1, 5},
    {"入換と折り返し.zrn", 2, 0, 2, 8, 0, 0, 0, 0, 0, 0},
};

struct Counts {
    int trains = 0;
    int automobiles = 0;
    int points = 0;
    int stationTiles = 0;
    int levelCrossings = 0;
    int pierTiles = 0;
    int elevatedTiles = 0;
    int hills = 0;
    int hollows = 0;
    int coveredTiles = 0;
};

Counts countLoaded() {
    Counts n;
    for (int layer = 0; layer <= 4; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            n.points += tile->pointItem() != nullptr;
            n.stationTiles += tile->stationItem() != nullptr;
            n.levelCrossings += tile->findControlItem(model::KindHolding) != nullptr;
            n.pierTiles += tile->pierType() != 0;
            n.elevatedTiles += layer >= 1;
            n.coveredTiles += tile->isCovered();
        }
    }
    for (const model::CLandscapeItem* item : model::landscapeItems()) {
        (item->isHollow() ? n.hollows : n.hills) += 1;
    }
    for (trains::CTrainItem* v : trains::trainController()->vehicles()) {
        n.automobiles += v->isAutomobile();
        n.trains += !v->isAutomobile() && v->isSelfPropelled();
    }
    return n;
}

// The 1-based list positions of the vehicles the controller drives.
std::set<int> drivenVehicles() {
    std::set<int> driven;
    const auto& list = trains::trainController()->vehicles();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i]->isSelfPropelled()) {
            driven.insert(static_cast<int>(i) + 1);
        }
    }
    return driven;
}

class SampleLayouts : public testing::Test {
protected:
    static void SetUpTestSuite() {
        persistence::installLayoutFileHandlers();
        trains::installTrainFileHandlers();
        folder_ = new testsupport::TempFolder;
        ASSERT_TRUE(datagen::generateDataPack(pack()));
        ASSERT_TRUE(datagen::generateSampleLayouts(samples(), pack()));
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static fs::path pack() { return folder_->path() / utf8("データ"); }
    static fs::path samples() { return folder_->path() / utf8(datagen::kSamplesFolderName); }

    void SetUp() override {
        // Vehicles are read only when their item models are in the data folder's catalogue.
        dataFolder_ = std::make_unique<datagen::DataFolderScope>(pack());
        registry_ = std::make_unique<platform::Registry>(folder_->path() / "preferences.json");
        document_ = std::make_unique<model::CZarnoltDocument>(1, 1, registry_.get());
        ASSERT_EQ(model::currentDocument(), document_.get());
    }
    void TearDown() override {
        document_.reset();
        registry_.reset();
        dataFolder_.reset();
    }

    void load(std::string_view file) {
        ASSERT_EQ(persistence::readLayoutFile(*document_, samples() / utf8(file)),
                  persistence::LayoutReadResult::Read)
            << file;
    }

    static testsupport::TempFolder* folder_;
    std::unique_ptr<datagen::DataFolderScope> dataFolder_;
    std::unique_ptr<platform::Registry> registry_;
    std::unique_ptr<model::CZarnoltDocument> document_;
};

testsupport::TempFolder* SampleLayouts::folder_ = nullptr;

TEST_F(SampleLayouts, TheFolderHoldsEverySampleAndNothingElse) {
    std::set<fs::path> found;
    for (const auto& entry : fs::directory_iterator(samples())) {
        found.insert(entry.path().filename());
    }
    std::set<fs::path> wanted;
    for (const auto& sample : datagen::sampleLayouts()) {
        wanted.insert(utf8(sample.fileName));
    }
    EXPECT_EQ(found, wanted);
    EXPECT_EQ(wanted.size(), std::size(kExpected));
    EXPECT_FALSE(fs::exists(fs::path(samples()) += ".partial"));
    EXPECT_FALSE(fs::exists(fs::path(samples()) += ".scratch"));
}

TEST_F(SampleLayouts, EverySampleReadsBackWithItsContentAndResavesByteForByte) {
    for (const Expected& want : kExpected) {
        SCOPED_TRACE(std::string(want.file));
        load(want.file);
        const Counts got = countLoaded();
        EXPECT_EQ(got.trains, want.trains);
        EXPECT_EQ(got.automobiles, want.automobiles);
        EXPECT_EQ(got.points, want.points);
        EXPECT_EQ(got.stationTiles, want.stationTiles);
        EXPECT_EQ(got.levelCrossings, want.levelCrossings);
        EXPECT_EQ(got.pierTiles, want.pierTiles);
        EXPECT_EQ(got.elevatedTiles, want.elevatedTiles);
        EXPECT_EQ(got.hills, want.hills);
        EXPECT_EQ(got.hollows, want.hollows);
        EXPECT_EQ(got.coveredTiles, want.coveredTiles);
        EXPECT_EQ(persistence::buildLayoutFile(*document_), bytesOf(samples() / utf8(want.file)));
    }
}

TEST_F(SampleLayouts, ThePointsOfTheDoubleLoopAreSetToTheirCurves) {
    load("複線ループ.zrn");
    int points = 0;
    for (const auto& [key, tile] : *model::layerMap(0)) {
        if (const model::CTrackControlItem* point = tile->pointItem()) {
            ++points;
            EXPECT_EQ(trains::pointState(point->getNumber()), 1);
        }
    }
    EXPECT_EQ(points, 2);
}

TEST_F(SampleLayouts, GeneratingTwiceGivesIdenticalBytes) {
    testsupport::TempFolder other;
    ASSERT_TRUE(datagen::generateSampleLayouts(other.path() / "again", pack()));
    for (const auto& sample : datagen::sampleLayouts()) {
        const auto first = bytesOf(samples() / utf8(sample.fileName));
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(bytesOf(other.path() / "again" / utf8(sample.fileName)), first)
            << sample.fileName;
    }
}

TEST_F(SampleLayouts, AFolderWithOtherFilesIsNotReplaced) {
    testsupport::TempFolder other;
    const fs::path target = other.path() / "samples";
    fs::create_directories(target);
    std::ofstream(target / "notes.txt") << "mine";
    EXPECT_FALSE(datagen::generateSampleLayouts(target, pack()));
    EXPECT_TRUE(fs::exists(target / "notes.txt"));
    EXPECT_FALSE(fs::exists(target / utf8(datagen::sampleLayouts().front().fileName)));
}

TEST_F(SampleLayouts, AMissingDataPackWritesNoSamples) {
    testsupport::TempFolder other;
    const fs::path target = other.path() / "samples";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(datagen::generateSampleLayouts(target, other.path() / "no-pack"));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(fs::path(target) += ".partial"));
}

// Ten simulated minutes: every train stops at its station in every minute (a deadlocked
// train stops nowhere once it stands), and the same seed gives the same run.
TEST_F(SampleLayouts, TenMinutesOfRunningStopEveryTrainAtItsStationEachMinute) {
    for (const Expected& want : kExpected) {
        SCOPED_TRACE(std::string(want.file));
        load(want.file);
        std::set<int> trainsWithStation;
        const auto& list = trains::trainController()->vehicles();
        for (int number : drivenVehicles()) {
            if (!list[static_cast<std::size_t>(number) - 1]->isAutomobile()) {
                trainsWithStation.insert(number);
            }
        }
        ASSERT_EQ(static_cast<int>(trainsWithStation.size()), want.trains);
        const trains::SimulationResult run = trains::runSimulation(600, 11);
        EXPECT_EQ(run.steps, 200000);
        for (int number : trainsWithStation) {
            std::set<int> minutes;
            for (const auto& e : run.events) {
                if (e.kind == "station stop" && e.vehicle == number) {
                    minutes.insert(static_cast<int>(e.time / 60));
                }
            }
            EXPECT_EQ(minutes.size(), 10u) << "vehicle " << number;
        }
        // A train halts only at a reversing point, and turns there within seconds.
        for (const auto& e : run.events) {
            if (e.kind != "halt") {
                continue;
            }
            const bool turned = std::any_of(run.events.begin(), run.events.end(), [&](auto& r) {
                return r.kind == "reversal" && r.vehicle == e.vehicle && r.time >= e.time &&
                       r.time <= e.time + 10;
            });
            EXPECT_TRUE(turned) << "vehicle " << e.vehicle << " halted at " << e.time;
        }

        load(want.file);
        EXPECT_TRUE(run == trains::runSimulation(600, 11));
    }
}

// Run minute by minute, every vehicle the controller drives (automobiles included, which
// stop at no station) has moved on at the end of each minute.
TEST_F(SampleLayouts, EveryDrivenVehicleMovesOnInEachMinute) {
    for (const Expected& want : kExpected) {
        SCOPED_TRACE(std::string(want.file));
        load(want.file);
        const std::set<int> driven = drivenVehicles();
        ASSERT_FALSE(driven.empty());
        trains::SimulationResult before = trains::runSimulation(0, 5);
        for (int minute = 0; minute < 10; ++minute) {
            const trains::SimulationResult after = trains::runSimulation(60, 5 + minute);
            ASSERT_EQ(after.vehicles.size(), before.vehicles.size());
            for (int number : driven) {
                const auto& a = before.vehicles[static_cast<std::size_t>(number) - 1];
                const auto& b = after.vehicles[static_cast<std::size_t>(number) - 1];
                EXPECT_TRUE(a.column != b.column || a.row != b.row || a.layer != b.layer ||
                            a.line != b.line || a.pointIndex != b.pointIndex)
                    << "vehicle " << number << " stood through minute " << minute;
                EXPECT_GE(b.line, 0) << "vehicle " << number;
            }
            before = after;
        }
    }
}

// The shunting-yard sample: its two points are switched by their numbers and the locomotive on
// the ring takes the passing loop (on row 2) exactly while they are set; the locomotive
// couples the two parked wagons; the shuttle turns at both reversing points every minute.
TEST_F(SampleLayouts, TheShuntingYardSwitchesPointsByNumberCouplesWagonsAndShuttles) {
    load("入換と折り返し.zrn");
    std::vector<int> numbers;
    for (const auto& [key, tile] : *model::layerMap(0)) {
        if (const model::CTrackControlItem* point = tile->pointItem()) {
            numbers.push_back(point->getNumber());
            EXPECT_EQ(trains::pointState(point->getNumber()), 1);
        }
    }
    ASSERT_EQ(numbers.size(), 2u);
    trains::CTrainControler& controller = *trains::trainController();
    const auto& list = controller.vehicles();
    ASSERT_EQ(list.size(), 5u);
    trains::CTrainItem* steam = list[0];
    ASSERT_TRUE(steam->isSteamLocomotive());

    // Runs the trains for `seconds` as the simulation does; true when the ring's locomotive
    // stood on the loop row after the first `settle` seconds.
    auto run = [&](double seconds, double settle) {
        trains::controllerClock().setManual(0);
        controller.start(false);
        bool onLoop = false;
        const int steps = static_cast<int>(seconds / 0.003);
        for (int i = 0; i < steps; ++i) {
            trains::controllerClock().advance(0.003);
            controller.stepByHand();
            if (i % 33 == 0) {
                trains::getOrCreateControlItemManager().tick();
            }
            const model::CTrackItem* tile = steam->currentTile();
            onLoop =
                onLoop || (i * 0.003 >= settle && tile != nullptr && tile->getPosition().row == 2);
        }
        controller.stop(true);
        trains::controllerClock().useMonotonic();
        return onLoop;
    };
    EXPECT_TRUE(run(60, 0));
    EXPECT_EQ(steam->trainMembers().size(), 3u); // both wagons coupled
    for (int number : numbers) {
        trains::setPointState(number, 0);
    }
    EXPECT_FALSE(run(70, 10));
    for (int number : numbers) {
        trains::setPointState(number, 1);
    }
    EXPECT_TRUE(run(60, 0));
    EXPECT_EQ(steam->trainMembers().size(), 3u);

    load("入換と折り返し.zrn");
    const trains::SimulationResult result = trains::runSimulation(600, 3);
    std::map<int, std::set<int>> reversalMinutes;
    std::set<int> coupled;
    for (const auto& e : result.events) {
        if (e.kind == "reversal") {
            reversalMinutes[e.vehicle].insert(static_cast<int>(e.time / 60));
        }
        if (e.kind == "coupling") {
            coupled.insert({e.vehicle, e.other});
        }
    }
    EXPECT_EQ(coupled, (std::set<int>{1, 2, 3})); // the locomotive and both wagons
    EXPECT_EQ(reversalMinutes[4].size(), 10u);
}

} // namespace
