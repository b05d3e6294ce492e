#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "model/Geometry.h"
#include "platform/ByteWriter.h"

namespace trains {

class CTrainItem;
class CTrainControlerThread;
class StepIndex;
struct StepScratch;
class AheadWalk;

// Owner of the running order of every vehicle on the layout: the list whose 1-based
// positions are the neighbour numbers of saved vehicle records. It reads and writes the
// trains chunk of the layout file. One per process (trainController).
class CTrainControler {
public:
    CTrainControler();
    ~CTrainControler();
    CTrainControler(const CTrainControler&) = delete;
    CTrainControler& operator=(const CTrainControler&) = delete;

    const std::vector<CTrainItem*>& vehicles() const { return vehicles_; }
    std::size_t vehicleCount() const { return vehicles_.size(); }
    // Appends unless absent or already listed.
    void addVehicle(CTrainItem* vehicle);
    // Removes its entry, keeping the order of the others.
    void removeVehicle(const CTrainItem* vehicle);
    // 1-based position of a vehicle among those saveChunk writes, 0 when it is not written.
    std::int32_t recordNumber(const CTrainItem* vehicle) const;

    // Reads a trains chunk (tag "TrnC"): places each vehicle on its recorded tile (tiles
    // shifted by `tileOffset`), relinks the trains, sets coupled vehicles at coupling
    // distance and deletes unusable vehicles. A chunk under 28 bytes or with another tag is
    // ignored; a record with another tag, or one reaching past the chunk, ends the reading.
    // The result is the offset in the chunk where such damage ended it, or 0 when every
    // record was read.
    std::size_t loadChunk(std::span<const std::uint8_t> bytes, model::TilePos tileOffset);
    // The trains chunk: head and one record per vehicle standing on a valid position.
    std::vector<std::uint8_t> saveChunk() const;

    // Running. The speed follows the level: from 320, (max - level) reductions of 40 above
    // 100, of 20 above 40, else halving; levels are clamped to 0 … max.
    void reloadSpeedSetting();
    void setSpeedSetting(std::int32_t level, std::int32_t max);
    void speedSetting(std::int32_t& level, std::int32_t& max) const;
    double speed() const { return speed_; }
    // Starts running: launchThread false creates the worker without its system thread, to be
    // stepped by hand through stepByHand (tests, simulation).
    void start(bool launchThread = true);
    // While set, start() never launches the system thread: whoever set it steps the run by
    // hand on the hand-driven clock (a run driven from the editor's tests).
    void setHandStepped(bool handStepped) { handStepped_ = handStepped; }
    bool isHandStepped() const { return handStepped_; }
    // Immediate: every vehicle stands at once and the worker is ended and joined. Otherwise
    // the vehicles brake and the worker ends by itself once all stand.
    void stop(bool immediate);
    bool isRunning() const;
    bool isStopping() const;
    CTrainControlerThread* thread() const { return thread_.get(); }
    // One step of a hand-driven worker under the step lock; true when running has ended (the
    // worker is then gone). False without a hand-driven worker.
    bool stepByHand();

    // The rules of one step.
    std::vector<CTrainItem*> trainLeaders() const;
    bool pathIsClear(CTrainItem& v, const std::vector<CTrainItem*>& leaders) const;
    bool stationAheadFree(CTrainItem& v) const;
    bool mayLeaveStation(CTrainItem& v);
    bool autoCouple();
    // Moves the self-propelled vehicles for dt seconds and couples; true when every vehicle
    // has braked to a stop (or none exists).
    bool runVehicles(double dt);
    void refreshMarkers();
    void resetAllAcceleration();
    std::mutex& stepLock() { return stepLock_; }

private:
    void reapEndedThread();
    // The rules for a vehicle whose train's head is `h` (none allowed), reading the tiles
    // ahead of h from `walk` and the vehicles on them from the step's index.
    bool pathIsClear(CTrainItem& v, CTrainItem* h, AheadWalk& walk, const StepIndex& index) const;
    static bool stationAheadFree(CTrainItem* h, AheadWalk& walk);
    bool mayLeaveStation(CTrainItem* h, AheadWalk& walk);
    // Coupling with the step's index when it is still current (null: file the vehicles).
    bool autoCouple(const StepIndex* current, StepScratch& scratch);
    // trainLeaders into `out`, with `members` as room for each train's members.
    void collectLeaders(std::vector<CTrainItem*>& out, std::vector<CTrainItem*>& members) const;

    std::vector<CTrainItem*> vehicles_;
    double speed_ = 320.0;
    std::int32_t speedLevel_ = 10;
    std::int32_t speedLevelMax_ = 10;
    std::unique_ptr<CTrainControlerThread> thread_;
    std::unique_ptr<StepScratch> scratch_; // used by runVehicles under the step lock
    std::mutex stepLock_;
    bool handStepped_ = false;
};

// Running speed from a level: 320 at the top level, see setSpeedSetting.
double speedForLevel(std::int32_t level, std::int32_t max);

// The controller, or null before it is created.
CTrainControler* trainController();
// The controller, created on first request; it lives until the process ends.
CTrainControler& getOrCreateTrainController();

} // namespace trains
