#pragma once
#include <filesystem>

namespace datagen {

// Writes the whole data pack into `dataFolder` (created when missing): built-in textures and
// pictures, the built-in sound, built-in item models and the catalogue folders. The output
// depends on nothing but this program's code, so two runs give identical bytes. False when a
// folder or file cannot be written.
bool writeDataPack(const std::filesystem::path& dataFolder);

// Replaces `outputFolder` with a freshly generated pack: the pack is written into a sibling
// folder first and moved into place only when complete, so a failed run leaves the previous
// pack untouched. An existing folder is replaced only when it is empty or holds a data pack
// folder ("Texture_Buildin" …). False (with a line on stderr) on failure.
bool generateDataPack(const std::filesystem::path& outputFolder);

} // namespace datagen
