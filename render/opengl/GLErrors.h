#pragma once

namespace render::opengl {

// Reads the error flag; when it is set, reads and discards up to six further errors. Returns
// the first error (0 when none). With ZARNOLT_DEBUG set, names the caller on stderr.
unsigned checkGLError(const char* label);

// True while a display list is being recorded in the current context: nothing may then be
// created (no list names, no textures), only drawn.
bool listBeingCompiled();

} // namespace render::opengl
