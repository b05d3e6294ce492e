#include "trains/RenderSync.h"

namespace trains {

std::atomic<bool>& frameInProgress() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::recursive_mutex& renderLock() {
    static std::recursive_mutex lock;
    return lock;
}

} // namespace trains
