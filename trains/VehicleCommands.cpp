#include "trains/VehicleCommands.h"

#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/VehicleRegistry.h"

namespace trains {

std::array<VehicleMenuEntry, kVehicleCommandCount> vehicleMenuState(CTrainItem* vehicle) {
    std::array<VehicleMenuEntry, kVehicleCommandCount> menu{};
    if (vehicle == nullptr || trainController() == nullptr) {
        return menu;
    }
    auto entry = [&](int command) -> VehicleMenuEntry& {
        return menu[static_cast<std::size_t>(command - kFirstVehicleCommand)];
    };
    entry(CommandDeleteVehicle).enabled = true;
    entry(CommandReverseRunning).enabled = true;
    entry(CommandTurnDirection).enabled = true;
    entry(CommandDeleteTrain).enabled = !vehicle->isAutomobile();
    entry(CommandSetCameraTrain).enabled = !vehicle->isAutomobile();
    entry(CommandUncoupleFront).enabled = vehicle->frontNeighbour() != nullptr;
    entry(CommandUncoupleRear).enabled = vehicle->rearNeighbour() != nullptr;
    entry(CommandSetCameraTrain).checked = vehicle->isCameraTrain();
    return menu;
}

bool runVehicleCommand(int command, CTrainItem* vehicle) {
    platform::RenderLockGuard model;
    if (vehicle == nullptr) {
        return false;
    }
    bool moved = false;
    switch (command) {
    case CommandDeleteVehicle:
        queueVehicleDeletion(vehicle);
        break;
    case CommandDeleteTrain:
        for (CTrainItem* v : vehicle->trainMembers()) {
            queueVehicleDeletion(v);
        }
        break;
    case CommandReverseRunning:
        vehicle->turn(true, true);
        moved = true;
        break;
    case CommandTurnDirection:
        vehicle->turn(true, false);
        moved = true;
        break;
    case CommandUncoupleFront:
        vehicle->uncouple(false);
        moved = true;
        break;
    case CommandUncoupleRear:
        vehicle->uncouple(true);
        moved = true;
        break;
    case CommandSetCameraTrain:
        setCameraTrain(vehicle);
        break;
    default:
        return false;
    }
    if (moved) {
        vehicle->updatePlacement(true);
    }
    if (trainHooks().requestPanelRefresh) {
        trainHooks().requestPanelRefresh();
    }
    return true;
}

} // namespace trains
