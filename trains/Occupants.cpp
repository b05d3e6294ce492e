#include "trains/Occupants.h"

#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "trains/VehicleRegistry.h"

namespace trains {

VehicleId liveOccupant(const model::CTrackControlItem& item) {
    const auto id = static_cast<VehicleId>(item.getOccupant());
    return findVehicle(id) != nullptr ? id : 0;
}

VehicleId liveHeldVehicle(const model::CTrackItem& tile) {
    const auto id = static_cast<VehicleId>(tile.heldVehicle());
    return findVehicle(id) != nullptr ? id : 0;
}

} // namespace trains
