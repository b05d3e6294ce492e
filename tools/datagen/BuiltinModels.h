#pragma once
#include "tools/datagen/Catalogue.h"

#include <vector>

namespace datagen {

// The numbers of the built-in item models the program loads: the sun marker (128), the
// concrete pier parts (129 column block, 130 head, 131 column segment), the speedometer panel
// (132), a single wheel (133), the axle (134) and the wheels of bogie numbers 1 … 4
// (135 … 138).
inline constexpr int kFirstBuiltinModel = 128;
inline constexpr int kLastBuiltinModel = 138;

// The files "<number>.zn3" of the built-in item folder, in number order.
std::vector<GeneratedItem> builtinModels();

} // namespace datagen
