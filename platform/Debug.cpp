#include "platform/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace platform {

bool debugEnabled() {
    const char* value = std::getenv("ZARNOLT_DEBUG");
    return value != nullptr && value[0] != '\0' && std::string_view(value) != "0";
}

void debugOut(std::string_view text) {
    if (!debugEnabled()) {
        return;
    }
    static std::mutex lock;
    std::string line(text);
    if (line.empty() || line.back() != '\n') {
        line.push_back('\n');
    }
    std::lock_guard guard(lock);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace platform
