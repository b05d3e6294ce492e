#include "EditingFixture.h"

#include "editing/TileBlock.h"
#include "model/LandscapeItems.h"
#include "model/PointNumbers.h"
#include "model/RampSpline.h"
#include "model/TrackTiles.h"
#include "support/TempConfigEnvironment.h"

namespace editingtest {

namespace {

const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new testsupport::TempConfigEnvironment);

} // namespace

model::TilePos cell(int column, int row) {
    return {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
}

void EditingTest::SetUp() {
    model::installLandscapeSeams();
    newBoard(11, 11);
}

void EditingTest::newBoard(int columns, int rows) {
    document = model::currentDocument();
    if (document == nullptr) {
        owned_ = std::make_unique<model::CZarnoltDocument>(columns, rows);
        document = owned_.get();
    }
    document->newLayout(columns, rows);
    model::deleteAllTiles();
    model::deleteAllLandscapeItems();
    model::clearSelection();
}

void EditingTest::TearDown() {
    model::clearSelection();
    model::deleteAllTiles();
    model::deleteAllLandscapeItems();
}

model::CTrackItem* EditingTest::straight(int column, int row, int layer) {
    model::CTrackItem* tile = model::createTile(cell(column, row), layer);
    tile->addShape(1, model::LineKindTrack);
    return tile;
}

model::CTrackItem* EditingTest::point(int column, int row, int number, int layer) {
    model::CTrackItem* tile = model::createTile(cell(column, row), layer);
    tile->addShape(1, model::LineKindTrack);
    tile->addShape(3, model::LineKindTrack);
    EXPECT_NE(tile->pointItem(), nullptr);
    if (tile->pointItem() != nullptr) {
        tile->pointItem()->releaseNumber();
        EXPECT_TRUE(tile->pointItem()->setNumber(number));
    }
    return tile;
}

std::vector<std::uint8_t> EditingTest::fingerprint() {
    std::vector<std::uint8_t> all;
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        const auto block = editing::saveBlock(layer, cell(0, 0), cell(998, 998));
        all.insert(all.end(), block.begin(), block.end());
    }
    return all;
}

std::vector<double> EditingTest::lineValues() {
    std::vector<double> values;
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            if (tile->isEmpty()) {
                continue;
            }
            values.push_back(-1000.0 - key);
            for (const auto& line : tile->lines()) {
                for (const model::Pt& p : line->points()) {
                    values.insert(values.end(), {p.height, p.X, p.Y, p.Z});
                }
                const model::RampSpline* ramp = line->ramp();
                values.push_back(ramp != nullptr ? static_cast<double>(ramp->size()) : -1.0);
                if (ramp != nullptr) {
                    values.insert(values.end(), {line->rampFrom(), line->rampTo()});
                    for (std::size_t k = 0; k < ramp->size(); ++k) {
                        const model::Vec3d v = ramp->at(static_cast<double>(k));
                        values.insert(values.end(), {v.x, v.y, v.z});
                    }
                }
            }
        }
    }
    return values;
}

std::vector<std::string> EditingTest::occupiedCells(int layer) {
    std::vector<std::string> cells;
    for (const auto& [key, tile] : *model::layerMap(layer)) {
        if (!tile->isEmpty()) {
            cells.push_back(std::to_string(tile->getPosition().column) + ":" +
                            std::to_string(tile->getPosition().row));
        }
    }
    return cells;
}

} // namespace editingtest
