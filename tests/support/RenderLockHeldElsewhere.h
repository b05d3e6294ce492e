#pragma once
#include <future>
#include <thread>

#include "platform/RenderLock.h"

namespace testsupport {

// Holds the render lock on another thread for its lifetime, as an edit or a frame being drawn
// would, so that a test can see what the worker threads do while the model is busy.
class RenderLockHeldElsewhere {
public:
    RenderLockHeldElsewhere()
        : holder_([this] {
              platform::RenderLockGuard model;
              held_.set_value();
              release_.get_future().wait();
          }) {
        held_.get_future().wait();
    }
    ~RenderLockHeldElsewhere() {
        release_.set_value();
        holder_.join();
    }
    RenderLockHeldElsewhere(const RenderLockHeldElsewhere&) = delete;
    RenderLockHeldElsewhere& operator=(const RenderLockHeldElsewhere&) = delete;

private:
    std::promise<void> held_;
    std::promise<void> release_;
    std::thread holder_;
};

} // namespace testsupport
