#pragma once
#include <QMenu>

#include <map>

#include "trains/VehicleTypes.h"

namespace trains {
class CTrainItem;
}

namespace editor {

// The vehicle menu of a marker: delete the vehicle or its whole train, reverse running, turn
// direction, uncouple front or rear, make it the camera train (commands 1526 … 1532).
class VehicleMenu final : public QMenu {
    Q_OBJECT
public:
    static constexpr int kFirstCommand = 1526;
    static constexpr int kLastCommand = 1532;

    explicit VehicleMenu(QWidget* parent = nullptr);

    // Enables and checks the entries for a vehicle (all disabled when it or the train
    // controller is gone) and remembers it for `run`.
    void prepare(trains::VehicleId vehicle);
    QAction* command(int id) const;
    // Runs a command on the prepared vehicle, looked up again first; false when it is gone or
    // the command is disabled.
    bool run(int id);

private:
    std::map<int, QAction*> actions_;
    trains::VehicleId vehicle_ = 0;
};

// Carries out a vehicle command on a vehicle; false for an unknown command.
bool runVehicleCommand(int id, trains::CTrainItem& vehicle);

} // namespace editor
