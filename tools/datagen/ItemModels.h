#pragma once
#include <filesystem>

namespace datagen {

// Writes the built-in item models ("C3DItem_Buildin") and the catalogue folders below
// "C3DItem_File" into the data folder. False (with a message on stderr) when a file could not
// be written.
bool writeItemModels(const std::filesystem::path& dataFolder);

} // namespace datagen
