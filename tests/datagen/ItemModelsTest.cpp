#include "image/FileBytes.h"
#include "image/PngCodec.h"
#include "items/C3DItemObject.h"
#include "items/ItemCatalogue.h"
#include "items/ItemHeader.h"
#include "items/ItemRegistry.h"
#include "items/LegacyNames.h"
#include "model/CTrackTypeItem.h"
#include "tests/support/TempFolder.h"
#include "tools/datagen/BuiltinModels.h"
#include "tools/datagen/Catalogue.h"
#include "tools/datagen/Structures.h"
#include "tools/datagen/TrackPieces.h"
#include "tools/datagen/Vehicles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

std::string baseName(std::string_view relativePath) {
    return std::string(relativePath.substr(relativePath.rfind('/') + 1));
}

// The item models written once into a temporary data folder, which the program's own lookups
// are pointed at.
class ItemModels : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testsupport::TempFolder;
        files_ = new std::vector<datagen::GeneratedItem>(datagen::allItemModels());
        std::string error;
        ASSERT_TRUE(datagen::writeGeneratedItems(pack(), *files_, error)) << error;
    }
    static void TearDownTestSuite() {
        delete files_;
        delete folder_;
    }
    void SetUp() override {
        env_.emplace("ZARNOLT_DATA", pack().string());
        items::releaseAllItems();
        items::resetCatalogue();
    }
    void TearDown() override {
        items::releaseAllItems();
        items::resetCatalogue();
        env_.reset();
    }
    static fs::path pack() { return folder_->path() / "データ"; }
    static fs::path trackFile(std::string_view file) {
        return pack() / datagen::kTrackFolder / file;
    }

    static testsupport::TempFolder* folder_;
    static std::vector<datagen::GeneratedItem>* files_;
    std::optional<testsupport::ScopedEnv> env_;
};

testsupport::TempFolder* ItemModels::folder_ = nullptr;
std::vector<datagen::GeneratedItem>* ItemModels::files_ = nullptr;

TEST_F(ItemModels, EveryFileLoadsWithAThumbnailThatDecodes) {
    ASSERT_GT(files_->size(), 100u);
    for (const datagen::GeneratedItem& file : *files_) {
        const auto bytes = image::readFileBytes(pack() / file.relativePath);
        ASSERT_TRUE(bytes) << file.relativePath;
        items::C3DItemObject item;
        ASSERT_TRUE(item.loadFromMemory(*bytes)) << file.relativePath;
        const auto png = image::decodePngBytes(item.thumbnail());
        ASSERT_TRUE(png) << file.relativePath;
        EXPECT_EQ(png->width, 64) << file.relativePath;
        // Writing the loaded item again gives the same file: nothing was lost on the way.
        EXPECT_TRUE(item.serialize() == *bytes) << file.relativePath;
    }
}

TEST_F(ItemModels, EveryBuiltinNumberLoadsThroughTheBuiltinLookup) {
    for (int number = datagen::kFirstBuiltinModel; number <= datagen::kLastBuiltinModel; ++number) {
        const items::C3DItemObject* item = items::getBuiltinItem(static_cast<std::int16_t>(number));
        ASSERT_NE(item, nullptr) << number;
        EXPECT_FALSE(item->isEmpty()) << number;
    }
    // The axle lies across the track and the wheels turn about z: both are thin in z.
    const items::BoundingBox axle = items::getBuiltinItem(134)->boundingBox(1.0);
    EXPECT_GT(axle.max.z - axle.min.z, 3 * (axle.max.x - axle.min.x));
    for (std::int16_t number = 135; number <= 138; ++number) {
        const items::BoundingBox wheel = items::getBuiltinItem(number)->boundingBox(1.0);
        EXPECT_NEAR(wheel.max.x - wheel.min.x, 1.0, 1e-6) << number;
        EXPECT_LT(wheel.max.z - wheel.min.z, 0.2) << number;
    }
    items::prepareAllItems();
    EXPECT_EQ(items::sharedItemCount(), 11u);
}

TEST_F(ItemModels, CatalogueHoldsEveryFileUnderADistinctName) {
    std::set<std::string> names;
    std::size_t catalogueFiles = 0;
    for (const datagen::GeneratedItem& file : *files_) {
        if (file.relativePath.starts_with("C3DItem_File/")) {
            ++catalogueFiles;
            EXPECT_TRUE(names.insert(baseName(file.relativePath)).second) << file.relativePath;
        }
    }
    EXPECT_EQ(items::buildCatalogue(), catalogueFiles);
    EXPECT_EQ(catalogueFiles, datagen::trackPieceSpecs().size() + datagen::structureSpecs().size() +
                                  datagen::vehicleSpecs().size());
}

TEST_F(ItemModels, EachTrackPieceEntryCarriesItsLinesAndControlItems) {
    for (const datagen::TrackPieceSpec& spec : datagen::trackPieceSpecs()) {
        const auto entry = model::CTrackTypeItem::fromItemFile(trackFile(spec.file));
        ASSERT_NE(entry, nullptr) << spec.file;
        std::vector<int> lineKinds;
        for (const auto& line : entry->lines()) {
            lineKinds.push_back(line->getKind());
            EXPECT_GE(line->getShape(), 1) << spec.file; // every line is a standard shape
        }
        EXPECT_EQ(lineKinds, spec.lineKinds) << spec.file;
        std::vector<int> controlKinds;
        for (const auto& [kind, item] : entry->controlItems()) {
            controlKinds.push_back(kind);
        }
        EXPECT_EQ(controlKinds, spec.controlKinds) << spec.file;
        const model::CTrackStructureItem* structure = entry->getStructure();
        EXPECT_EQ(structure ? structure->getCategory() : 0, spec.structureCategory) << spec.file;
        // Pure track pieces lay track; pieces with a model or a built-in structure stand on
        // the tile as structures.
        EXPECT_EQ(entry->carriesTrack(), spec.structureCategory == 0) << spec.file;
        EXPECT_FALSE(entry->pictureBytes().empty()) << spec.file;
    }
}

TEST_F(ItemModels, TrackPiecesCoverEveryShapePointCrossingStationPierRoadAndMonorail) {
    std::set<int> shapes, lineKinds, controlKinds, structures;
    std::set<std::int32_t> negativeKinds;
    for (const datagen::TrackPieceSpec& spec : datagen::trackPieceSpecs()) {
        const auto entry = model::CTrackTypeItem::fromItemFile(trackFile(spec.file));
        ASSERT_NE(entry, nullptr) << spec.file;
        for (const auto& line : entry->lines()) {
            shapes.insert(line->getShape());
            lineKinds.insert(line->getKind());
        }
        for (const auto& [kind, item] : entry->controlItems()) {
            controlKinds.insert(kind);
        }
        if (const auto* structure = entry->getStructure()) {
            structures.insert(structure->getCategory());
        }
        if (spec.kind < 0) {
            negativeKinds.insert(spec.kind);
        }
    }
    EXPECT_EQ(shapes, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(lineKinds, (std::set<int>{1, 2, 100, 101}));
    EXPECT_EQ(controlKinds,
              (std::set<int>{301, 302, 303, 305, 306, 307, 308, 309, 310, 311, 312, 313, 314}));
    EXPECT_EQ(structures, (std::set<int>{200, 201, 202, 9000}));
    EXPECT_EQ(negativeKinds, (std::set<std::int32_t>{-128, -127, -126, -125, -124, -123, -122, -121,
                                                     -90, -89, -88, -87, -86, -85}));
}

TEST_F(ItemModels, VehiclesCarryWheelsLampsPanelsAndFitTheTrack) {
    std::set<std::int32_t> kinds;
    for (const datagen::VehicleSpec& spec : datagen::vehicleSpecs()) {
        const items::C3DItemObject* item = items::getItemByFileName(baseName(spec.file));
        ASSERT_NE(item, nullptr) << spec.file;
        kinds.insert(item->kind());
        EXPECT_EQ(item->kind(), spec.kind) << spec.file;
        EXPECT_FALSE(item->isEmpty()) << spec.file;
        EXPECT_EQ(item->hasWheelRecord(), spec.wheelModel != 0) << spec.file;
        if (spec.wheelModel != 0) {
            EXPECT_EQ(item->wheelRecord().value1, spec.wheelModel) << spec.file;
            EXPECT_EQ(item->wheelRecord().value2, spec.arrangement) << spec.file;
            EXPECT_EQ(item->wheelRecord().value3 != 0, spec.sideRods) << spec.file;
            EXPECT_NE(items::getBuiltinItem(static_cast<std::int16_t>(134 + spec.wheelModel)),
                      nullptr)
                << spec.file;
        }
        EXPECT_EQ(item->hasVehicleValue(), spec.panel) << spec.file;
        EXPECT_EQ(item->hasLamps(), spec.lamps > 0) << spec.file;
        EXPECT_EQ(item->lampMirrored(0), spec.lamps == 2) << spec.file;
        // Modelled at scale: between half a tile and two tiles long, narrower than the
        // space between two tracks, lower than one elevated level (1.2 tiles), front along +x.
        const items::BoundingBox box = item->boundingBox(1.0);
        EXPECT_GT(box.max.x - box.min.x, 0.4) << spec.file;
        EXPECT_LT(box.max.x - box.min.x, 2.0) << spec.file;
        EXPECT_LT(box.max.z - box.min.z, 0.5) << spec.file;
        EXPECT_LT(box.max.y, 1.0) << spec.file;
        EXPECT_GE(box.min.y, 0.0) << spec.file;
        if (spec.lamps > 0) {
            EXPECT_NEAR(item->lamp(0).position.x, box.max.x, 0.15) << spec.file;
        }
    }
    EXPECT_EQ(kinds, (std::set<std::int32_t>{100, 101, 102, 103, 104, 105}));
}

TEST_F(ItemModels, SteamLocomotivesNameTheirChimney) {
    int steam = 0;
    for (const datagen::VehicleSpec& spec : datagen::vehicleSpecs()) {
        if (spec.kind != 100) {
            continue;
        }
        ++steam;
        const items::C3DItemObject* item = items::getItemByFileName(baseName(spec.file));
        ASSERT_NE(item, nullptr);
        const items::BoundingBox box = item->boundingBox(1.0);
        EXPECT_NEAR(item->viewpoint3().y, box.max.y, 0.05) << spec.file;
        EXPECT_GT(item->viewpoint3().x, 0.0) << spec.file;
    }
    EXPECT_GE(steam, 2);
}

TEST_F(ItemModels, LegacyJapaneseNamesFindTheGeneratedModels) {
    const char* const legacy[] = {"家01.zn3",
                                  "家02.zn3",
                                  "家03.zn3",
                                  "給水塔01.zn3",
                                  "乳牛01.zn3",
                                  "作業員01.zn3",
                                  "駅員01.zn3",
                                  "標識01.zn3",
                                  "標識02.zn3",
                                  "標識03.zn3",
                                  "標識踏切.zn3",
                                  "標識踏切2.zn3",
                                  "樹木01.zn3",
                                  "樹木02.zn3",
                                  "鉄塔01.zn3",
                                  "防護柵01.zn3",
                                  "防護柵02.zn3",
                                  "電柱01.zn3",
                                  "タンク車.zn3",
                                  "客車01.zn3",
                                  "客車01（デッキ付き）.zn3",
                                  "有蓋車01.zn3",
                                  "無蓋車01.zn3",
                                  "無蓋車02.zn3",
                                  "新幹線01（先頭車）.zn3",
                                  "新幹線01（客車）.zn3",
                                  "新幹線01（最後部）.zn3",
                                  "架線柱01.zn3",
                                  "架線柱02.zn3",
                                  "機関庫01.zn3",
                                  "機関庫02.zn3",
                                  "機関庫03.zn3",
                                  "跨線橋01（長）.zn3",
                                  "跨線橋02（短）.zn3",
                                  "跨線橋03（ホーム無し）.zn3",
                                  "駅ホーム01.zn3",
                                  "駅ホーム02.zn3",
                                  "駅ホーム03.zn3"};
    for (const char* japanese : legacy) {
        const std::string english = items::translateLegacyName(japanese);
        ASSERT_FALSE(english.empty()) << japanese;
        EXPECT_TRUE(items::findInCatalogue(english)) << japanese << " → " << english;
    }
    EXPECT_EQ(items::translateLegacyName("PassengerCar01Deck..zn3"), "PassengerCar01Deck.zn3");
}

TEST_F(ItemModels, StructuresStandOnTheGroundAboutTheTileCentre) {
    for (const datagen::StructureSpec& spec : datagen::structureSpecs()) {
        const items::C3DItemObject* item = items::getItemByFileName(baseName(spec.file));
        ASSERT_NE(item, nullptr) << spec.file;
        EXPECT_EQ(item->kind(), 0) << spec.file;
        EXPECT_FALSE(item->isEmpty()) << spec.file;
        const items::BoundingBox box = item->boundingBox(1.0);
        // Nothing sinks into the ground; slanted legs end within a unit above it.
        EXPECT_GE(box.min.y, -1e-9) << spec.file;
        EXPECT_LT(box.min.y, 0.03) << spec.file;
        EXPECT_NEAR(box.min.x + box.max.x, 0.0, 0.7) << spec.file;
        EXPECT_NEAR(box.min.z + box.max.z, 0.0, 0.7) << spec.file;
        // A structure placed from the catalogue stands as a structure, not as track.
        const auto entry =
            model::CTrackTypeItem::fromItemFile(pack() / datagen::kStructuresFolder / spec.file);
        ASSERT_NE(entry, nullptr) << spec.file;
        EXPECT_TRUE(entry->isStructurePiece()) << spec.file;
        EXPECT_EQ(entry->lineCount(), 0u) << spec.file;
    }
}

TEST_F(ItemModels, GeneratingTwiceGivesIdenticalBytes) {
    const std::vector<datagen::GeneratedItem> again = datagen::allItemModels();
    ASSERT_EQ(again.size(), files_->size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].relativePath, (*files_)[i].relativePath);
        EXPECT_TRUE(again[i].bytes == (*files_)[i].bytes) << again[i].relativePath;
    }
}

} // namespace

namespace {

// Runs a command and returns its standard output and exit status.
std::pair<std::string, int> run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {output, -1};
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    const int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST_F(ItemModels, CliCatalogueListsEveryEntryWithWhatItCarries) {
    const std::string cli = std::string(ZARNOLT_BUILD_DIR) + "/bin/zarnolt-cli";
    const auto [output, status] = run(cli + " catalogue --json --data '" + pack().string() + "'");
    ASSERT_EQ(status, 0);
    const nlohmann::json json = nlohmann::json::parse(output);
    ASSERT_EQ(json["folders"].size(), 3u);
    EXPECT_EQ(json["folders"][0]["entries"].size(), datagen::vehicleSpecs().size());
    EXPECT_EQ(json["folders"][1]["entries"].size(), datagen::trackPieceSpecs().size());
    EXPECT_EQ(json["folders"][2]["entries"].size(), datagen::structureSpecs().size());
    for (const auto& entry : json["folders"][1]["entries"]) {
        const std::string file = entry["file"];
        const auto spec =
            std::find_if(datagen::trackPieceSpecs().begin(), datagen::trackPieceSpecs().end(),
                         [&](const datagen::TrackPieceSpec& s) { return s.file == file; });
        ASSERT_NE(spec, datagen::trackPieceSpecs().end()) << file;
        EXPECT_EQ(entry["kind"], spec->kind) << file;
        EXPECT_EQ(entry["lines"].size(), spec->lineKinds.size()) << file;
        EXPECT_EQ(entry["controlItems"].get<std::vector<int>>(), spec->controlKinds) << file;
    }
    for (const auto& entry : json["folders"][0]["entries"]) {
        EXPECT_EQ(entry["typeCode"].get<int>(), entry["kind"].get<int>() + 8900);
    }
    const auto [text, textStatus] = run(cli + " catalogue --data '" + pack().string() + "'");
    EXPECT_EQ(textStatus, 0);
    EXPECT_NE(text.find("機関車/SL01.zn3  kind 100  vehicle 9000 (SL)"), std::string::npos);
    EXPECT_NE(text.find("ポイント/PointLeft.zn3  kind 0  lines 1:1 1:2; items 301"),
              std::string::npos);
    EXPECT_EQ(
        run(cli + " catalogue --data '" + (folder_->path() / "none").string() + "' 2>&1").second,
        1);
}

} // namespace
