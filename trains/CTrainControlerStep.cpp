// Running the trains: speed levels, start and stop, and the rules of one controller step.
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <vector>

#include "model/CTrackControlItem.h"
#include "model/CTrackItem.h"
#include "model/CZarnoltDocument.h"
#include "model/DocumentRecords.h"
#include "model/TrackTiles.h"
#include "platform/RenderLock.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainControlerThread.h"
#include "trains/CTrainItem.h"
#include "trains/Occupants.h"
#include "trains/StepIndex.h"
#include "trains/TrackMotion.h"
#include "trains/TrainHooks.h"
#include "trains/VehicleRegistry.h"

namespace trains {

namespace {

bool noAtsPreference() {
    const model::CZarnoltDocument* doc = model::currentDocument();
    return doc != nullptr && doc->testPreferenceFlag(model::PrefNoATS);
}

double gridDistance(const CTrainItem& a, const CTrainItem& b) {
    const auto pa = a.gridPoint1Raw();
    const auto pb = b.gridPoint1Raw();
    const double dx = static_cast<double>(pa[0]) - pb[0];
    const double dz = static_cast<double>(pa[1]) - pb[1];
    return std::sqrt(dx * dx + dz * dz);
}

void requestPanelRefresh() {
    if (trainHooks().requestPanelRefresh) {
        trainHooks().requestPanelRefresh();
    }
}

} // namespace

// The tiles ahead of a vehicle's wheel set 1. On rail and monorail lines the way ahead is
// fixed by the points, so the walk is made once and each further tile continues it. On road
// lines every crossing may pick a junction branch at random, so each distance is walked
// afresh from the vehicle, as tileAhead does.
class AheadWalk {
public:
    explicit AheadWalk(const CTrainItem* v) : vehicle_(v) {
        if (v != nullptr) {
            cursor_ = v->wheelSet1();
            random_ = isValidPosition(cursor_) && cursor_.line->isKind2to4();
        }
    }
    // The tile `lines` (1 … 4) line ends ahead, or null when there is none.
    model::CTrackItem* tile(int lines) {
        if (vehicle_ == nullptr || lines < 1 || lines > kMost) {
            return nullptr;
        }
        if (random_) {
            model::CTrackItem* found = nullptr;
            return vehicle_->tileAhead(found, lines) ? found : nullptr;
        }
        while (found_ < lines && !ended_) {
            if (skipLines(cursor_, 1)) {
                tiles_[static_cast<std::size_t>(found_++)] = cursor_.line->getOwner();
            } else {
                ended_ = true;
            }
        }
        return lines <= found_ ? tiles_[static_cast<std::size_t>(lines - 1)] : nullptr;
    }

private:
    static constexpr int kMost = 4;
    const CTrainItem* vehicle_;
    TrackPosition cursor_;
    std::array<model::CTrackItem*, kMost> tiles_{};
    int found_ = 0;
    bool random_ = false;
    bool ended_ = false;
};

double speedForLevel(std::int32_t level, std::int32_t max) {
    double value = 320.0;
    const std::int32_t reductions = std::max<std::int32_t>(0, max - level);
    for (std::int32_t i = 0; i < reductions; ++i) {
        if (value > 100) {
            value -= 40;
        } else if (value > 40) {
            value -= 20;
        } else {
            value *= 0.5;
        }
    }
    return value;
}

void CTrainControler::reloadSpeedSetting() {
    std::int32_t level = 10;
    if (const model::CZarnoltDocument* doc = model::currentDocument()) {
        level = doc->getPreferences().speedLevel;
    }
    setSpeedSetting(level, 10);
}

void CTrainControler::setSpeedSetting(std::int32_t level, std::int32_t max) {
    // A stored level outside 0 … max (a damaged settings record) is clamped.
    max = std::clamp<std::int32_t>(max, 0, 1000);
    speedLevelMax_ = max;
    speedLevel_ = std::clamp<std::int32_t>(level, 0, max);
    speed_ = speedForLevel(speedLevel_, speedLevelMax_);
}

void CTrainControler::speedSetting(std::int32_t& level, std::int32_t& max) const {
    level = speedLevel_;
    max = speedLevelMax_;
}

void CTrainControler::reapEndedThread() {
    if (thread_ && thread_->hasEnded()) {
        thread_->join();
        thread_.reset();
    }
}

bool CTrainControler::isRunning() const {
    return thread_ != nullptr && !thread_->hasEnded();
}

bool CTrainControler::isStopping() const {
    return thread_ != nullptr && thread_->isStopRequested();
}

void CTrainControler::start(bool launchThread) {
    reapEndedThread();
    reloadSpeedSetting();
    // A worker still braking from the last run may be inside a step. Blocking takes are
    // always render lock first, then step lock.
    platform::RenderLockGuard model;
    std::unique_lock<std::mutex> stepGuard(stepLock_);
    for (CTrainItem* v : std::vector<CTrainItem*>(vehicles_)) {
        v->setBlocked(false);
        if (v->isAutomobile()) {
            v->restart();
        } else if (v->isActive() && trainHooks().reverseAtDeadEnd) {
            trainHooks().reverseAtDeadEnd(*v);
        }
    }
    for (int layer = 0; layer < 5; ++layer) {
        const model::LayerMap* tiles = model::layerMap(layer);
        if (tiles == nullptr) {
            continue;
        }
        for (const auto& entry : *tiles) {
            for (const auto& control : entry.second->controlItems()) {
                model::CTrackControlItem* item = control.second.get();
                if (item != nullptr && (item->getKind() == model::KindCrossing ||
                                        model::isStationKind(item->getKind()))) {
                    item->setOccupant(0);
                }
            }
        }
    }
    stepGuard.unlock();
    if (!thread_) {
        auto worker = std::make_unique<CTrainControlerThread>(*this);
        if (!launchThread || handStepped_ || worker->launch()) {
            thread_ = std::move(worker);
        }
    }
}

void CTrainControler::stop(bool immediate) {
    if (!isStopping()) {
        // The worker may be inside a step: wait for it so that no vehicle changes under it.
        platform::RenderLockGuard model;
        std::lock_guard<std::mutex> guard(stepLock_);
        for (CTrainItem* v : vehicles_) {
            v->stopOrBrake(immediate);
        }
    }
    if (!immediate || !thread_) {
        return;
    }
    thread_->Stop();
    const bool byHand = !thread_->isLaunched();
    thread_->join();
    if (byHand) {
        std::lock_guard<std::mutex> guard(stepLock_);
        resetAllAcceleration();
    }
    thread_.reset();
}

bool CTrainControler::stepByHand() {
    if (!thread_ || thread_->isLaunched() || thread_->hasEnded()) {
        return false;
    }
    bool finished = false;
    {
        std::lock_guard<std::mutex> guard(stepLock_);
        finished = thread_->step();
        if (finished) {
            resetAllAcceleration();
        }
    }
    if (finished) {
        thread_.reset();
    }
    return finished;
}

void CTrainControler::resetAllAcceleration() {
    for (CTrainItem* v : vehicles_) {
        v->resetAcceleration();
    }
}

void CTrainControler::refreshMarkers() {
    for (CTrainItem* v : vehicles_) {
        if (VehiclePane* pane = v->pane()) {
            pane->place();
        }
    }
}

std::vector<CTrainItem*> CTrainControler::trainLeaders() const {
    std::vector<CTrainItem*> leaders;
    std::vector<CTrainItem*> members;
    collectLeaders(leaders, members);
    return leaders;
}

void CTrainControler::collectLeaders(std::vector<CTrainItem*>& out,
                                     std::vector<CTrainItem*>& members) const {
    out.clear();
    for (CTrainItem* v : vehicles_) {
        if (!v->hasNoFrontNeighbour()) {
            continue;
        }
        // The train's first motive vehicle, as motiveVehicles lists them.
        members.clear();
        v->appendTrainMembers(members);
        const auto motive = std::find_if(members.begin(), members.end(), [](const CTrainItem* m) {
            return m->isLocomotive() || m->isMonorail();
        });
        if (motive != members.end()) {
            out.push_back(*motive);
        }
    }
}

bool CTrainControler::pathIsClear(CTrainItem& v, const std::vector<CTrainItem*>& leaders) const {
    if ((!v.isAutomobile() && noAtsPreference()) || !v.isActive()) {
        return true;
    }
    CTrainItem* h = v.head();
    AheadWalk walk(h);
    return pathIsClear(v, h, walk, StepIndex(vehicles_, leaders));
}

bool CTrainControler::pathIsClear(CTrainItem& v, CTrainItem* h, AheadWalk& walk,
                                  const StepIndex& index) const {
    if ((!v.isAutomobile() && noAtsPreference()) || !v.isActive() || h == nullptr) {
        return true;
    }
    for (int i = 1; i <= 4; ++i) {
        const model::CTrackItem* ahead = walk.tile(i);
        if (ahead == nullptr) {
            continue;
        }
        for (const CTrainItem* w : index.on(ahead)) {
            if (w == &v) {
                continue;
            }
            // Automobiles stop for every vehicle and every train stops for them; trains stop
            // for other trains that have a motive vehicle, not for parked cars.
            if (v.isAutomobile() || w->isAutomobile() ||
                (!index.sameTrain(&v, w) && index.trainHasLeader(w))) {
                return false;
            }
        }
    }
    return true;
}

bool CTrainControler::stationAheadFree(CTrainItem& v) const {
    CTrainItem* h = v.head();
    AheadWalk walk(h);
    return stationAheadFree(h, walk);
}

bool CTrainControler::stationAheadFree(CTrainItem* h, AheadWalk& walk) {
    const model::CTrackItem* ahead = walk.tile(1);
    if (h == nullptr || ahead == nullptr) {
        return true;
    }
    const VehicleId held = liveHeldVehicle(*ahead);
    return held == 0 || held == h->id();
}

bool CTrainControler::mayLeaveStation(CTrainItem& v) {
    CTrainItem* h = v.head();
    AheadWalk walk(h);
    return mayLeaveStation(h, walk);
}

bool CTrainControler::mayLeaveStation(CTrainItem* h, AheadWalk& walk) {
    const model::CTrackItem* ahead = walk.tile(1);
    if (h == nullptr || ahead == nullptr) {
        return true;
    }
    model::CTrackItem* here = h->currentTile();
    if (here == nullptr || here->stationItem() == nullptr || ahead->stationItem() != nullptr) {
        return true;
    }
    const int code = here->stationItem()->getValue();
    if (code == -1) {
        return true;
    }
    CTrainItem* o = findVehicle(liveHeldVehicle(*here));
    if (o == nullptr) {
        return true;
    }
    if (code == -2 && !o->isEngineStopped() && o->trainHasActiveDriver()) {
        o->setEngineStopped(true);
        o->halt();
        for (model::CTrackControlItem* item : here->stationRun()) {
            item->handBack();
            item->setOccupant(0);
        }
        requestPanelRefresh();
    }
    return false;
}

bool CTrainControler::autoCouple() {
    StepScratch scratch;
    return autoCouple(nullptr, scratch);
}

bool CTrainControler::autoCouple(const StepIndex* current, StepScratch& scratch) {
    bool changed = false;
    scratch.vehicles.assign(vehicles_.begin(), vehicles_.end());
    for (CTrainItem* a : scratch.vehicles) {
        if (findVehicle(a->id()) != a) {
            continue;
        }
        if (CTrainItem* b = a->frontNeighbour(); b != nullptr && gridDistance(*a, *b) > 80) {
            a->uncouple(false);
            changed = true;
        }
        if (CTrainItem* b = a->rearNeighbour(); b != nullptr && gridDistance(*a, *b) > 80) {
            a->uncouple(true);
            changed = true;
        }
    }
    // The step's index still holds when nothing was pulled apart; a coupling changes trains
    // and places, so every later pass files the vehicles afresh.
    const std::vector<CTrainItem*> noLeaders;
    if (changed || current == nullptr) {
        scratch.refiled.rebuild(vehicles_, noLeaders);
        current = &scratch.refiled;
    }
    bool coupled = true;
    // Each pass couples at most one car; the number of passes is bounded by the vehicles.
    for (std::size_t pass = 0; coupled && pass <= vehicles_.size(); ++pass) {
        coupled = false;
        if (pass > 0) {
            scratch.refiled.rebuild(vehicles_, noLeaders);
            current = &scratch.refiled;
        }
        const StepIndex& index = *current;
        std::vector<CTrainItem*>& heads = scratch.heads;
        heads.clear();
        for (CTrainItem* q : vehicles_) {
            // Only a vehicle at the leading end of its chain can be its train's head.
            const bool leadingEnd =
                (q->isDirectionFlipped() ? q->rearNeighbour() : q->frontNeighbour()) == nullptr;
            if (q->isRailVehicle() && leadingEnd && q->head() == q) {
                heads.push_back(q);
            }
        }
        std::vector<CTrainItem*>& near = scratch.near;
        for (CTrainItem* q : heads) {
            AheadWalk walk(q);
            const model::CTrackItem* one = walk.tile(1);
            const model::CTrackItem* two = walk.tile(2);
            if (one == nullptr || two == nullptr) {
                continue;
            }
            // The vehicles standing on those two tiles, in list order.
            near.clear();
            index.appendOn(one, near);
            index.appendOn(two, near);
            std::sort(near.begin(), near.end(), [&](const CTrainItem* a, const CTrainItem* b) {
                return index.listPosition(a) < index.listPosition(b);
            });
            for (CTrainItem* r : near) {
                // The distance is the cheapest test and rules out most vehicles; the tests
                // before isHead and isTail change nothing, so their order is free.
                if (r == q || !r->isRailVehicle() || !(gridDistance(*q, *r) < 40) ||
                    q->isSameTrain(r) || !(r->isHead() || r->isTail()) ||
                    r->trainHasActiveDriver()) {
                    continue;
                }
                r->uncouple(true);
                r->uncouple(false);
                if (q->couple(r, false)) {
                    coupled = true;
                    changed = true;
                    break;
                }
            }
            if (coupled) {
                break;
            }
        }
    }
    return changed;
}

bool CTrainControler::runVehicles(double dt) {
    if (!scratch_) {
        scratch_ = std::make_unique<StepScratch>();
    }
    StepScratch& scratch = *scratch_;
    collectLeaders(scratch.leaders, scratch.members);
    StepIndex& index = scratch.index;
    index.rebuild(vehicles_, scratch.leaders);
    // A copy: a vehicle's move may change the list (a hook deleting a vehicle).
    scratch.vehicles.assign(vehicles_.begin(), vehicles_.end());
    for (CTrainItem* v : scratch.vehicles) {
        if (findVehicle(v->id()) != v || !v->isSelfPropelled()) {
            continue;
        }
        CTrainItem* h = v->head();
        AheadWalk walk(h);
        if (stationAheadFree(h, walk) && mayLeaveStation(h, walk) &&
            pathIsClear(*v, h, walk, index)) {
            v->advance(true, speed_ * dt, speed_, dt);
            index.moved(v);
        } else {
            v->setSpeed(0);
        }
    }
    if (autoCouple(&index, scratch)) {
        requestPanelRefresh();
    }
    if (trainHooks().requestViewRepaint) {
        trainHooks().requestViewRepaint();
    }
    return std::all_of(vehicles_.begin(), vehicles_.end(),
                       [](const CTrainItem* v) { return v->isBrakedToStop(); });
}

} // namespace trains
