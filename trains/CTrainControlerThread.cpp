#include "trains/CTrainControlerThread.h"

#include <algorithm>
#include <mutex>

#include "platform/Clock.h"
#include "platform/RenderLock.h"
#include "platform/Threads.h"
#include "trains/CTrainControler.h"
#include "trains/ControllerClock.h"

namespace trains {

CTrainControlerThread::CTrainControlerThread(CTrainControler& controller)
    : controller_(controller) {
    now_ = controllerClock().now();
    previous_ = now_;
}

CTrainControlerThread::~CTrainControlerThread() {
    Stop();
    join();
}

bool CTrainControlerThread::launch() {
    if (worker_.joinable() || ended_.load()) {
        return false;
    }
    try {
        worker_ = platform::startIdleThread([this] { loop(); });
    } catch (const std::system_error&) {
        return false;
    }
    return worker_.joinable();
}

void CTrainControlerThread::join() {
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) {
        worker_.join();
    }
}

bool CTrainControlerThread::step() {
    if (platform::frameInProgress().load()) {
        return false;
    }
    if (stopRequested_.load()) {
        return true;
    }
    // An edit or a frame holds the model: skip this cycle; the next one covers its time.
    platform::TryRenderLock model;
    if (!model.owns()) {
        return false;
    }
    now_ = controllerClock().now();
    // However late this step runs (a long edit, a slow frame), it moves the trains by at most
    // kMaxStepSeconds, so that no train jumps past the stop rules.
    const double dt = std::clamp(now_ - previous_, 0.0, kMaxStepSeconds);
    previous_ = now_;
    return controller_.runVehicles(dt);
}

void CTrainControlerThread::loop() {
    while (!stopRequested_.load()) {
        bool finished = false;
        {
            std::lock_guard<std::mutex> guard(controller_.stepLock());
            finished = step();
        }
        if (!stopRequested_.load() && !finished) {
            platform::TryRenderLock model;
            if (model.owns()) {
                controller_.refreshMarkers();
            }
        }
        if (finished) {
            stopRequested_.store(true);
            break;
        }
        platform::sleepMillis(3);
    }
    {
        std::lock_guard<std::mutex> guard(controller_.stepLock());
        controller_.resetAllAcceleration();
    }
    ended_.store(true);
}

void CTrainControlerThread::markEndedByHand() {
    stopRequested_.store(true);
    ended_.store(true);
}

} // namespace trains
