#pragma once
#include <atomic>

namespace trains {

// Time in seconds for the controller and the point-control manager. It reads the monotonic
// clock unless it is driven by hand (tests, simulation), in which case time moves only when
// advanced, so that a run can be repeated exactly. Switching between the two, or setting the
// driven time back, keeps the time every running hold has waited. Safe from any thread.
class ControllerClock {
public:
    double now() const;
    // Switches to hand-driven time starting at `seconds`.
    void setManual(double seconds);
    // Moves hand-driven time on; negative or non-finite amounts are ignored.
    void advance(double seconds);
    void useMonotonic();
    bool isManual() const { return manual_.load(); }

private:
    std::atomic<bool> manual_{false};
    std::atomic<double> seconds_{0.0};
};

// The clock shared by the controller and the point-control manager.
ControllerClock& controllerClock();

} // namespace trains
