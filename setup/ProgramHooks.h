#pragma once

namespace setup {

// Joins the core libraries to one another the way every program needs them: the layout file
// reader and writer with the trains chunk, the document's clear stages the core owns (stop
// the trains at once, delete the vehicles, delete the landscape items), the loading of the
// vehicles' item models, the point-control manager with the station and reversing rules,
// the landscape items, and the tile pictures (from PNG bytes, and the built-in pictures of the
// data folder, such as 11998 for catalogue pieces). Call it once at start, before the first
// document is made; calling it again changes nothing, and a hook already set is kept. The
// renderer and the editor then install their own hooks (see setup/README.md).
void installProgramHooks();

} // namespace setup
