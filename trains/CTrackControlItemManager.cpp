#include "trains/CTrackControlItemManager.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/PieceSeams.h"
#include "platform/Clock.h"
#include "platform/RenderLock.h"
#include "platform/Threads.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/Occupants.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleRegistry.h"

namespace trains {

namespace {

CTrackControlItemManager* currentManager = nullptr;

void requestPanelRefresh() {
    if (trainHooks().requestPanelRefresh) {
        trainHooks().requestPanelRefresh();
    }
}

} // namespace

CTrackControlItemManager* controlItemManager() {
    return currentManager;
}

CTrackControlItemManager& getOrCreateControlItemManager() {
    static std::unique_ptr<CTrackControlItemManager> created;
    if (currentManager == nullptr) {
        created = std::make_unique<CTrackControlItemManager>();
    }
    return *currentManager;
}

CTrackControlItemManager::CTrackControlItemManager() {
    if (currentManager == nullptr) {
        currentManager = this;
    }
}

CTrackControlItemManager::~CTrackControlItemManager() {
    stopThread();
    if (currentManager == this) {
        currentManager = nullptr;
    }
}

bool CTrackControlItemManager::contains(const model::CTrackControlItem* item) const {
    std::lock_guard guard(lock_);
    return std::find(activeItems_.begin(), activeItems_.end(), item) != activeItems_.end();
}

void CTrackControlItemManager::add(model::CTrackControlItem* item) {
    if (item == nullptr) {
        return;
    }
    std::lock_guard guard(lock_);
    if (std::find(activeItems_.begin(), activeItems_.end(), item) == activeItems_.end()) {
        activeItems_.push_back(item);
    }
    // An item handed back and taken again before the next tick stays active; so does a new
    // item at the address of one that was handed back and then deleted.
    std::erase(removalQueue_, item);
}

void CTrackControlItemManager::remove(model::CTrackControlItem* item) {
    std::lock_guard guard(lock_);
    const auto found = std::find(activeItems_.begin(), activeItems_.end(), item);
    if (found == activeItems_.end()) {
        return;
    }
    if (model::validControlItem(item) != nullptr) {
        item->refreshOwner();
    }
    activeItems_.erase(found);
}

void CTrackControlItemManager::queueRemoval(model::CTrackControlItem* item) {
    std::lock_guard guard(lock_);
    if (std::find(removalQueue_.begin(), removalQueue_.end(), item) == removalQueue_.end()) {
        removalQueue_.push_back(item);
    }
}

std::size_t CTrackControlItemManager::activeCount() const {
    std::lock_guard guard(lock_);
    return activeItems_.size();
}

bool CTrackControlItemManager::tick() {
    // Expired holds restart trains: keep the controller's step out meanwhile. The lock order
    // is always step lock, then manager lock.
    std::unique_lock<std::mutex> stepGuard;
    if (CTrainControler* controller = trainController()) {
        stepGuard = std::unique_lock<std::mutex>(controller->stepLock());
    }
    // While an edit or a frame holds the model the tick is skipped; holds are timed by the
    // clock, so they expire at the next tick instead.
    platform::TryRenderLock model;
    if (!model.owns()) {
        return false;
    }
    std::lock_guard guard(lock_);
    if (activeItems_.empty()) {
        return true;
    }
    const double now = controllerClock().now();
    const std::vector<model::CTrackControlItem*> walk = activeItems_;
    for (model::CTrackControlItem* item : walk) {
        if (model::validControlItem(item) == nullptr) {
            queueRemoval(item);
        } else {
            holdTickAt(*item, now);
        }
    }
    const std::vector<model::CTrackControlItem*> queued = std::move(removalQueue_);
    removalQueue_.clear();
    for (model::CTrackControlItem* item : queued) {
        remove(item);
    }
    return true;
}

void CTrackControlItemManager::shiftHoldClocks(double seconds) {
    if (!std::isfinite(seconds) || seconds == 0) {
        return;
    }
    std::lock_guard guard(lock_);
    for (model::CTrackControlItem* item : activeItems_) {
        if (model::validControlItem(item) == nullptr || item->getTimerStart() == 0) {
            continue;
        }
        // A clock start of 0 reads as a hold whose clock has not started yet.
        const double start = item->getTimerStart() + seconds;
        item->setTimerStart(start != 0 ? start : std::nextafter(0.0, -1.0));
    }
}

bool CTrackControlItemManager::startThread() {
    if (worker_.joinable()) {
        return true;
    }
    stopRequested_.store(false);
    try {
        worker_ = platform::startIdleThread([this] {
            while (!stopRequested_.load()) {
                // A tick skipped because the model was busy is tried again 10 ms later.
                const int pause = tick() ? 10 : 1;
                for (int i = 0; i < pause && !stopRequested_.load(); ++i) {
                    platform::sleepMillis(10);
                }
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    return worker_.joinable();
}

void CTrackControlItemManager::stopThread() {
    stopRequested_.store(true);
    if (worker_.joinable()) {
        worker_.join();
    }
}

void holdTickAt(model::CTrackControlItem& item, double now) {
    if (!model::isHoldingKind(item.getKind())) {
        return;
    }
    if (item.getTimerStart() == 0) {
        item.setTimerStart(now);
        return;
    }
    const int w = item.getValue() == 0 ? 2 : item.getValue();
    if (!(now - item.getTimerStart() > w)) {
        return;
    }
    CTrainItem* p = findVehicle(liveOccupant(item));
    if (item.getKind() == model::KindReversing && w > 0 && p != nullptr) {
        p->restart();
    } else if (model::isStationKind(item.getKind()) && w == -2 && p != nullptr &&
               p->isEngineStopped()) {
        return;
    }
    item.setOccupant(0);
    item.handBack();
    item.refreshOwner();
}

void noticeVehicle(model::CTrackControlItem& item, std::uintptr_t head, bool arrives) {
    if (arrives) {
        // An item held by a vehicle that was deleted is free.
        if (liveOccupant(item) == 0) {
            item.setTimerStart(0);
            item.setOccupant(head);
        }
    } else if (CTrainItem* occupant = findVehicle(liveOccupant(item))) {
        CTrainItem* leaving = findVehicle(static_cast<VehicleId>(head));
        if (occupant->id() == head || (leaving != nullptr && occupant->isSameTrain(leaving))) {
            item.handToController();
        }
    }
    item.refreshOwner();
}

bool registerTileChange(CTrainItem& vehicle) {
    if (vehicle.isAutomobile()) {
        return false;
    }
    CTrainItem* h = vehicle.head();
    CTrainItem* t = vehicle.tail();
    if (h == nullptr || t == nullptr) {
        return false;
    }
    model::CTrackItem* here = h->currentTile();
    if (here == nullptr) {
        return false;
    }
    model::CTrackItem* ahead = nullptr;
    if (!h->tileAhead(ahead, 1)) {
        ahead = nullptr;
    }
    const std::uintptr_t id = h->id();
    const model::CTrackControlItem* reversing = here->reversingItem();
    if (reversing != nullptr && reversing->getValue() >= 0) {
        here->notifyVehicle(id, false);
    }
    here->notifyVehicle(id, true);
    if (ahead != nullptr) {
        ahead->notifyVehicle(id, true);
    }
    t->notifyTraversedTiles(h->id(), false);
    const model::CTrackControlItem* station = here->stationItem();
    if (station != nullptr && station->getValue() >= 0 && ahead != nullptr &&
        ahead->stationItem() == nullptr) {
        here->notifyVehicle(id, false);
    }
    return reversing != nullptr;
}

void reverseAtDeadEnd(CTrainItem& vehicle) {
    CTrainItem* h = vehicle.head();
    if (h == nullptr) {
        return;
    }
    model::CTrackItem* here = h->currentTile();
    if (here == nullptr || here->reversingItem() == nullptr) {
        return;
    }
    model::CTrackItem* ahead = nullptr;
    if (h->tileAhead(ahead, 1) && ahead != nullptr) {
        return;
    }
    vehicle.turn(true, true);
    requestPanelRefresh();
}

void installControlItemSeams() {
    static std::once_flag once;
    std::call_once(once, [] {
        model::PieceHooks& hooks = model::pieceHooks();
        hooks.activate = [](model::CTrackControlItem& item) {
            getOrCreateControlItemManager().add(&item);
        };
        hooks.deactivate = [](model::CTrackControlItem& item) {
            if (CTrackControlItemManager* manager = controlItemManager()) {
                manager->queueRemoval(&item);
            }
        };
        hooks.holdTick = [](model::CTrackControlItem& item) {
            holdTickAt(item, controllerClock().now());
        };
        hooks.vehicleNotice = [](model::CTrackControlItem& item, std::uintptr_t vehicle,
                                 bool arrives) {
            std::lock_guard guard(getOrCreateControlItemManager().itemLock());
            noticeVehicle(item, vehicle, arrives);
        };
        TrainHooks& train = trainHooks();
        train.registerTileChange = [](CTrainItem& head) { return registerTileChange(head); };
        train.reverseAtDeadEnd = [](CTrainItem& v) { reverseAtDeadEnd(v); };
    });
}

} // namespace trains
