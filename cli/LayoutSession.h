#pragma once
#include <functional>
#include <memory>
#include <string>

#include "model/CZarnoltDocument.h"

namespace cli {

// The document the layout commands work on, with the core libraries assembled
// (setup::installProgramHooks).
class LayoutSession {
public:
    // columns and rows 0 take the preference sizes.
    LayoutSession(int columns = 0, int rows = 0);
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
