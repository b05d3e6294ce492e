#include "tools/datagen/LayoutBuilder.h"

#include "editing/EditCommands.h"
#include "image/Picture.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/CTrackTypeItem.h"
#include "model/LandscapeItems.h"
#include "model/TerrainCommands.h"
#include "model/TileCommands.h"
#include "model/TrackTiles.h"
#include "tools/datagen/Catalogue.h"
#include "trains/CTrainItem.h"
#include "trains/CTrainTypeItem.h"
#include "trains/VehicleRegistry.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace fs = std::filesystem;

namespace datagen {

namespace {

std::string cellText(int layer, int column, int row) {
    return "layer " + std::to_string(layer) + " cell " + std::to_string(column) + "," +
           std::to_string(row);
}

model::TilePos cell(int column, int row) {
    return model::TilePos{static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)};
}

// The trains folder file of a base name: the catalogue subfolders are searched in name order.
fs::path vehicleFile(const fs::path& dataFolder, std::string_view baseName) {
    const fs::path folder =
        dataFolder / fs::path(std::u8string(reinterpret_cast<const char8_t*>(kTrainsFolder.data()),
                                            kTrainsFolder.size()));
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file() && it->path().filename() == fs::path(std::string(baseName))) {
            found.push_back(it->path());
        }
    }
    if (found.empty()) {
        throw std::runtime_error("no vehicle model " + std::string(baseName));
    }
    std::sort(found.begin(), found.end());
    return found.front();
}

// A round grey dome: white in the middle, falling smoothly to black at the border.
image::Picture domePicture() {
    constexpr int edge = 64;
    image::Picture picture(edge, edge, 24);
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            const double dx = (x + 0.5) / edge * 2 - 1;
            const double dy = (y + 0.5) / edge * 2 - 1;
            const double r = std::min(1.0, std::sqrt(dx * dx + dy * dy));
            const double v = 0.5 + 0.5 * std::cos(r * 3.14159265358979);
            const auto grey = static_cast<std::uint8_t>(std::lround(v * 255));
            std::uint8_t* p = picture.pixel(x, y);
            p[0] = p[1] = p[2] = grey;
        }
    }
    return picture;
}

} // namespace

LayoutBuilder::LayoutBuilder(fs::path dataFolder) : dataFolder_(std::move(dataFolder)) {}

LayoutBuilder::~LayoutBuilder() = default;

const model::CTrackTypeItem& LayoutBuilder::piece(std::string_view path) {
    auto it = pieces_.find(path);
    if (it == pieces_.end()) {
        const std::string relative = std::string(kTrackFolder) + "/" + std::string(path);
        auto entry = model::CTrackTypeItem::fromItemFile(
            dataFolder_ / fs::path(std::u8string(reinterpret_cast<const char8_t*>(relative.data()),
                                                 relative.size())));
        if (!entry) {
            throw std::runtime_error("cannot read the track piece " + relative);
        }
        it = pieces_.emplace(std::string(path), std::move(entry)).first;
    }
    return *it->second;
}

model::CTrackItem* LayoutBuilder::tile(int layer, int column, int row) const {
    model::CTrackItem* found = model::tileAt(layer, cell(column, row));
    if (found == nullptr) {
        throw std::runtime_error("no tile at " + cellText(layer, column, row));
    }
    return found;
}

model::CTrackItem* LayoutBuilder::place(std::string_view path, int layer, int column, int row,
                                        int quarterTurns, bool mirror) {
    if (!editing::placePiece(piece(path), layer, cell(column, row), false, undo_)) {
        throw std::runtime_error("cannot place " + std::string(path) + " at " +
                                 cellText(layer, column, row));
    }
    // The placed piece is the selection, which the tile commands act on.
    if (mirror && !editing::mirrorSelectedTile(true)) {
        throw std::runtime_error("cannot mirror the tile at " + cellText(layer, column, row));
    }
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (turns != 0 && !editing::rotateSelectedTile(turns)) {
        throw std::runtime_error("cannot turn the tile at " + cellText(layer, column, row));
    }
    return tile(layer, column, row);
}

model::CTrackItem* LayoutBuilder::merge(std::string_view path, int layer, int column, int row,
                                        int quarterTurns) {
    // A piece merged over a tile: placed alone on a spare cell is not possible without
    // touching the board, so the piece is turned as a copy first.
    const model::CTrackTypeItem& source = piece(path);
    model::CTrackTypeItem turned(source.getCategory());
    turned.copyFrom(source);
    for (int i = 0; i < ((quarterTurns % 4) + 4) % 4; ++i) {
        turned.rotate90();
    }
    if (!editing::placePiece(turned, layer, cell(column, row), true, undo_)) {
        throw std::runtime_error("cannot merge " + std::string(path) + " at " +
                                 cellText(layer, column, row));
    }
    return tile(layer, column, row);
}

void LayoutBuilder::ring(int layer, int firstColumn, int firstRow, int lastColumn, int lastRow,
                         std::string_view straight, std::string_view curve, int straightTurns) {
    const auto turnStraight = [&](int wanted) { return wanted - straightTurns; };
    for (int c = firstColumn + 1; c < lastColumn; ++c) {
        place(straight, layer, c, firstRow, turnStraight(2));
        place(straight, layer, c, lastRow, turnStraight(0));
    }
    for (int r = firstRow + 1; r < lastRow; ++r) {
        place(straight, layer, firstColumn, r, turnStraight(1));
        place(straight, layer, lastColumn, r, turnStraight(3));
    }
    place(curve, layer, firstColumn, firstRow, 2);
    place(curve, layer, lastColumn, firstRow, 3);
    place(curve, layer, lastColumn, lastRow, 0);
    place(curve, layer, firstColumn, lastRow, 1);
}

void LayoutBuilder::tileCommand(int layer, int column, int row, int command) {
    if (!model::runTileCommand(*tile(layer, column, row), command)) {
        throw std::runtime_error("tile command " + std::to_string(command) + " refused at " +
                                 cellText(layer, column, row));
    }
}

trains::CTrainItem* LayoutBuilder::train(int layer, int column, int row,
                                         const std::vector<std::string_view>& models) {
    model::CTrackItem* start = tile(layer, column, row);
    trains::CTrainItem* first = nullptr;
    for (std::string_view name : models) {
        const auto entry = trains::createTrainTypeItem(vehicleFile(dataFolder_, name));
        if (!entry) {
            throw std::runtime_error("the vehicle model " + std::string(name) +
                                     " is not in the catalogue");
        }
        trains::CTrainItem* vehicle =
            trains::createVehicle(start, entry->typeCode(), entry->modelName());
        if (vehicle == nullptr || vehicle->currentTile() != start) {
            throw std::runtime_error("cannot put " + std::string(name) + " on " +
                                     cellText(layer, column, row));
        }
        if (first == nullptr) {
            first = vehicle;
        } else if (!first->couple(vehicle, true)) {
            throw std::runtime_error("cannot couple " + std::string(name) +
                                     " behind the train at " + cellText(layer, column, row));
        }
    }
    return first;
}

model::CLandscapeItem* LayoutBuilder::landscape(const model::BoardRect& rect, double height,
                                                bool hollow) {
    model::CLandscapeItem* item = model::createLandscapeItem();
    item->setPicture(domePicture());
    if (!model::moveLandscapeItem(item, rect) || !model::setLandscapeHeight(item, height) ||
        (hollow && !model::toggleLandscapeHollow(item))) {
        throw std::runtime_error("cannot shape a landscape item");
    }
    return item;
}

} // namespace datagen
