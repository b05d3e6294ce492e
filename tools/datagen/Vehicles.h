#pragma once
#include "tools/datagen/Catalogue.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace datagen {

// One vehicle of the trains catalogue.
//
// Header fields the vehicle models fill (tile units, x forward, y up, model origin at the
// vehicle centre on the track bed):
// - viewpoint 1: the driver's seat; viewpoint 2: the chase point (1.5, 0.25, 0), the value
//   loading gives an all-zero one; viewpoint 3: the chimney top of steam locomotives;
// - vehicle count value 1 and vehicle float value (the panel angle, degrees) on vehicles with
//   a speedometer panel (self-propelled rail and monorail stock: the item's vehicle-value test
//   holds only for kinds 100, 101, 104 and 105), the base colour as the panel colour and the
//   eye offset as the panel position;
// - lamp 0: the head lamp (mirrored to both sides on electric stock, cars and monorails);
// - wheel record: wheel model number (1 … 4: built-in models 135 … 138), arrangement, side-rod
//   flag; monorail cars have none.
struct VehicleSpec {
    std::string_view file;        // below the trains folder
    std::string_view description; // short English description
    std::int32_t kind;            // 100 … 105
    std::int32_t wheelModel;      // 0 for none
    std::int32_t arrangement;
    bool sideRods;
    bool panel;
    int lamps; // 0 none, 1 one head lamp, 2 a mirrored pair
};

const std::vector<VehicleSpec>& vehicleSpecs();

// The files of the vehicles, each with a thumbnail.
std::vector<GeneratedItem> vehicleFiles();

} // namespace datagen
