#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrainItem.h"

namespace trainstest {

using PointMap = std::function<model::Pt(const model::Pt&)>;

// The standard points of a shape, each passed through `map` (identity when empty).
std::vector<model::Pt> shapePoints(int shape, const PointMap& map = {});

// A board tile holding one line.
model::CTrackItem* tileWithLine(int column, int row, int layer, std::vector<model::Pt> points,
                                int kind = 1);

// A straight east-west run of tiles on one row and layer.
void straightRun(int firstColumn, int lastColumn, int row, int layer = 0, int kind = 1);

// Writes an item model file of the kind into the catalogue of the test data folder, so that
// vehicles naming it find their model: without geometry, or with a box `length` tile edges
// long in x. Returns the file's path.
std::filesystem::path registerModel(const std::string& baseName, int kind, float length = 0);

// Every test starts and ends with no tiles and no vehicles.
class TrainTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Drives a train by `distance` through its locomotive at a steady 40 units per second.
void driveTrain(trains::CTrainItem& locomotive, double distance);

} // namespace trainstest
