#include "editor/VehicleMenu.h"

#include "editor/UiTexts.h"
#include "editor/VehicleMarkers.h"
#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleRegistry.h"

namespace editor {

VehicleMenu::VehicleMenu(QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("vehicleMenu"));
    for (int id = kFirstCommand; id <= kLastCommand; ++id) {
        const auto text = uiText(TextKind::Command, id);
        auto* act = addAction(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        act->setData(id);
        act->setObjectName(QStringLiteral("vehicleCommand%1").arg(id));
        actions_[id] = act;
    }
    actions_[kLastCommand]->setCheckable(true);
}

QAction* VehicleMenu::command(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void VehicleMenu::prepare(trains::VehicleId vehicle) {
    vehicle_ = vehicle;
    for (auto& [id, act] : actions_) {
        act->setEnabled(false);
        act->setChecked(false);
    }
    platform::RenderLockGuard lock;
    trains::CTrainItem* v = trains::findVehicle(vehicle);
    if (!v || !trains::trainController()) {
        return;
    }
    const bool automobile = v->isAutomobile();
    actions_[1526]->setEnabled(true);
    actions_[1528]->setEnabled(true);
    actions_[1529]->setEnabled(true);
    actions_[1527]->setEnabled(!automobile);
    actions_[1532]->setEnabled(!automobile);
    actions_[1530]->setEnabled(v->frontNeighbour() != nullptr);
    actions_[1531]->setEnabled(v->rearNeighbour() != nullptr);
    actions_[1532]->setChecked(v->isCameraTrain());
}

bool VehicleMenu::run(int id) {
    QAction* act = command(id);
    if (!act || !act->isEnabled()) {
        return false;
    }
    platform::RenderLockGuard lock;
    trains::CTrainItem* v = trains::findVehicle(vehicle_);
    return v && runVehicleCommand(id, *v);
}

bool runVehicleCommand(int id, trains::CTrainItem& v) {
    platform::RenderLockGuard lock;
    switch (id) {
    case 1526:
        trains::queueVehicleDeletion(&v);
        break;
    case 1527:
        for (trains::CTrainItem* member : v.trainMembers()) {
            trains::queueVehicleDeletion(member);
        }
        break;
    case 1528:
        v.turn(true, true);
        break;
    case 1529:
        v.turn(true, false);
        break;
    case 1530:
        v.uncouple(false);
        break;
    case 1531:
        v.uncouple(true);
        break;
    case 1532:
        trains::setCameraTrain(&v);
        break;
    default:
        return false;
    }
    if (id >= 1528 && id <= 1531) {
        markerInvalidator().request();
    }
    if (const auto& refresh = trains::trainHooks().requestPanelRefresh) {
        refresh();
    }
    return true;
}

} // namespace editor
