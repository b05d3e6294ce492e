#pragma once
#include <array>

#include "render/SceneMetrics.h"

namespace render::opengl {

class BuiltinTextures;

// The slab the board stands on in the standard view: four textured rims (texture 0) around
// the board, the slab's underside, and a name plate on the front rim (texture 8). Drawn in
// white; meant to be compiled once into its cached list.
void drawBasePlate(const SceneMetrics& metrics, BuiltinTextures& textures);

// The floor around the slab at its underside, reaching twice the board's larger side beyond
// the board, in the clear colour, unlit and untextured, so that the board seems to float over
// an endless floor. Drawn every frame, outside the cached list.
void drawBaseFloor(const SceneMetrics& metrics, const std::array<float, 4>& colour);

} // namespace render::opengl
