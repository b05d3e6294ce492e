#pragma once

namespace app {

// Installs the core's services the program needs before any document exists (the same set-up
// as the command-line tool's: file handlers, clear stages, trains, control items, landscape,
// tile pictures). The one place where the program wires the core together.
void installProgramServices();

} // namespace app
