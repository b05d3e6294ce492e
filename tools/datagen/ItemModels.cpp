#include "tools/datagen/ItemModels.h"

#include "tools/datagen/Catalogue.h"

#include <iostream>
#include <string>

namespace datagen {

bool writeItemModels(const std::filesystem::path& dataFolder) {
    std::string error;
    if (!writeGeneratedItems(dataFolder, allItemModels(), error)) {
        std::cerr << "zarnolt-datagen: " << error << '\n';
        return false;
    }
    return true;
}

} // namespace datagen
