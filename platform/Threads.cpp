#include "platform/Threads.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

bool lowerCurrentThreadToIdle() {
    sched_param param{};
    param.sched_priority = 0;
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0) {
        return true;
    }
    // On Linux the nice value is per thread when addressed by its thread id.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, tid, 19) == 0;
}

std::thread startIdleThread(std::function<void()> body) {
    return std::thread([body = std::move(body)] {
        lowerCurrentThreadToIdle();
        body();
    });
}

} // namespace platform
