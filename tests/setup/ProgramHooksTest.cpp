#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "image/PictureFiles.h"
#include "image/PngCodec.h"
#include "model/CTrackItem.h"
#include "model/CTrackTypeItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/ModelSeams.h"
#include "model/PieceSeams.h"
#include "model/TrackTiles.h"
#include "persistence/TrainChunk.h"
#include "setup/ProgramHooks.h"
#include "support/TempConfigEnvironment.h"
#include "support/TempFolder.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleRegistry.h"

namespace {

const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);

// A data folder holding only the built-in picture 11998, 6 × 4 pixels.
class ProgramHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(data / "Texture_Buildin");
        image::Picture picture(6, 4, 24);
        ASSERT_TRUE(image::savePicture(picture, data / "Texture_Buildin" / "11998.png"));
        setup::installProgramHooks();
    }
    void TearDown() override {
        trains::deleteAllVehicles();
        model::deleteAllTiles();
    }

    testsupport::TempFolder data;
    testsupport::ScopedEnv dataEnv{"ZARNOLT_DATA", data.path().string()};
};

bool clearStep(model::ClearStage stage) {
    return static_cast<bool>(model::documentServices().clearSteps[static_cast<int>(stage)]);
}

} // namespace

TEST_F(ProgramHooksTest, NoHookTheCoreCanFillIsLeftEmpty) {
    const model::DocumentServices& services = model::documentServices();
    const model::PieceHooks& pieces = model::pieceHooks();
    const trains::TrainHooks& train = trains::trainHooks();
    const persistence::TrainChunkHandlers& chunk = persistence::trainChunkHandlers();
    const std::vector<std::pair<std::string, bool>> seams = {
        {"readFile", static_cast<bool>(services.readFile)},
        {"writeFile", static_cast<bool>(services.writeFile)},
        {"loadTrainModels", static_cast<bool>(services.loadTrainModels)},
        {"clear: stop the trains", clearStep(model::ClearStage::StopTrains)},
        {"clear: delete the trains", clearStep(model::ClearStage::DeleteTrains)},
        {"clear: delete the landscape items", clearStep(model::ClearStage::DeleteLandscapeItems)},
        {"landscapeItems", static_cast<bool>(model::modelHooks().landscapeItems)},
        {"activate", static_cast<bool>(pieces.activate)},
        {"deactivate", static_cast<bool>(pieces.deactivate)},
        {"holdTick", static_cast<bool>(pieces.holdTick)},
        {"vehicleNotice", static_cast<bool>(pieces.vehicleNotice)},
        {"pictureFromPng", static_cast<bool>(pieces.pictureFromPng)},
        {"builtinPicture", static_cast<bool>(pieces.builtinPicture)},
        {"registerTileChange", static_cast<bool>(train.registerTileChange)},
        {"reverseAtDeadEnd", static_cast<bool>(train.reverseAtDeadEnd)},
        {"trains chunk writer", static_cast<bool>(chunk.write)},
        {"trains chunk reader", static_cast<bool>(chunk.read)},
    };
    for (const auto& [name, filled] : seams) {
        EXPECT_TRUE(filled) << name;
    }
}

TEST_F(ProgramHooksTest, CataloguePiecesShowTheBuiltInPicture) {
    const model::CTrackTypeItem tree(model::StructureTree);
    ASSERT_NE(tree.getPicture(), nullptr);
    const image::Picture shown = image::decodePngPicture(tree.getPicture()->encodePng());
    EXPECT_EQ(shown.width(), 6);
    EXPECT_EQ(shown.height(), 4);
}

TEST_F(ProgramHooksTest, NewLayoutStopsRunningTrainsAndSavingKeepsStructureOnlyTiles) {
    model::CZarnoltDocument document(8, 8);
    for (int column = 0; column < 6; ++column) {
        model::createTile({static_cast<std::int16_t>(column), 2}, 0)->setShape(1);
    }
    model::createTile({4, 5}, 0)->setStructure(
        std::make_unique<model::CTrackStructureItem>(model::StructureBushes, ""));
    trains::CTrainItem* loco = trains::createVehicle(model::tileAt(0, {3, 2}), 1, {});
    ASSERT_NE(loco, nullptr);
    trains::CTrainControler& controller = trains::getOrCreateTrainController();
    controller.start(false);
    ASSERT_TRUE(controller.isRunning());

    const std::filesystem::path file = data / "layout.zrn";
    ASSERT_TRUE(document.writeFile(file));
    document.newLayout(8, 8);
    EXPECT_FALSE(controller.isRunning());
    EXPECT_EQ(controller.vehicleCount(), 0u);

    ASSERT_TRUE(document.readFile(file));
    const model::CTrackItem* bushes = model::tileAt(0, {4, 5});
    ASSERT_NE(bushes, nullptr);
    ASSERT_TRUE(bushes->hasStructure());
    EXPECT_EQ(bushes->getStructure()->getCategory(), model::StructureBushes);
    EXPECT_EQ(controller.vehicleCount(), 1u);
}
