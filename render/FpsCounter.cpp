#include "render/FpsCounter.h"

#include <cstdio>

namespace render {

void FpsCounter::frame(double nowSeconds) {
    if (!started_) {
        started_ = true;
        lastUpdate_ = nowSeconds;
        frames_ = 0;
        return;
    }
    ++frames_;
    const double elapsed = nowSeconds - lastUpdate_;
    if (elapsed >= 0.5) {
        fps_ = frames_ / elapsed;
        frames_ = 0;
        lastUpdate_ = nowSeconds;
    }
}

std::string FpsCounter::text() const {
    char text[64];
    std::snprintf(text, sizeof text, "FPS: %0.1f", fps_);
    return text;
}

} // namespace render
