#include "tools/datagen/DataPack.h"
#include "tools/datagen/FolderSwap.h"

#include "tools/datagen/ItemModels.h"
#include "tools/datagen/SteamSound.h"
#include "tools/datagen/Textures.h"

#include <cstdio>
#include <system_error>

namespace fs = std::filesystem;

namespace datagen {

namespace {

constexpr const char* kPackFolders[] = {"C3DItem_Buildin", "C3DItem_File", "Sounds_Buildin",
                                        "Texture_Buildin"};

// An existing output folder is replaced only when it is empty or holds a data pack folder.
bool holdsDataPack(const fs::path& folder) {
    std::error_code error;
    if (fs::is_empty(folder, error)) {
        return !error;
    }
    for (const char* name : kPackFolders) {
        if (fs::is_directory(folder / name, error)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool writeDataPack(const fs::path& dataFolder) {
    std::error_code error;
    fs::create_directories(dataFolder, error);
    if (error) {
        return false;
    }
    return writeTextures(dataFolder) && writeSounds(dataFolder) && writeItemModels(dataFolder);
}

bool generateDataPack(const fs::path& outputFolder) {
    const fs::path target = fs::absolute(outputFolder);
    return writeFolderInPlace(
        target, holdsDataPack, [](const fs::path& folder) { return writeDataPack(folder); },
        "data pack");
}

} // namespace datagen
