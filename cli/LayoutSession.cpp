#include "LayoutSession.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>

#include "persistence/LayoutFile.h"
#include "setup/ProgramHooks.h"

namespace cli {

LayoutSession::LayoutSession(int columns, int rows) {
    setup::installProgramHooks();
    document_ = std::make_unique<model::CZarnoltDocument>(columns, rows);
}

LayoutSession::~LayoutSession() {
    if (kSkipTeardownAtExit) {
        document_->savePreferences();
        // Deliberately kept: finishProcess ends the process without freeing it.
        (void)document_.release();
    }
}

int finishProcess(int exitCode) {
    if (!kSkipTeardownAtExit) {
        return exitCode;
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

bool LayoutSession::read(const std::string& command, const std::string& file) {
    std::string message;
    const auto result = persistence::readLayoutFile(*document_, file, {}, &message);
    if (result != persistence::LayoutReadResult::Read) {
        std::cerr << "zarnolt-cli " << command << ": " << file << ": "
                  << (message.empty() ? persistence::describe(result) : message) << '\n';
        return false;
    }
    if (!message.empty()) {
        std::cerr << "zarnolt-cli " << command << ": " << file << ": warning: " << message << '\n';
    }
    return true;
}

bool LayoutSession::write(const std::string& command, const std::string& file) {
    if (!document_->writeFile(file)) {
        std::cerr << "zarnolt-cli " << command << ": " << file
                  << ": cannot write the layout file: " << document_->fileMessage() << '\n';
        return false;
    }
    return true;
}

int guarded(const std::string& command, const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::cerr << "zarnolt-cli " << command << ": out of memory\n";
        return 1;
    }
}

} // namespace cli
