#pragma once
#include <functional>
#include <memory>
#include <string>

#include "model/CZarnoltDocument.h"

namespace cli {

// Whether the tool ends without tearing the model down: the process is about to go and the
// system takes its memory back at once, while freeing a big model piece by piece takes about
// a second. Sanitizer builds tear down as usual, so that their leak check stays meaningful.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSkipTeardownAtExit = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSkipTeardownAtExit = false;
#else
inline constexpr bool kSkipTeardownAtExit = true;
#endif
#else
inline constexpr bool kSkipTeardownAtExit = true;
#endif

// Flushes the output and ends the process with the exit code; without kSkipTeardownAtExit it
// only returns the code for main to return.
int finishProcess(int exitCode);

// The document the layout commands work on, with the core libraries assembled
// (setup::installProgramHooks).
class LayoutSession {
public:
    // columns and rows 0 take the preference sizes.
    LayoutSession(int columns = 0, int rows = 0);
    // Saves the preferences; the model itself is left for the process exit when
    // kSkipTeardownAtExit holds (see finishProcess), else it is cleared and freed.
    ~LayoutSession();
    LayoutSession(const LayoutSession&) = delete;
    LayoutSession& operator=(const LayoutSession&) = delete;

    model::CZarnoltDocument& document() { return *document_; }

    // Reads a layout; on refusal prints "zarnolt-cli <command>: <file>: <reason>" on stderr
    // and returns false. A damaged layout is read as far as it goes, with one line
    // "zarnolt-cli <command>: <file>: warning: <what was not read>" on stderr.
    bool read(const std::string& command, const std::string& file);
    // Writes a layout; on failure prints one line with the system's reason on stderr and
    // returns false.
    bool write(const std::string& command, const std::string& file);

private:
    std::unique_ptr<model::CZarnoltDocument> document_;
};

// Runs a command body, turning an exhausted memory into a one-line failure (exit code 1).
int guarded(const std::string& command, const std::function<int()>& body);

} // namespace cli
