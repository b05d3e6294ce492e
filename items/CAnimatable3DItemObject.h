#pragma once
#include "items/C3DItemObject.h"

#include <cstdint>
#include <vector>

namespace items {

// A frame-flip animation over a list of items (not owned): the current frame changes every
// `interval` seconds while the animation runs.
class CAnimatable3DItemObject {
public:
    static constexpr double kDefaultInterval = 1.0 / 360.0;

    void addFrame(C3DItemObject* frame) { frames_.push_back(frame); }
    void setFrames(std::vector<C3DItemObject*> frames) { frames_ = std::move(frames); }
    const std::vector<C3DItemObject*>& frames() const { return frames_; }
    void setInterval(double seconds) { interval_ = seconds; }
    double interval() const { return interval_; }
    bool isRunning() const { return running_; }
    std::int32_t currentFrame() const { return current_; }

    // Starts (or stops) the flipping; start measures from `now` (seconds).
    void start(double now);
    void start();
    void stop() { running_ = false; }

    // Moves on by the whole intervals elapsed since the start time (modulo the frame count)
    // and restarts the measurement at `now`; does nothing while stopped, without frames, with
    // an interval of 0 or less, or before a full interval has passed. A `now` earlier than the
    // start time becomes the new start time.
    void advance(double now);
    void advance();

    // The frame to draw now (an index beyond the list wraps to 0), after which a running
    // animation advances; none for an empty list or a frame that is no longer a live item.
    C3DItemObject* frameForDrawing(double now);
    C3DItemObject* frameForDrawing();

    // The box of the current frame at a tile size; an empty box without frames.
    BoundingBox boundingBox(double tileSize) const;

    // The tick counter in seconds.
    static double nowSeconds();

private:
    bool running_ = false;
    std::int32_t current_ = 0;
    std::vector<C3DItemObject*> frames_;
    double startTime_ = 0.0;
    double interval_ = kDefaultInterval;
};

} // namespace items
