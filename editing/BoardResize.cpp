#include "editing/BoardResize.h"

#include <array>
#include <cstdint>
#include <vector>

#include "editing/TileBlock.h"
#include "model/CLandscapeItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/LandscapeItems.h"
#include "model/TrackHeights.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"

namespace editing {

namespace {

int placeAlong(int oldSize, int newSize, int part) {
    switch (part) {
    case 1:
        return newSize / 2 - oldSize / 2;
    case 2:
        return newSize - oldSize;
    default:
        return 0;
    }
}

} // namespace

BoardShift resizeShift(int oldColumns, int oldRows, int newColumns, int newRows, int alignment) {
    if (alignment < 0 || alignment > 8) {
        alignment = 0;
    }
    return {placeAlong(oldColumns, newColumns, alignment % 3),
            placeAlong(oldRows, newRows, alignment / 3)};
}

bool resizeDropsTiles(int newColumns, int newRows, int alignment) {
    const model::CZarnoltDocument* document = model::currentDocument();
    if (document == nullptr) {
        return false;
    }
    const BoardShift shift =
        resizeShift(document->getColumns(), document->getRows(), newColumns, newRows, alignment);
    for (int layer = 0; layer < model::kTrackLayers; ++layer) {
        for (const auto& [key, tile] : *model::layerMap(layer)) {
            if (tile->isEmpty()) {
                continue;
            }
            const int column = tile->getPosition().column + shift.x;
            const int row = tile->getPosition().row + shift.z;
            if (column < 0 || row < 0 || column >= newColumns || row >= newRows) {
                return true;
            }
        }
    }
    return false;
}

ResizeResult resizeBoard(int newColumns, int newRows, int alignment,
                         const std::function<bool(std::string_view question)>& confirm) {
    platform::RenderLockGuard model;
    model::CZarnoltDocument* document = model::currentDocument();
    if (document == nullptr || !model::isValidBoardSize(newColumns) ||
        !model::isValidBoardSize(newRows)) {
        return ResizeResult::Refused;
    }
    const int oldColumns = document->getColumns();
    const int oldRows = document->getRows();
    const bool shrinks = newColumns < oldColumns || newRows < oldRows;
    if (shrinks && resizeDropsTiles(newColumns, newRows, alignment) && confirm &&
        !confirm(kShrinkQuestion)) {
        return ResizeResult::Cancelled;
    }
    const BoardShift shift = resizeShift(oldColumns, oldRows, newColumns, newRows, alignment);

    if (auto& stopTrains =
            model::documentServices().clearSteps[static_cast<int>(model::ClearStage::StopTrains)]) {
        stopTrains(*document);
    }
    std::vector<std::vector<std::uint8_t>> landscape;
    for (const model::CLandscapeItem* item : model::landscapeItems()) {
        landscape.push_back(item->writeRecord());
    }
    std::vector<std::uint8_t> trainChunk;
    if (const trains::CTrainControler* controller = trains::trainController()) {
        trainChunk = controller->saveChunk();
    }
    std::array<std::vector<std::uint8_t>, model::kTrackLayers> blocks;
    for (int layer = model::kTrackLayers - 1; layer >= 0; --layer) {
        blocks[layer] = saveBlock(
            layer, {0, 0},
            {static_cast<std::int16_t>(oldColumns - 1), static_cast<std::int16_t>(oldRows - 1)});
    }
    const bool showTerrain = document->testEnvironmentFlag(model::EnvShowTerrain);

    document->newLayout(newColumns, newRows);

    for (const auto& record : landscape) {
        model::CLandscapeItem* item = model::createLandscapeItem();
        if (!item->readRecord(record, false, 40 * shift.x, 40 * shift.z)) {
            model::deleteLandscapeItem(item);
        }
    }
    // The old board lands on (x, z) … (x + columns − 1, z + rows − 1); loadBlock clips it.
    for (int layer = model::kTrackLayers - 1; layer >= 0; --layer) {
        loadBlock(blocks[layer], layer,
                  {static_cast<std::int16_t>(shift.x), static_cast<std::int16_t>(shift.z)},
                  {static_cast<std::int16_t>(shift.x + oldColumns - 1),
                   static_cast<std::int16_t>(shift.z + oldRows - 1)},
                  false, true);
    }
    if (!trainChunk.empty()) {
        trains::getOrCreateTrainController().loadChunk(
            trainChunk, {static_cast<std::int16_t>(shift.x), static_cast<std::int16_t>(shift.z)});
    }
    model::refreshAllTerrainRanges();
    document->setLightPosition({0, 0, 0});
    document->setEnvironmentFlag(model::EnvShowTerrain, showTerrain);
    model::afterEdit();
    return ResizeResult::Resized;
}

} // namespace editing
