#pragma once
// Runs the built zarnolt-cli as a user does and captures what it prints.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace testsupport {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the tool with the arguments (each quoted), its settings folder and its captured
// standard error in `scratch`.
inline CliRun runCli(const std::vector<std::string>& arguments, const TempFolder& scratch) {
    std::string command = "ZARNOLT_CONFIG_DIR='" + scratch.path().string() + "' '" +
                          ZARNOLT_BUILD_DIR + "/bin/zarnolt-cli'";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    const std::filesystem::path errFile = scratch / "stderr.txt";
    command += " 2>'" + errFile.string() + "'";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.out.append(buffer.data(), got);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return run;
}

} // namespace testsupport
