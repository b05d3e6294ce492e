#pragma once
#include "items/geometry/GeometryTypes.h"

#include <GL/gl.h>
#include <array>
#include <cstdint>

namespace items {
class CDXF_3DFACE;
class CPrimitive;
class CRIB_Attribute;
} // namespace items

namespace render::opengl {

// The GL drawing of the parts of a geometry node other than its face set, and the boxes the
// item drawing uses. Everything is drawn at the current matrix in model units; the caller
// has set the colour, the winding and the enables.

// The RGB colour (0-1) of a DXF colour number: the 256 entries of the DXF colour index, each
// 8-bit channel c taken as the 16-bit value c * 256 + 255. A number outside 0-255 gives entry
// 7 (white).
std::array<float, 3> dxfColour(int number);

// A box, sphere or cylinder primitive centred on the origin (the cylinder along y). Sphere and
// cylinder segment counts are limited to 3 … 360; other types draw nothing.
void drawPrimitive(const items::CPrimitive& primitive);

// A closed cylinder along z from -length/2 to length/2 with `segments` sides (3 … 360).
void drawClosedCylinder(double radius, double length, int segments);

// A solid box between two corners, one normal per face, wound counter-clockwise outside.
void drawSolidBox(const items::BoundingBox& box);

// The twelve edges of a box as lines.
void drawBoxEdges(const items::BoundingBox& box);

// The faces imported from DXF. `colours` sets each face's palette colour; `doubleSided` draws
// each face a second time with its corners reversed. `counterClockwise` says which winding the
// front faces have, for the direction of the normals. Repeated corners of a face are dropped;
// faces left with three corners draw as a triangle, with four as a quad (split into two
// triangles when bent), others not at all.
void drawDxfFaces(const items::CDXF_3DFACE& faces, bool colours, bool doubleSided,
                  bool counterClockwise);

// The polygons imported from RIB, in record order; `colours` lets colour records set the
// colour (R, G, B, 1) of the records after them. Counts and indices that run beyond the
// record's lists end the polygon or are skipped.
void drawRibPolygons(const items::CRIB_Attribute& polygons, bool colours);

} // namespace render::opengl
