#pragma once
#include <filesystem>

namespace datagen {

// Writes the built-in item models ("C3DItem_Buildin") and the catalogue folders below
// "C3DItem_File" into the data folder.
void writeItemModels(const std::filesystem::path& dataFolder);

} // namespace datagen
