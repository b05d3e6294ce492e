#include "editor/CatalogueDrop.h"

#include "editing/EditCommands.h"
#include "model/CTrackItem.h"
#include "model/CTrackTypeItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/CTrainTypeItem.h"
#include "trains/VehicleRegistry.h"

namespace editor {

namespace {

constexpr int kTilePixels = 40;

model::TilePos tileOf(QPoint cell) {
    return model::TilePos{static_cast<std::int16_t>(cell.x()), static_cast<std::int16_t>(cell.y())};
}

model::CTrackItem* trackTileAt(int layer, QPoint boardPoint) {
    if (boardPoint.x() < 0 || boardPoint.y() < 0) {
        return nullptr;
    }
    model::CTrackItem* tile = model::tileAt(
        layer, tileOf(QPoint(boardPoint.x() / kTilePixels, boardPoint.y() / kTilePixels)));
    return tile && tile->lineCount() > 0 ? tile : nullptr;
}

} // namespace

trains::CTrainItem* vehicleMarkerAt(int layer, QPoint boardPoint) {
    const auto* controller = trains::trainController();
    if (!controller) {
        return nullptr;
    }
    trains::CTrainItem* found = nullptr;
    for (trains::CTrainItem* v : controller->vehicles()) {
        std::int16_t x = 0;
        std::int16_t z = 0;
        if (!v || v->currentTile() == nullptr || v->currentLayer() != layer ||
            !v->gridPoint1(x, z)) {
            continue;
        }
        if (std::abs(boardPoint.x() - x) <= kMarkerHalfSize &&
            std::abs(boardPoint.y() - z) <= kMarkerHalfSize) {
            found = v;
        }
    }
    return found;
}

bool dropCataloguePiece(const std::filesystem::path& file, int layer, QPoint cell,
                        editing::UndoStore& undo) {
    const auto piece = model::CTrackTypeItem::fromItemFile(file);
    return piece && editing::placePiece(*piece, layer, tileOf(cell), true, undo);
}

bool acceptsCatalogueVehicle(const std::filesystem::path& file, int layer, QPoint boardPoint) {
    const auto entry = trains::createTrainTypeItem(file);
    if (!entry) {
        return false;
    }
    if (trains::CTrainItem* marker = vehicleMarkerAt(layer, boardPoint)) {
        return marker->isCompatibleWith(entry.get());
    }
    return trackTileAt(layer, boardPoint) != nullptr;
}

trains::CTrainItem* dropCatalogueVehicle(const std::filesystem::path& file, int layer,
                                         QPoint boardPoint) {
    const auto entry = trains::createTrainTypeItem(file);
    if (!entry) {
        return nullptr;
    }
    if (trains::CTrainItem* marker = vehicleMarkerAt(layer, boardPoint)) {
        if (!marker->isCompatibleWith(entry.get())) {
            return nullptr;
        }
        trains::CTrainItem* added =
            trains::createVehicle(marker->currentTile(), entry->typeCode(), entry->modelName());
        if (!added) {
            return nullptr;
        }
        if (!marker->couple(added, !marker->isDirectionFlipped())) {
            trains::destroyVehicle(added);
            return nullptr;
        }
        return added;
    }
    model::CTrackItem* tile = trackTileAt(layer, boardPoint);
    if (!tile) {
        return nullptr;
    }
    trains::CTrainItem* added = trains::createVehicle(tile, entry->typeCode(), entry->modelName());
    if (added && added->currentTile() != tile) {
        trains::destroyVehicle(added); // the tile's track does not suit the vehicle
        return nullptr;
    }
    return added;
}

} // namespace editor
