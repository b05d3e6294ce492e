#pragma once
#include <array>

namespace trains {

class CTrainItem;

// Commands of a vehicle's context menu and of the train panel.
enum VehicleCommand : int {
    CommandDeleteVehicle = 1526,  // "車両削除"
    CommandDeleteTrain = 1527,    // "連結車両を全て削除"
    CommandReverseRunning = 1528, // "逆行運転"
    CommandTurnDirection = 1529,  // "進行方向反転"
    CommandUncoupleFront = 1530,  // "前方連結解除"
    CommandUncoupleRear = 1531,   // "後方連結解除"
    CommandSetCameraTrain = 1532, // "カメラ列車設定"
};
inline constexpr int kFirstVehicleCommand = CommandDeleteVehicle;
inline constexpr int kVehicleCommandCount = 7;

struct VehicleMenuEntry {
    bool enabled = false;
    bool checked = false;
};

// The menu state for a vehicle, in command order from 1526: all disabled unless the vehicle
// (and the controller) exist; deleting the train and the camera entry not for automobiles;
// each uncouple entry only with a neighbour at that end; the camera entry checked for the
// camera train.
std::array<VehicleMenuEntry, kVehicleCommandCount> vehicleMenuState(CTrainItem* vehicle);

// Carries out a command on a vehicle: deletions go through the deletion queue. Afterwards the
// panels are marked for refresh, and after a turn or an uncoupling the vehicle's marker
// moves. False for an unknown command or a missing vehicle.
bool runVehicleCommand(int command, CTrainItem* vehicle);

} // namespace trains
