#include "editor/CatalogueDrop.h"

#include <limits>

#include <QCoreApplication>

#include "editing/EditCommands.h"
#include "model/CTrackItem.h"
#include "model/CTrackTypeItem.h"
#include "model/LineItem.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
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

void putU64(QByteArray& out, std::uint64_t value) {
    for (int shift = 56; shift >= 0; shift -= 8) {
        out.append(static_cast<char>((value >> shift) & 0xFFu));
    }
}

std::uint64_t getU64(const QByteArray& bytes, int at) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    }
    return value;
}

} // namespace

QByteArray vehicleDragBytes(trains::VehicleId vehicle) {
    QByteArray out;
    putU64(out, static_cast<std::uint64_t>(QCoreApplication::applicationPid()));
    putU64(out, static_cast<std::uint64_t>(vehicle));
    return out;
}

std::optional<trains::VehicleId> vehicleFromDragBytes(const QByteArray& bytes) {
    if (bytes.size() != 16 ||
        getU64(bytes, 0) != static_cast<std::uint64_t>(QCoreApplication::applicationPid())) {
        return std::nullopt;
    }
    const std::uint64_t id = getU64(bytes, 8);
    if (id == 0 || id > std::numeric_limits<trains::VehicleId>::max()) {
        return std::nullopt;
    }
    return static_cast<trains::VehicleId>(id);
}

bool tileFitsVehicle(const model::CTrackItem* tile, std::int32_t typeCode) {
    if (!tile) {
        return false;
    }
    for (const auto& line : tile->lines()) {
        if (line && trains::typeRunsOnKind(typeCode, line->getKind())) {
            return true;
        }
    }
    return false;
}

trains::CTrainItem* vehicleMarkerAt(int layer, QPoint boardPoint) {
    const auto* controller = trains::trainController();
    if (!controller) {
        return nullptr;
    }
    trains::CTrainItem* found = nullptr;
    for (trains::CTrainItem* v : controller->vehicles()) {
        int x = 0;
        int z = 0;
        if (!v || v->currentTile() == nullptr || v->currentLayer() != layer ||
            trains::isQueuedForDeletion(v->id()) || !v->boardPoint1(x, z)) {
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
    return tileFitsVehicle(trackTileAt(layer, boardPoint), entry->typeCode());
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

namespace {

// The dragged vehicle while it may still be dropped: registered and not queued for deletion.
trains::CTrainItem* draggedVehicle(trains::VehicleId id) {
    trains::CTrainItem* v = trains::findVehicle(id);
    return v && !trains::isQueuedForDeletion(id) && v->currentTile() ? v : nullptr;
}

} // namespace

bool acceptsDraggedVehicle(trains::VehicleId vehicle, int layer, QPoint boardPoint) {
    const trains::CTrainItem* d = draggedVehicle(vehicle);
    if (!d) {
        return false;
    }
    if (const trains::CTrainItem* marker = vehicleMarkerAt(layer, boardPoint)) {
        return marker != d && !marker->isSameTrain(d) && marker->isCompatibleWith(d);
    }
    return tileFitsVehicle(trackTileAt(layer, boardPoint), d->typeCode());
}

bool dropDraggedVehicle(trains::VehicleId vehicle, int layer, QPoint boardPoint,
                        trains::CTrainItem** placed) {
    // The controller thread moves vehicles under the render lock: change trains under it.
    platform::RenderLockGuard lock;
    if (!acceptsDraggedVehicle(vehicle, layer, boardPoint)) {
        return false;
    }
    trains::CTrainItem* d = draggedVehicle(vehicle);
    if (trains::CTrainItem* marker = vehicleMarkerAt(layer, boardPoint)) {
        // The vehicle leaves its train at both ends, so that only it changes trains; when the
        // other train has no room for it, it goes back between its old neighbours.
        trains::CTrainItem* front = trains::findVehicle(d->frontLink());
        trains::CTrainItem* rear = trains::findVehicle(d->rearLink());
        d->uncouple(true);
        d->uncouple(false);
        if (!marker->couple(d, !marker->isDirectionFlipped())) {
            if (front) {
                d->setFrontLink(front->id());
                front->setRearLink(d->id());
            }
            if (rear) {
                d->setRearLink(rear->id());
                rear->setFrontLink(d->id());
            }
            return false;
        }
        if (placed) {
            *placed = d;
        }
        return true;
    }
    model::CTrackItem* tile = trackTileAt(layer, boardPoint);
    trains::CTrainItem* added = trains::createVehicle(tile, d->typeCode(), d->modelName());
    if (!added) {
        return false;
    }
    if (added->currentTile() != tile) {
        trains::destroyVehicle(added);
        return false;
    }
    d->uncouple(true);
    d->uncouple(false);
    trains::queueVehicleDeletion(d);
    if (placed) {
        *placed = added;
    }
    return true;
}

} // namespace editor
