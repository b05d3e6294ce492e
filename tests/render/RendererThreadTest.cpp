// The repaint pacing of the 3D view while no train runs.
#include "render/CDocumentRendererThread.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

using render::CDocumentRendererThread;

TEST(RendererThread, AsksForARepaintOnlyWhileNoTrainRunsAndAViewExists) {
    bool trains = false;
    bool view = true;
    int requests = 0;
    CDocumentRendererThread pacing(
        {[&] { return trains; }, [&] { return view; }, [&] { ++requests; }});
    struct Step {
        double now;
        bool trains;
        bool view;
        bool asks;
    };
    const Step steps[] = {
        {1.000, false, true, true},   {1.000, false, true, false}, // same time: once
        {1.005, false, true, true},   {1.010, true, true, false},  // trains pace themselves
        {1.015, false, false, false},                              // no view
        {1.020, false, true, true},   {1.010, false, true, false}, // time never goes back
    };
    int expected = 0;
    for (const Step& s : steps) {
        trains = s.trains;
        view = s.view;
        EXPECT_EQ(pacing.step(s.now), s.asks) << s.now;
        expected += s.asks ? 1 : 0;
        EXPECT_EQ(requests, expected) << s.now;
    }
}

TEST(RendererThread, RunsUntilStoppedAndCanStartAgain) {
    std::mutex mutex;
    std::condition_variable changed;
    int requests = 0;
    CDocumentRendererThread pacing({[] { return false; }, [] { return true; },
                                    [&] {
                                        std::lock_guard<std::mutex> lock(mutex);
                                        ++requests;
                                        changed.notify_all();
                                    }},
                                   false); // an idle thread may starve on a busy machine
    for (int round = 0; round < 2; ++round) {
        int seen = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            seen = requests;
        }
        pacing.start();
        EXPECT_TRUE(pacing.running());
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return requests >= seen + 2; });
        lock.unlock();
        pacing.stop(); // joins: the loop has ended
        EXPECT_FALSE(pacing.running());
    }
}

} // namespace
