// Feeds arbitrary bytes to one text model reader (ZARNOLT_FUZZ_FORMAT: VRML, RIB or DXF, one
// target each). Whatever it reads must be measurable, made storable and written as an item
// model that loads back with the same bytes.
#include "import/ItemFromModel.h"
#include "import/ModelImport.h"
#include "items/C3DItemObject.h"
#include "items/geometry/C3DObject.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    items::C3DItemObject item;
    std::string error;
    if (!import::itemFromModel(import::ModelFormat::ZARNOLT_FUZZ_FORMAT, std::span(data, size), 0,
                               item, error)) {
        return 0;
    }
    (void)item.boundingBox(1.0);
    (void)item.geometryCounts();
    const std::vector<std::uint8_t> written = item.serialize();
    items::C3DItemObject again;
    if (!again.loadFromMemory(written) || again.serialize() != written) {
        std::abort();
    }
    return 0;
}
