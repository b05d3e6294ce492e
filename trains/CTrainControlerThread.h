#pragma once
#include <atomic>
#include <thread>

namespace trains {

class CTrainControler;

// The most time one step moves the trains by, in seconds.
inline constexpr double kMaxStepSeconds = 0.1;

// The controller's worker: a step every 3 ms at idle priority until the vehicles have braked
// to a stop or Stop is called. Without launch() the object can be stepped by hand.
class CTrainControlerThread {
public:
    // Both times start at the clock's present time.
    explicit CTrainControlerThread(CTrainControler& controller);
    ~CTrainControlerThread();
    CTrainControlerThread(const CTrainControlerThread&) = delete;
    CTrainControlerThread& operator=(const CTrainControlerThread&) = delete;

    // Starts the system thread; false when it could not be created.
    bool launch();
    void Stop() { stopRequested_.store(true); }
    bool isStopRequested() const { return stopRequested_.load(); }
    // One cycle, covering the time since the last one up to kMaxStepSeconds; true when
    // running has ended.
    bool step();
    // True once the system thread's loop has returned (or, stepped by hand, once a step
    // reported the end).
    bool hasEnded() const { return ended_.load(); }
    // Waits for the system thread, if any.
    void join();
    bool isLaunched() const { return worker_.joinable(); }
    // Ends a hand-stepped run: sets the stop request and reports the thread ended.
    void markEndedByHand();

private:
    void loop();

    CTrainControler& controller_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> ended_{false};
    double now_ = 0;
    double previous_ = 0;
    std::thread worker_;
};

} // namespace trains
