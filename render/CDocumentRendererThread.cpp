#include "render/CDocumentRendererThread.h"

#include <chrono>

#include "platform/Clock.h"
#include "platform/Threads.h"

namespace render {

CDocumentRendererThread::CDocumentRendererThread(Hooks hooks, bool idlePriority)
    : hooks_(std::move(hooks)), idlePriority_(idlePriority) {}

CDocumentRendererThread::~CDocumentRendererThread() {
    stop();
}

void CDocumentRendererThread::start() {
    if (thread_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = false;
    }
    if (idlePriority_) {
        thread_ = platform::startIdleThread([this] { run(); });
    } else {
        thread_ = std::thread([this] { run(); });
    }
}

void CDocumentRendererThread::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

bool CDocumentRendererThread::step(double nowSeconds) {
    if (hooks_.trainsRunning && hooks_.trainsRunning()) {
        return false;
    }
    if (!hooks_.viewExists || !hooks_.viewExists() || !hooks_.requestRepaint) {
        return false;
    }
    if (!(nowSeconds > lastRequest_)) {
        return false;
    }
    hooks_.requestRepaint();
    lastRequest_ = nowSeconds;
    return true;
}

void CDocumentRendererThread::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopRequested_) {
        lock.unlock();
        step(static_cast<double>(platform::monotonicMillis()) * 0.001);
        lock.lock();
        wake_.wait_for(lock, std::chrono::milliseconds(kIntervalMillis),
                       [this] { return stopRequested_; });
    }
}

} // namespace render
