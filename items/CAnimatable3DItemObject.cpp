#include "items/CAnimatable3DItemObject.h"

#include "items/ItemRegistry.h"
#include "platform/Clock.h"

#include <cmath>

namespace items {

double CAnimatable3DItemObject::nowSeconds() {
    return static_cast<double>(platform::tickCount()) / 1000.0;
}

void CAnimatable3DItemObject::start(double now) {
    running_ = true;
    startTime_ = now;
}

void CAnimatable3DItemObject::start() {
    start(nowSeconds());
}

void CAnimatable3DItemObject::advance(double now) {
    if (now < startTime_) {
        startTime_ = now;
    }
    const double elapsed = now - startTime_;
    if (!running_ || elapsed <= interval_ || frames_.empty() || interval_ <= 0.0) {
        return;
    }
    const auto steps = static_cast<std::int64_t>(std::floor(elapsed / interval_));
    const auto count = static_cast<std::int64_t>(frames_.size());
    current_ = static_cast<std::int32_t>((current_ + steps % count) % count);
    startTime_ = now;
}

void CAnimatable3DItemObject::advance() {
    advance(nowSeconds());
}

C3DItemObject* CAnimatable3DItemObject::frameForDrawing(double now) {
    if (frames_.empty()) {
        return nullptr;
    }
    if (current_ < 0 || static_cast<std::size_t>(current_) >= frames_.size()) {
        current_ = 0;
    }
    C3DItemObject* frame = frames_[static_cast<std::size_t>(current_)];
    if (running_) {
        advance(now);
    }
    return isLiveItem(frame) ? frame : nullptr;
}

C3DItemObject* CAnimatable3DItemObject::frameForDrawing() {
    return frameForDrawing(nowSeconds());
}

BoundingBox CAnimatable3DItemObject::boundingBox(double tileSize) const {
    if (frames_.empty()) {
        return {};
    }
    const std::size_t index = static_cast<std::size_t>(current_) < frames_.size() ? current_ : 0;
    const C3DItemObject* frame = frames_[index];
    return isLiveItem(frame) ? frame->boundingBox(tileSize) : BoundingBox{};
}

} // namespace items
