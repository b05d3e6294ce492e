#include "platform/RenderLock.h"

namespace platform {

std::recursive_mutex& renderLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::atomic<bool>& frameInProgress() {
    static std::atomic<bool> flag{false};
    return flag;
}

} // namespace platform
