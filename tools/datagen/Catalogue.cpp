#include "tools/datagen/Catalogue.h"

#include "image/FileBytes.h"
#include "tools/datagen/BuiltinModels.h"
#include "tools/datagen/Structures.h"
#include "tools/datagen/TrackPieces.h"
#include "tools/datagen/Vehicles.h"

#include <fstream>
#include <system_error>

namespace datagen {

GeneratedItem finishItem(std::string relativePath, items::C3DItemObject& item, ThumbnailView view,
                         bool fitSize) {
    items::C3DObject& root = *item.geometryRoot();
    if (fitSize) {
        item.setSize(modelSizeInTiles(root));
    }
    if (item.thumbnail().empty()) {
        item.setThumbnail(thumbnailPng(root, view));
    }
    return GeneratedItem{std::move(relativePath), item.serialize()};
}

std::vector<GeneratedItem> allItemModels() {
    std::vector<GeneratedItem> all;
    for (auto* part : {&builtinModels, &trackPieceFiles, &structureFiles, &vehicleFiles}) {
        for (GeneratedItem& item : (*part)()) {
            all.push_back(std::move(item));
        }
    }
    return all;
}

bool writeGeneratedItems(const std::filesystem::path& dataFolder,
                         const std::vector<GeneratedItem>& files, std::string& error) {
    for (const GeneratedItem& file : files) {
        const std::filesystem::path path = dataFolder / file.relativePath;
        std::error_code code;
        std::filesystem::create_directories(path.parent_path(), code);
        if (code) {
            error = "cannot create folder " + path.parent_path().string() + ": " + code.message();
            return false;
        }
        if (const auto existing = image::readFileBytes(path); existing && *existing == file.bytes) {
            continue;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()),
                  static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (!out) {
            error = "cannot write " + path.string();
            return false;
        }
    }
    return true;
}

} // namespace datagen
