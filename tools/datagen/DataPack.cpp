#include "tools/datagen/DataPack.h"

#include "tools/datagen/ItemModels.h"
#include "tools/datagen/SteamSound.h"
#include "tools/datagen/Textures.h"

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

bool writeDataPack(const fs::path& dataFolder) {
    std::error_code error;
    fs::create_directories(dataFolder, error);
    if (error) {
        return false;
    }
    if (!writeTextures(dataFolder) || !writeSounds(dataFolder)) {
        return false;
    }
    writeItemModels(dataFolder);
    return true;
}

bool generateDataPack(const fs::path& outputFolder) {
    const fs::path target = fs::absolute(outputFolder);
    fs::path partial = target;
    partial += ".partial";
    std::error_code error;
    fs::remove_all(partial, error);
    if (error) {
        std::fprintf(stderr, "cannot clear %s\n", partial.c_str());
        return false;
    }
    if (!writeDataPack(partial)) {
        std::fprintf(stderr, "cannot write the data pack into %s\n", partial.c_str());
        fs::remove_all(partial, error);
        return false;
    }
    fs::remove_all(target, error);
    if (!error) {
        fs::rename(partial, target, error);
    }
    if (error) {
        std::fprintf(stderr, "cannot move the data pack to %s: %s\n", target.c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}

} // namespace datagen
