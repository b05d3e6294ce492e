#pragma once
#include "trains/VehicleTypes.h"

namespace model {
class CTrackControlItem;
class CTrackItem;
} // namespace model

namespace trains {

// The occupant of a crossing, holding item, reversing point or station as a live vehicle:
// an identity that is no longer registered (the vehicle was deleted) reads as none (0).
// Every rule that compares or follows occupants reads them through these.
VehicleId liveOccupant(const model::CTrackControlItem& item);
// The live occupant of the tile's first item of kind 302, 307, 308 or 309; 0 for none.
VehicleId liveHeldVehicle(const model::CTrackItem& tile);

} // namespace trains
