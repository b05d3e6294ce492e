#include "platform/Threads.h"

#include <atomic>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

TEST(Threads, IdleThreadRunsItsBodyAtIdlePriority) {
    std::atomic<bool> ran{false};
    std::atomic<bool> idle{false};
    std::thread worker = platform::startIdleThread([&] {
        int policy = 0;
        sched_param param{};
        pthread_getschedparam(pthread_self(), &policy, &param);
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
        idle = policy == SCHED_IDLE || nice == 19;
        ran = true;
    });
    worker.join();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(idle);
    // The caller's own priority is untouched.
    int policy = 0;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    EXPECT_NE(policy, SCHED_IDLE);
}
