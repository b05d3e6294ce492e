#pragma once
#include <string_view>

namespace platform {

// True when the environment variable ZARNOLT_DEBUG is set to anything but "" or "0".
bool debugEnabled();

// Writes one line of developer diagnostics to stderr when debugging is enabled; otherwise
// does nothing. A newline is added when the text lacks one. Safe from any thread.
void debugOut(std::string_view text);

} // namespace platform
