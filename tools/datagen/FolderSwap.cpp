#include "tools/datagen/FolderSwap.h"

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

namespace {

bool replaceable(const fs::path& folder, const FolderCheck& mayReplace) {
    std::error_code error;
    if (!fs::exists(folder, error)) {
        return !error;
    }
    return fs::is_directory(folder, error) && mayReplace(folder);
}

} // namespace

bool writeFolderInPlace(const fs::path& target, const FolderCheck& mayReplace,
                        const FolderCheck& write, const char* what) {
    if (!replaceable(target, mayReplace)) {
        std::fprintf(stderr, "%s exists and does not hold the %s; not replacing it\n",
                     target.c_str(), what);
        return false;
    }
    fs::path partial = target;
    partial += ".partial";
    std::error_code error;
    fs::remove_all(partial, error);
    if (error) {
        std::fprintf(stderr, "cannot clear %s\n", partial.c_str());
        return false;
    }
    if (!write(partial)) {
        std::fprintf(stderr, "cannot write the %s into %s\n", what, partial.c_str());
        fs::remove_all(partial, error);
        return false;
    }
    fs::remove_all(target, error);
    if (!error) {
        fs::rename(partial, target, error);
    }
    if (error) {
        std::fprintf(stderr, "cannot move the %s to %s: %s\n", what, target.c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}

} // namespace datagen
