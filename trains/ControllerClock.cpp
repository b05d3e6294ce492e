#include "trains/ControllerClock.h"

#include <cmath>

#include "platform/Clock.h"

namespace trains {

double ControllerClock::now() const {
    if (manual_.load()) {
        return seconds_.load();
    }
    return static_cast<double>(platform::monotonicMillis()) * 0.001;
}

void ControllerClock::setManual(double seconds) {
    seconds_.store(std::isfinite(seconds) ? seconds : 0.0);
    manual_.store(true);
}

void ControllerClock::advance(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) {
        return;
    }
    double current = seconds_.load();
    while (!seconds_.compare_exchange_weak(current, current + seconds)) {
    }
}

void ControllerClock::useMonotonic() {
    manual_.store(false);
}

ControllerClock& controllerClock() {
    static ControllerClock clock;
    return clock;
}

} // namespace trains
