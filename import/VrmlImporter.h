#pragma once
#include <cstdint>
#include <span>

namespace items {
class C3DObject;
}

namespace import {

// Reads a VRML text model into `target` (which the caller has cleared): transforms, boxes,
// spheres, cylinders, indexed face sets with texture coordinates, pixel textures and material
// colours, with DEF/USE of coordinate lists. A keyword-driven scanner, not a full parser:
// what it does not know is skipped, and the nesting is kept by a stack of the words before
// each bracket. Returns kImportEnd at the end of the bytes, kImportBadHeader when the bytes do
// not start with "#VRML", kImportFailed without a target.
int importVrml(std::span<const std::uint8_t> bytes, items::C3DObject* target);

} // namespace import
