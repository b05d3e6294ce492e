#include "TrainFixtures.h"

#include <cmath>
#include <fstream>
#include <memory>

#include "items/C3DItemObject.h"
#include "items/ItemCatalogue.h"
#include "items/ItemRegistry.h"
#include "platform/Paths.h"

#include "model/TrackHeights.h"
#include "trains/VehicleRegistry.h"

namespace trainstest {

std::vector<model::Pt> shapePoints(int shape, const PointMap& map) {
    std::vector<model::Pt> points = model::standardShapePoints(shape);
    if (map) {
        for (model::Pt& p : points) {
            p = map(p);
        }
    }
    return points;
}

model::CTrackItem* tileWithLine(int column, int row, int layer, std::vector<model::Pt> points,
                                int kind) {
    model::CTrackItem* tile = model::createTile(
        model::TilePos{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}, layer);
    tile->getTrack().addLine(std::move(points), kind);
    return tile;
}

void straightRun(int firstColumn, int lastColumn, int row, int layer, int kind) {
    for (int c = firstColumn; c <= lastColumn; ++c) {
        tileWithLine(c, row, layer, shapePoints(1), kind);
    }
}

std::filesystem::path registerModel(const std::string& baseName, int kind, float length) {
    const auto folder = platform::dataFolder();
    EXPECT_TRUE(folder.has_value());
    items::C3DItemObject source;
    source.setKind(kind);
    if (length > 0) {
        source.geometryRoot()->addPrimitive(items::CPrimitive::box(2.0, 0.5, 0.5));
        source.setSize(length);
    }
    const auto bytes = source.serialize();
    const auto path = folder.value_or(".") / items::kItemFolderName / baseName;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    items::resetCatalogue();
    EXPECT_NE(items::getItemByFileName(baseName), nullptr);
    return path;
}

void TrainTest::SetUp() {
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}

void TrainTest::TearDown() {
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}

void driveTrain(trains::CTrainItem& locomotive, double distance) {
    constexpr double speed = 40.0;
    locomotive.stopOrBrake(true);
    locomotive.advance(true, 0, speed, 0.1); // steady: takes up the speed, moves nothing
    const int steps = static_cast<int>(std::floor(distance / 4.0));
    for (int i = 0; i < steps; ++i) {
        locomotive.advance(true, 0, speed, 0.1);
    }
    const double rest = distance - 4.0 * steps;
    if (rest > 0) {
        locomotive.advance(true, 0, speed, rest / speed);
    }
}

} // namespace trainstest
