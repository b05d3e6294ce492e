#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "EditorFixture.h"
#include "model/TrackTiles.h"
#include "support/CliRunner.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/CTrainTypeItem.h"
#include "trains/TrainSimulation.h"
#include "trains/VehicleRegistry.h"

namespace editortest {
namespace {

class RunSaveReloadTest : public EditorFixture {
protected:
    QString path(const std::string& name) const {
        return QString::fromStdString((folder / name).string());
    }
    bool saveAs(const std::string& name) {
        prompter.files.push_back(path(name));
        return frame->saveAs();
    }
};

// The whole program: vehicles from the catalogue placed on a loop and run on the driven clock
// end where the command-line tool's simulation of the same saved layout puts them, and the
// layout saved after the run and opened again holds that train.
TEST_F(RunSaveReloadTest, RunSavedAndReopenedMatchesTheSimulateCommand) {
    makeFrame();
    const auto bin = std::filesystem::path(ZARNOLT_BUILD_DIR) / "bin";
    ASSERT_TRUE(
        frame->openLayout(QString::fromStdString((bin / "サンプル" / "複線ループ.zrn").string())));
    trains::deleteAllVehicles();
    ASSERT_EQ(trains::registeredVehicleCount(), 0u);

    const auto catalogue = bin / "データ" / "C3DItem_File" / "列車、客車、貨車";
    const auto steam = trains::createTrainTypeItem(catalogue / "機関車" / "SL01.zn3");
    const auto car = trains::createTrainTypeItem(catalogue / "客車" / "PassengerCar01.zn3");
    ASSERT_NE(steam, nullptr);
    ASSERT_NE(car, nullptr);
    EXPECT_EQ(steam->ownTypeCode(), trains::TypeSteam);
    // The straight top row of the outer loop: the locomotive ahead of two cars.
    const struct {
        const trains::CTrainTypeItem* type;
        std::int16_t column;
    } placed[] = {{steam.get(), 12}, {car.get(), 10}, {car.get(), 8}};
    for (const auto& p : placed) {
        auto* tile = model::tileAt(0, model::TilePos{p.column, 2});
        ASSERT_NE(tile, nullptr);
        ASSERT_NE(trains::createVehicle(tile, p.type->ownTypeCode(), p.type->modelName()), nullptr);
    }
    ASSERT_TRUE(saveAs("start.zrn"));
    ASSERT_TRUE(frame->openLayout(path("start.zrn")));
    ASSERT_EQ(trains::getOrCreateTrainController().vehicleCount(), 3u);

    constexpr double kSeconds = 20;
    const trains::SimulationResult ran = trains::runSimulation(kSeconds, 0);
    ASSERT_EQ(ran.vehicles.size(), 3u);
    ASSERT_TRUE(saveAs("end.zrn"));
    ASSERT_TRUE(frame->openLayout(path("end.zrn")));
    ASSERT_EQ(trains::getOrCreateTrainController().vehicleCount(), 3u);

    testsupport::TempFolder scratch;
    const auto simulated =
        runCli({"simulate", (folder / "start.zrn").string(), "--seconds", "20", "--json"}, scratch);
    ASSERT_EQ(simulated.exitCode, 0) << simulated.err;
    const auto dumped = runCli({"dump", (folder / "end.zrn").string()}, scratch);
    ASSERT_EQ(dumped.exitCode, 0) << dumped.err;
    const auto sim = nlohmann::json::parse(simulated.out)["vehicles"];
    const auto dump = nlohmann::json::parse(dumped.out)["vehicles"];
    ASSERT_EQ(sim.size(), 3u);
    ASSERT_EQ(dump.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const auto& v = ran.vehicles[k];
        // The program's run and the tool's run end on the same or a neighbouring tile (on a
        // busy machine the program's run has been seen a fraction of a step apart).
        EXPECT_LE(std::abs(sim[k]["column"].get<int>() - v.column) +
                      std::abs(sim[k]["row"].get<int>() - v.row),
                  1);
        // The saved file keeps the vehicles in order with their types and layers.
        EXPECT_EQ(dump[k]["type"].get<int>(), v.typeCode);
        EXPECT_EQ(dump[k]["layer"].get<int>(), v.layer);
        EXPECT_EQ(dump[k]["row"].get<int>(), v.row);
    }
    // Both runs couple the same vehicles in the same order.
    const auto simEvents = nlohmann::json::parse(simulated.out)["events"];
    ASSERT_EQ(simEvents.size(), ran.events.size());
    for (std::size_t k = 0; k < ran.events.size(); ++k) {
        EXPECT_EQ(simEvents[k]["kind"].get<std::string>(), ran.events[k].kind);
        EXPECT_EQ(simEvents[k]["vehicle"].get<int>(), ran.events[k].vehicle);
        EXPECT_EQ(simEvents[k]["other"].get<int>(), ran.events[k].other);
    }
    // The run coupled the three into one train. A file keeps a vehicle's tile, not its place
    // on the tile: reading it stands the first vehicle of each train on its saved tile and the
    // others behind it at coupling distance, so that vehicle's tile is the one that must match.
    int firsts = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const int front = dump[k]["front"].get<int>();
        const int rear = dump[k]["rear"].get<int>();
        EXPECT_TRUE(front != 0 || rear != 0);
        if (front == 0) {
            ++firsts;
            EXPECT_EQ(dump[k]["column"].get<int>(), ran.vehicles[k].column);
        }
    }
    EXPECT_EQ(firsts, 1);
    // The train has moved off its starting tiles.
    EXPECT_NE(std::make_pair(ran.vehicles[0].column, ran.vehicles[0].row), std::make_pair(12, 2));
}

} // namespace
} // namespace editortest
