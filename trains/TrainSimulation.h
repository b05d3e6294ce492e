#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace trains {

// Something that happened to a vehicle during a simulated run.
struct SimulationEvent {
    double time = 0;          // seconds since the start of the run
    std::string kind;         // "station stop", "reversal", "coupling", "uncoupling", "halt"
    std::int32_t vehicle = 0; // 1-based position in the controller's list
    std::int32_t other = 0;   // the other vehicle of a coupling or uncoupling, else 0

    bool operator==(const SimulationEvent&) const = default;
};

// Where a vehicle stands at the end of a run; line is the 0-based index of its line among
// the lines of its tile (−1 when it stands nowhere).
struct SimulatedVehicle {
    std::int32_t number = 0;
    std::int32_t typeCode = 0;
    std::int32_t column = -1;
    std::int32_t row = -1;
    std::int32_t layer = -1;
    std::int32_t line = -1;
    double pointIndex = 0;
    double speed = 0;

    bool operator==(const SimulatedVehicle&) const = default;
};

struct SimulationResult {
    std::vector<SimulatedVehicle> vehicles;
    std::vector<SimulationEvent> events;
    std::int64_t steps = 0;

    // Two runs are the same when every place, speed and event is exactly equal.
    bool operator==(const SimulationResult&) const = default;
};

// Steps a running, hand-stepped controller (CTrainControler::start without its thread) on
// the hand-driven clock: one step every 3 ms of driven time and a tick of the hold timers every
// 100 ms, noting what happens to the vehicles. A run taken in several pieces makes exactly the
// steps of one taken at once.
class DrivenRun {
public:
    // Starts the driven clock at 0 and seeds the random line choices; construct it before the
    // controller starts, whose worker reads the clock when it is made.
    explicit DrivenRun(std::uint32_t seed);
    // Steps until `seconds` of driven time have passed since the start or running has ended.
    void runUntil(double seconds);
    std::int64_t steps() const { return result_.steps; }
    // What happened so far, and where every vehicle of the controller's list stands now.
    SimulationResult result() const;

private:
    SimulationResult result_;
};

// Runs the trains of the loaded layout for `seconds` of hand-driven time, one controller step
// every 3 ms and a tick of the hold timers every 100 ms, as fast as the machine allows, with random
// line choices seeded by `seed`. The trains start as the program's run starts them (a running
// controller is stopped at once first); the controller is idle again afterwards and the clock
// reads the monotonic time. A non-finite or negative duration runs no step.
SimulationResult runSimulation(double seconds, std::uint32_t seed);

} // namespace trains
