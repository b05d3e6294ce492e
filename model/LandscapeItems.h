#pragma once
#include <cstddef>
#include <functional>
#include <vector>

namespace model {

class CLandscapeItem;

// Hooks the renderer installs to hear about terrain changes. May be empty.
struct LandscapeHooks {
    // The height grids changed: the renderer rebuilds its terrain mesh and shared lists.
    std::function<void()> rebuildTerrain;
};

LandscapeHooks& landscapeHooks();

// The process-wide landscape items. The container owns every item and lists them in creation
// order (the order the file writer uses, so a loaded layout saves in its own order). Creating the first item joins the container to the
// model: the tiles see the items through modelHooks().landscapeItems and the document's clear
// deletes them at its landscape stage.
CLandscapeItem* createLandscapeItem();
// Deletes one item (its terrain ranges leave the tiles, its pane is told) and recomputes the
// tiles' cover flags. False when the container does not hold the address.
bool deleteLandscapeItem(const CLandscapeItem* item);
// Deletes every item (the document's clear and the layout file reader).
void deleteAllLandscapeItems();
// The item at a stored address, or null when it is no longer held (a stale address).
CLandscapeItem* validLandscapeItem(const void* address);
std::vector<CLandscapeItem*> landscapeItems();
std::size_t landscapeItemCount();
// Registers every hill's terrain ranges afresh on the tiles it touches and recomputes the
// tiles' cover flags: for tiles and items read from a file, or tiles made under existing items.
void refreshAllTerrainRanges();
// Installs the model hook and the clear step when they are not set yet.
void installLandscapeSeams();

// The terrain height at a point in layout units over all items in creation order: starting
// flat at 0, a hollow lowers the height to its own when that is lower, a hill raises it.
double terrainHeightAt(double x, double z);

} // namespace model
