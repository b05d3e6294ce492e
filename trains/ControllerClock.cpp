#include "trains/ControllerClock.h"

#include <cmath>

#include "platform/Clock.h"
#include "trains/CTrackControlItemManager.h"

namespace trains {

double ControllerClock::now() const {
    if (manual_.load()) {
        return seconds_.load();
    }
    return static_cast<double>(platform::monotonicMillis()) * 0.001;
}

namespace {

// Setting the clock to another time is no passing of time: every running hold keeps the time
// it has already waited.
void keepHoldsAcross(double before, double after) {
    if (CTrackControlItemManager* manager = controlItemManager()) {
        manager->shiftHoldClocks(after - before);
    }
}

} // namespace

void ControllerClock::setManual(double seconds) {
    const bool wasManual = manual_.load();
    const double before = now();
    seconds_.store(std::isfinite(seconds) ? seconds : 0.0);
    manual_.store(true);
    // Driven time set forward is time passing; set back, or taken over from the monotonic
    // clock, it starts a new count.
    if (!wasManual || now() < before) {
        keepHoldsAcross(before, now());
    }
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
    const double before = now();
    manual_.store(false);
    keepHoldsAcross(before, now());
}

ControllerClock& controllerClock() {
    static ControllerClock clock;
    return clock;
}

} // namespace trains
