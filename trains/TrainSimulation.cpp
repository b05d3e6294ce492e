#include "trains/TrainSimulation.h"

#include <cmath>
#include <unordered_map>

#include "model/CTrackItem.h"
#include "model/TrackJoin.h"
#include "platform/RenderLock.h"
#include "trains/CTrackControlItemManager.h"
#include "trains/CTrainControler.h"
#include "trains/CTrainItem.h"
#include "trains/ControllerClock.h"
#include "trains/VehicleRegistry.h"

namespace trains {

namespace {

constexpr double kStepSeconds = 0.003;

struct Snapshot {
    CTrainItem* vehicle = nullptr;
    VehicleId id = 0;
    VehicleId front = 0;
    VehicleId rear = 0;
    bool active = false;
    bool reversed = false;
    bool flipped = false;
    double speed = 0;
};

Snapshot snapshotOf(CTrainItem* v) {
    return {v,
            v->id(),
            v->frontLink(),
            v->rearLink(),
            v->isActive(),
            v->isReversedRunning(),
            v->isDirectionFlipped(),
            v->speed()};
}

// The 1-based place of every vehicle in the controller's list (the first place of one listed
// twice), made once per step so that naming the vehicles of an event costs no list walk.
class ListNumbers {
public:
    void refill(const CTrainControler& controller) {
        numbers_.clear();
        const auto& list = controller.vehicles();
        numbers_.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            numbers_.try_emplace(list[i]->id(), static_cast<std::int32_t>(i + 1));
        }
    }
    std::int32_t of(VehicleId id) const {
        const auto found = numbers_.find(id);
        return found != numbers_.end() ? found->second : 0;
    }

private:
    std::unordered_map<VehicleId, std::int32_t> numbers_;
};

bool onStation(CTrainItem* v) {
    const model::CTrackItem* tile = v->currentTile();
    return tile != nullptr && tile->stationItem() != nullptr;
}

void compare(const ListNumbers& numbers, const Snapshot& before, double time,
             std::vector<SimulationEvent>& events) {
    // A vehicle deleted during the step is only named by its id, never touched.
    CTrainItem* v = before.vehicle;
    if (findVehicle(before.id) != v) {
        return;
    }
    const std::int32_t number = numbers.of(before.id);
    for (const auto& [was, now] :
         {std::pair{before.front, v->frontLink()}, std::pair{before.rear, v->rearLink()}}) {
        if (was == now) {
            continue;
        }
        if (now != 0) {
            events.push_back({time, "coupling", number, numbers.of(now)});
        } else {
            events.push_back({time, "uncoupling", number, numbers.of(was)});
        }
    }
    if (before.reversed != v->isReversedRunning() || before.flipped != v->isDirectionFlipped()) {
        events.push_back({time, "reversal", number, 0});
    }
    if (before.active && !v->isActive()) {
        events.push_back({time, "halt", number, 0});
    }
    if (v->isSelfPropelled() && before.speed > 0 && v->speed() == 0 && onStation(v)) {
        events.push_back({time, "station stop", number, 0});
    }
}

SimulatedVehicle placeOf(const CTrainItem* v, std::int32_t number) {
    SimulatedVehicle out;
    out.number = number;
    out.typeCode = v->typeCode();
    out.speed = v->speed();
    const model::CTrackItem* tile = v->currentTile();
    const TrackPosition& p = v->position();
    if (tile == nullptr || !isValidPosition(p)) {
        return out;
    }
    out.column = tile->getPosition().column;
    out.row = tile->getPosition().row;
    out.layer = v->currentLayer();
    const auto& lines = tile->lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].get() == p.line) {
            out.line = static_cast<std::int32_t>(i);
        }
    }
    out.pointIndex = p.pointIndex;
    return out;
}

} // namespace

DrivenRun::DrivenRun(std::uint32_t seed) {
    model::seedLineRandom(seed);
    controllerClock().setManual(0.0);
}

void DrivenRun::runUntil(double seconds) {
    CTrainControler& controller = getOrCreateTrainController();
    ControllerClock& clock = controllerClock();
    const std::int64_t steps = std::isfinite(seconds) && seconds > 0
                                   ? static_cast<std::int64_t>(seconds / kStepSeconds)
                                   : 0;
    std::vector<Snapshot> before;
    ListNumbers numbers;
    for (std::int64_t i = result_.steps; i < steps && controller.isRunning(); ++i) {
        before.clear();
        for (CTrainItem* v : controller.vehicles()) {
            before.push_back(snapshotOf(v));
        }
        clock.setManual(static_cast<double>(i + 1) * kStepSeconds);
        {
            // A driven run takes every step it is given: a step that found the model busy
            // would be skipped and the next would cover its time, so two runs of the same
            // clock would differ. Blocking takes are render lock first, then step lock.
            platform::RenderLockGuard model;
            controller.stepByHand();
        }
        // The hold timers tick every 100 ms of driven time, never skipped.
        if ((i + 1) * 3 / 100 != i * 3 / 100) {
            platform::RenderLockGuard model;
            getOrCreateControlItemManager().tick();
        }
        ++result_.steps;
        const double time = static_cast<double>(i + 1) * kStepSeconds;
        numbers.refill(controller);
        for (const Snapshot& snapshot : before) {
            compare(numbers, snapshot, time, result_.events);
        }
    }
}

SimulationResult DrivenRun::result() const {
    SimulationResult out = result_;
    out.vehicles.clear();
    if (const CTrainControler* controller = trainController()) {
        const auto& list = controller->vehicles();
        for (std::size_t i = 0; i < list.size(); ++i) {
            out.vehicles.push_back(placeOf(list[i], static_cast<std::int32_t>(i + 1)));
        }
    }
    return out;
}

SimulationResult runSimulation(double seconds, std::uint32_t seed) {
    CTrainControler& controller = getOrCreateTrainController();
    // Started as the program's run starts: an idle controller is started as it stands, so
    // every vehicle accelerates from rest. A controller still running is stopped first, which
    // leaves its vehicles at rest and accelerating once its thread has ended.
    if (controller.isRunning()) {
        controller.stop(true);
    }
    DrivenRun run(seed);
    controller.start(false);
    run.runUntil(seconds);
    SimulationResult result = run.result();
    controller.stop(true);
    controllerClock().useMonotonic();
    return result;
}

} // namespace trains
