// Feeds arbitrary bytes to the geometry node block loader. A tree that loads is measured, its
// vertex arrays are built, and it is written and read back: the second writing must give the
// same bytes as the first.
#include "items/geometry/C3DObject.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void buildArrays(const items::C3DObject& node) {
    if (node.faceSet() != nullptr) {
        node.faceSet()->buildVertexArray(0.5);
    }
    for (const auto& child : node.children()) {
        buildArrays(*child);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    items::C3DObject root;
    if (root.load(std::span(data, size)) == items::LoadStatus::Refused) {
        return 0;
    }
    (void)root.sizeCounts();
    (void)root.bounds(1.0);
    std::vector<std::pair<int, items::BoundingBox>> parts;
    root.collectPartBoxes(2.0, {1, 2, 3}, parts);
    buildArrays(root);

    const std::vector<std::uint8_t> first = root.save();
    items::C3DObject again;
    if (again.load(first) != items::LoadStatus::Loaded || again.save() != first) {
        std::abort();
    }
    return 0;
}
