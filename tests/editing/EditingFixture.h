#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"

namespace editingtest {

model::TilePos cell(int column, int row);

// A board of its own for every test, emptied afterwards.
class EditingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void newBoard(int columns, int rows);

    // A tile with a straight line (shape 1) at a cell.
    static model::CTrackItem* straight(int column, int row, int layer = 0);
    // A tile with two lines that branch, carrying a point with the given number.
    static model::CTrackItem* point(int column, int row, int number, int layer = 0);
    // Every tile of every layer as tile records, in layer and map order: equal strings mean
    // equal lines, elevation, structures with rects, control items with rects, numbers and
    // values.
    static std::vector<std::uint8_t> fingerprint();
    // Every value afterEdit derives for the lines, non-empty tile by tile in board order: heights,
    // 3D positions, and the ramp range and control points.
    static std::vector<double> lineValues();
    // The cells of a layer's non-empty tiles, "c:r" row by row.
    static std::vector<std::string> occupiedCells(int layer);

    model::CZarnoltDocument* document = nullptr;

private:
    std::unique_ptr<model::CZarnoltDocument> owned_;
};

} // namespace editingtest
