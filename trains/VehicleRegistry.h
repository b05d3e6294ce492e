#pragma once
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "trains/VehicleTypes.h"

namespace model {
class CTrackItem;
}

namespace trains {

class CTrainItem;
class CTrainTypeItem;

// The registered vehicle of an identity, or null (a stale or zero identity reads as none).
// Safe from any thread; the vehicle itself is deleted only on the user-interface thread.
CTrainItem* findVehicle(VehicleId id);
std::size_t registeredVehicleCount();

// A new vehicle on the tile (or on none), owned by the vehicle store until destroyed, with
// its marker when the layout view provides one. A vehicle given a tile joins the controller's
// list.
CTrainItem* createVehicle(model::CTrackItem* tile, std::int32_t typeCode,
                          std::string_view modelName);
// Destroys a vehicle made by createVehicle; false when the store does not hold it.
bool destroyVehicle(CTrainItem* vehicle);

// Deferred deletion: the set is flushed by the layout view's timer on the user-interface
// thread. Queuing twice queues once.
void queueVehicleDeletion(CTrainItem* vehicle);
bool isQueuedForDeletion(VehicleId id);
// Destroys every queued vehicle that is still registered, then empties the set; true when
// any was destroyed.
bool flushVehicleDeletions();
// Destroys every registered vehicle standing on the tile.
void deleteVehiclesOnTile(const model::CTrackItem* tile);
// Destroys every vehicle of the controller's list and every other stored vehicle.
void deleteAllVehicles();

// The camera train: when unset, the first non-automobile of the controller's list gives its
// train's first motive vehicle, else its head, and the answer is kept.
CTrainItem* cameraTrain();
// Automobiles are ignored; null clears.
void setCameraTrain(CTrainItem* vehicle);
VehicleId cameraTrainId();

// A catalogue entry for the item model file at `path`: its kind must be 100 … 105 and the
// model must load by its base file name. Null on any failure.
std::unique_ptr<CTrainTypeItem> createTrainTypeItem(const std::filesystem::path& path);

// Joins the document's clear (stopping the trains at once, then deleting the vehicles) and
// its loading of item models (the vehicles' models); an entry already set is kept.
void installTrainSeams();

namespace detail {
VehicleId registerVehicle(CTrainItem* vehicle);
void unregisterVehicle(VehicleId id);
} // namespace detail

} // namespace trains
