#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace model {
class CTrackControlItem;
}

namespace trains {

class CTrainItem;

// Runs the hold timers of the control items that trains have released: crossings, holding
// items, reversing points and stations. Items enter the active set when a hold begins and
// leave it only after a tick's walk, so a walk never loses its place. Ticks come from the
// optional idle-priority thread (every 100 ms) or from tick() driven by hand.
class CTrackControlItemManager {
public:
    CTrackControlItemManager();
    ~CTrackControlItemManager();
    CTrackControlItemManager(const CTrackControlItemManager&) = delete;
    CTrackControlItemManager& operator=(const CTrackControlItemManager&) = delete;

    bool contains(const model::CTrackControlItem* item) const;
    // Null and items already active are ignored; a removal queued for the item is cancelled.
    void add(model::CTrackControlItem* item);
    void remove(model::CTrackControlItem* item);
    void queueRemoval(model::CTrackControlItem* item);
    std::size_t activeCount() const;

    // One tick at the shared clock's time: every active item still registered runs its hold
    // tick, unregistered ones are dropped, then queued removals are done. False when the tick
    // was skipped because an edit or a frame held the render lock.
    bool tick();
    // Moves the clock start of every running hold by `seconds`: when the shared clock is set
    // to another time, each hold keeps the time it has already waited.
    void shiftHoldClocks(double seconds);

    // The ticking thread; starting twice starts once. False when it could not be created.
    bool startThread();
    void stopThread();
    bool hasThread() const { return worker_.joinable(); }
    // Held while item occupancy changes and during a tick.
    std::recursive_mutex& itemLock() { return lock_; }

private:
    mutable std::recursive_mutex lock_;
    std::vector<model::CTrackControlItem*> activeItems_;
    std::vector<model::CTrackControlItem*> removalQueue_;
    std::atomic<bool> stopRequested_{false};
    std::thread worker_;
};

// The manager, or null before it is created.
CTrackControlItemManager* controlItemManager();
// The manager, created on first request (without its thread).
CTrackControlItemManager& getOrCreateControlItemManager();

// One hold tick of an item at time `now` (seconds): starts its clock on the first tick and,
// once the wait (value, 0 read as 2) has passed, restarts the train at a reversing point and
// frees the item, except a stop-engine station whose train still stands with its engine off.
void holdTickAt(model::CTrackControlItem& item, double now);
// Occupancy notice from a train's head: arriving takes a free item, leaving by the holding
// train begins its hold.
void noticeVehicle(model::CTrackControlItem& item, std::uintptr_t head, bool arrives);
// Bookkeeping when a train's head enters a new line; true when the train must halt (its head
// stands on a reversing point).
bool registerTileChange(CTrainItem& vehicle);
// Turns a train whose head stands on a reversing point with no track ahead into reverse running.
void reverseAtDeadEnd(CTrainItem& vehicle);
// Connects the control items and the vehicles to the manager (once).
void installControlItemSeams();

} // namespace trains
