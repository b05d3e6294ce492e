#include "tools/datagen/ItemModels.h"

namespace datagen {

void writeItemModels(const std::filesystem::path&) {}

} // namespace datagen
