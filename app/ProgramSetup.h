#pragma once

namespace app {

// Installs the core's services the program needs before any document exists: the layout file
// reader and writer (with the tile pictures) and the trains chunk. The one place where the
// program wires the core together.
void installProgramServices();

} // namespace app
