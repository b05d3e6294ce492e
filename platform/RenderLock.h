#pragma once
#include <atomic>
#include <mutex>

namespace platform {

// The one process-wide lock of the layout model. The renderer holds it for a whole frame;
// every editing command holds it while it changes tiles, lines, control items, terrain or
// vehicles; the train controller's step and the hold-timer tick hold it while they run.
// Recursive: a holder may call code that takes it again. The worker threads only ever try it
// (see TryRenderLock), so a thread holding it may wait for them without deadlock.
std::recursive_mutex& renderLock();

// Set by the renderer around each frame it draws; a controller step that finds it set moves
// nothing in that cycle.
std::atomic<bool>& frameInProgress();

// Holds the render lock for a scope, waiting as long as needed (editing commands).
class RenderLockGuard {
public:
    RenderLockGuard() : guard_(renderLock()) {}

private:
    std::lock_guard<std::recursive_mutex> guard_;
};

// Takes the render lock for a scope only when it is free now (the worker threads, which skip
// their cycle when an edit or a frame holds it).
class TryRenderLock {
public:
    TryRenderLock() : lock_(renderLock(), std::try_to_lock) {}
    bool owns() const { return lock_.owns_lock(); }

private:
    std::unique_lock<std::recursive_mutex> lock_;
};

} // namespace platform
