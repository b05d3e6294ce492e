#include "platform/Paths.h"

#include <cstdlib>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;

namespace {
const char* nonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] != '\0') ? value : nullptr;
}
} // namespace

fs::path programFolder() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return fs::current_path(error);
    }
    return exe.parent_path();
}

std::optional<fs::path> dataFolder() {
    std::error_code error;
    if (const char* overridden = nonEmptyEnv("ZARNOLT_DATA")) {
        fs::path folder(overridden);
        if (fs::is_directory(folder, error)) {
            return folder;
        }
        return std::nullopt;
    }
    const fs::path program = programFolder();
    for (const fs::path& candidate :
         {program / kDataFolderName, program / ".." / "share" / "zarnolt" / kDataFolderName}) {
        if (fs::is_directory(candidate, error)) {
            return candidate.lexically_normal();
        }
    }
    return std::nullopt;
}

fs::path configFolder() {
    if (const char* overridden = nonEmptyEnv("ZARNOLT_CONFIG_DIR")) {
        return fs::path(overridden);
    }
    if (const char* xdg = nonEmptyEnv("XDG_CONFIG_HOME")) {
        return fs::path(xdg) / "zarnolt";
    }
    if (const char* home = nonEmptyEnv("HOME")) {
        return fs::path(home) / ".config" / "zarnolt";
    }
    return fs::path(".config") / "zarnolt";
}

} // namespace platform
