#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace render {

// Paces the 3D view while no train runs: every 5 ms it asks the view to repaint (while trains
// run, the train controller's steps ask instead). It never draws; drawing stays on the view's
// thread. Runs at idle priority.
class CDocumentRendererThread {
public:
    struct Hooks {
        // True while the train controller's thread runs.
        std::function<bool()> trainsRunning;
        // True while the main window and a 3D view exist.
        std::function<bool()> viewExists;
        // Invalidates the 3D view; must only post a request, never draw.
        std::function<void()> requestRepaint;
    };

    // With `idlePriority` false the loop runs at normal priority (for callers that must see it
    // run on a busy machine, such as tests).
    explicit CDocumentRendererThread(Hooks hooks, bool idlePriority = true);
    // Stops and joins the thread.
    ~CDocumentRendererThread();
    CDocumentRendererThread(const CDocumentRendererThread&) = delete;
    CDocumentRendererThread& operator=(const CDocumentRendererThread&) = delete;

    // Starts the loop unless it runs already.
    void start();
    // Ends the loop and waits for the thread.
    void stop();
    bool running() const { return thread_.joinable(); }

    // One turn of the loop at `nowSeconds`: asks for a repaint when no train runs, a view
    // exists and the time moved on since the last request. True when it asked.
    bool step(double nowSeconds);

    static constexpr int kIntervalMillis = 5;

private:
    void run();

    Hooks hooks_;
    bool idlePriority_ = true;
    double lastRequest_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;
};

} // namespace render
