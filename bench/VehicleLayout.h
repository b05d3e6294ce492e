#pragma once
#include <cstdint>

#include "model/CTrackItem.h"
#include "model/TrackTiles.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"
#include "trains/VehicleTypes.h"

// A board of `size` × `size` tiles with a straight line along every second row and `vehicles`
// locomotives and passenger cars of the data pack standing on it, four to a row at most, all
// in the train controller. False when a vehicle model is missing.
inline bool fillVehicleLayout(int size, int vehicles) {
    for (int row = 0; row < size; row += 2) {
        for (int column = 0; column < size; ++column) {
            model::createTile({static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)},
                              0)
                ->setShape(1);
        }
    }
    trains::CTrainControler& controller = trains::getOrCreateTrainController();
    const int rows = (size + 1) / 2;
    for (int i = 0; i < vehicles; ++i) {
        const int row = (i % rows) * 2;
        const int column = (10 + (i / rows) * 20) % size;
        const bool locomotive = i % 2 == 0;
        trains::CTrainItem* vehicle = trains::createVehicle(
            model::tileAt(0, {static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)}),
            locomotive ? trains::TypeElectric : trains::TypeRailCar,
            locomotive ? "EL01.zn3" : "PassengerCar01.zn3");
        if (vehicle == nullptr || vehicle->findModel() == nullptr) {
            return false;
        }
        controller.addVehicle(vehicle);
    }
    return true;
}

inline void clearVehicleLayout() {
    trains::deleteAllVehicles();
    model::deleteAllTiles();
}
