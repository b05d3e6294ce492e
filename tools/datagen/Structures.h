#pragma once
#include "tools/datagen/Catalogue.h"

#include <string_view>
#include <vector>

namespace datagen {

// One structure of the structures catalogue: its file below the structures folder and a short
// English description.
struct StructureSpec {
    std::string_view file;
    std::string_view description;
};

// Every structure, in catalogue order. The names of the legacy name table are among them, so
// that layouts naming the older Japanese files find these.
const std::vector<StructureSpec>& structureSpecs();

// The files of the structures (model kind 0, no line or item flags), centred on the tile
// centre at their modelled size, each with a thumbnail.
std::vector<GeneratedItem> structureFiles();

} // namespace datagen
