#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace items {

class C3DItemObject;

// The process-wide item registry and the shared item maps. Every constructed item is
// registered until destroyed; the lookups hand out only registered items. Items created by the
// lookups are owned here and live until releaseAllItems; the pointers handed out stay valid
// until then. All functions are safe to call from any thread.

// Whether `item` is a constructed item that has not been destroyed.
bool isLiveItem(const C3DItemObject* item);

// The shared item loaded from the file of this base name: the item already loaded under the
// name, else the loaded item its legacy Japanese name translates to, else the file of that
// name in the item catalogue, loaded now. None when none of these exists or the file does not
// load.
C3DItemObject* getItemByFileName(std::string_view baseName);

// The shared built-in item of a number ("<number>.zn3" in the built-in item folder), loaded
// on first request; none when the file is missing or does not load.
C3DItemObject* getBuiltinItem(std::int16_t number);

// The night variant of an item: the item of the file "night_" + baseName, or none.
C3DItemObject* getNightItem(std::string_view baseName);

// Prepares every item loaded by name, then loads (when needed) and prepares the built-in items
// 128 to 138.
void prepareAllItems();

// Destroys every shared item and empties the name and number maps, holding the render lock.
// Items owned elsewhere leave the maps but are not destroyed. Run when the layout document is
// reset or closed.
void releaseAllItems();

// Number of items in the name map and in the number map.
std::size_t sharedItemCount();

// --- For C3DItemObject itself ---
void registerItem(C3DItemObject* item);
// Leaves the registry and every map entry that names the item.
void unregisterItem(C3DItemObject* item);
// Enters a loaded item under its base file name, replacing any earlier entry of that name.
void enterInNameMap(const std::string& baseName, C3DItemObject* item);

} // namespace items
