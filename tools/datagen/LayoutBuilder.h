#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editing/UndoStore.h"
#include "model/Geometry.h"

namespace model {
class CLandscapeItem;
class CTrackItem;
class CTrackTypeItem;
} // namespace model
namespace trains {
class CTrainItem;
}

namespace datagen {

// Lays out a sample layout the way the editor does: catalogue pieces of the track folder
// placed (and then turned or mirrored) through the edit commands, tile commands for stop
// times and piers, vehicles from the trains folder created on tiles and coupled, landscape
// items made by the terrain commands. Works on the process-wide model of the current
// document; the item catalogue must be that of `dataFolder`. Every step that does not act
// throws std::runtime_error naming it, so a sample is either complete or not written.
class LayoutBuilder {
public:
    explicit LayoutBuilder(std::filesystem::path dataFolder);
    ~LayoutBuilder();
    LayoutBuilder(const LayoutBuilder&) = delete;
    LayoutBuilder& operator=(const LayoutBuilder&) = delete;

    // Places a piece (its path below the track folder, e.g. "基本/Straight.zn3") on a cell,
    // replacing what was there (or merging into it), then turns it clockwise by quarter turns
    // after mirroring it left to right when asked. Returns the board tile.
    model::CTrackItem* place(std::string_view piece, int layer, int column, int row,
                             int quarterTurns = 0, bool mirror = false);
    model::CTrackItem* merge(std::string_view piece, int layer, int column, int row,
                             int quarterTurns = 0);

    // A closed rectangle of track between two corner cells, from a straight piece (running
    // left to right when unturned) and a quarter-curve piece (left edge to top edge). The
    // straights of the top row run right to left and those of the bottom row left to right,
    // the left column downwards and the right column upwards, so a vehicle placed on any
    // straight of the ring heads anticlockwise. `straightTurns`: the quarter turns by which the
    // unturned straight piece already differs from a left-to-right one.
    void ring(int layer, int firstColumn, int firstRow, int lastColumn, int lastRow,
              std::string_view straight, std::string_view curve, int straightTurns = 0);

    // Runs a tile command (stop time, pier, height) on a placed tile.
    void tileCommand(int layer, int column, int row, int command);

    // A train: the first model is created on the tile (heading along the tile's line), each
    // further model is coupled at the train's tail. Models are base names of the trains
    // folder's files, e.g. "SL01.zn3".
    trains::CTrainItem* train(int layer, int column, int row,
                              const std::vector<std::string_view>& models);

    // A landscape item over a board rectangle (layout units) with a round grey picture: a
    // hill, or a hollow (which the layout fills with water), of the given height 0 … 1.
    model::CLandscapeItem* landscape(const model::BoardRect& rect, double height, bool hollow);

    model::CTrackItem* tile(int layer, int column, int row) const;

private:
    const model::CTrackTypeItem& piece(std::string_view path);

    std::filesystem::path dataFolder_;
    std::map<std::string, std::unique_ptr<model::CTrackTypeItem>, std::less<>> pieces_;
    editing::UndoStore undo_;
};

} // namespace datagen
