// Feeds arbitrary bytes to the item model loader. A loaded item is written, read back and
// written again: the two files must be identical.
#include "items/C3DItemObject.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    items::C3DItemObject item;
    if (!item.loadFromMemory(std::span(data, size))) {
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
