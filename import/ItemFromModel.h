#pragma once
#include "import/ModelImport.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace items {
class C3DItemObject;
class C3DObject;
} // namespace items

namespace import {

// Rewrites an imported tree into parts that an item model file stores, drawing the same:
// - each node's RIB polygon list (which has no stored form) becomes child nodes, one per run
//   of polygons under one colour, coloured like it, whose face sets hold the polygons as
//   triangles and quads (larger polygons as fans), each with points of its own so that they
//   keep their face normals;
// - each node that draws a node defined under another name (USE) gets a copy of that node
//   as its child instead, since names are not stored either. Copies stop once they would
//   add more than `copyLimit` bytes of stored geometry; a reference left then draws nothing.
void makeStorable(items::C3DObject& root, std::size_t copyLimit = std::size_t{64} << 20);

// Builds an item model around a text model: the item is reset, given `kind`, the model is
// imported into its geometry root and made storable. False, with a one-line reason in
// `error`, when the import fails or yields no geometry.
bool itemFromModel(ModelFormat format, std::span<const std::uint8_t> bytes, std::int32_t kind,
                   items::C3DItemObject& item, std::string& error);

} // namespace import
