#pragma once
#include <cstdint>
#include <span>

namespace items {
class C3DObject;
}

namespace import {

// Reads colours and polygons ("Color", "GeneralPolygon", "PointsPolygons") inside the
// attribute blocks of a RIB world into `target` (which the caller has cleared): each block
// becomes a child node with its own polygon list. Returns kImportEnd at "WorldEnd" or the end
// of the bytes, kImportBadHeader when no "WorldBegin" comes before "WorldEnd" or the end,
// kImportFailed without a target.
int importRib(std::span<const std::uint8_t> bytes, items::C3DObject* target);

} // namespace import
