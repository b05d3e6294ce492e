#pragma once
#include <functional>
#include <thread>

namespace platform {

// Starts `body` on a new thread that runs at idle priority: SCHED_IDLE where the system
// allows it, otherwise the weakest nice value. The caller owns (joins) the thread.
std::thread startIdleThread(std::function<void()> body);

// Lowers the calling thread to idle priority; returns false when neither method worked.
bool lowerCurrentThreadToIdle();

} // namespace platform
