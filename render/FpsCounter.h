#pragma once
#include <string>

namespace render {

// Counts frames and turns them into the "FPS: %0.1f" text at most twice a second. The first
// frame starts the count, so a single frame always reads "FPS: 0.0".
class FpsCounter {
public:
    // Counts one frame drawn at `nowSeconds` (any monotonic origin).
    void frame(double nowSeconds);
    double fps() const { return fps_; }
    std::string text() const;

private:
    bool started_ = false;
    double lastUpdate_ = 0;
    int frames_ = 0;
    double fps_ = 0;
};

} // namespace render
