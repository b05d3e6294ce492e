#include "tools/datagen/FolderSwap.h"

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

bool writeFolderInPlace(const fs::path& target, const std::function<bool(const fs::path&)>& write,
                        const char* what) {
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
