#pragma once
#include <cstdint>
#include <span>

namespace items {
class C3DObject;
}

namespace import {

// Reads the "3DFACE" entities of a DXF file into one face list on `target` (which the caller
// has cleared). Group codes and values come in pairs of lines; the codes of other entities and
// fields are skipped with their values. Returns kImportEnd at "EOF" or the end of the bytes,
// kImportBadHeader when no "SECTION" comes before "EOF" or the end, kImportFailed without a
// target.
int importDxf(std::span<const std::uint8_t> bytes, items::C3DObject* target);

} // namespace import
