#include "items/ItemCatalogue.h"

#include "platform/Paths.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace items {
namespace fs = std::filesystem;

namespace {

void scanFolder(const fs::path& folder, std::map<std::string, CatalogueEntry, std::less<>>& into,
                int depth) {
    // Symbolic links could make a cycle; a depth limit keeps the scan finite.
    constexpr int kMaxDepth = 64;
    if (depth > kMaxDepth) {
        return;
    }
    std::error_code error;
    std::vector<fs::directory_entry> children;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        children.push_back(*it);
    }
    std::sort(children.begin(), children.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) {
                  return a.path().filename().string() < b.path().filename().string();
              });
    for (const fs::directory_entry& child : children) {
        const std::string name = child.path().filename().string();
        if (name.empty() || name.front() == '.') {
            continue;
        }
        if (child.is_directory(error)) {
            scanFolder(child.path(), into, depth + 1);
        } else if (!into.contains(name)) {
            into.emplace(name, CatalogueEntry{name, child.path()});
        }
    }
}

std::mutex catalogueMutex;
ItemCatalogue processCatalogue;

} // namespace

void ItemCatalogue::scan(const fs::path& folder) {
    scanFolder(folder, entries_, 0);
}

std::optional<fs::path> ItemCatalogue::find(std::string_view baseName) const {
    const auto it = entries_.find(baseName);
    if (it == entries_.end()) {
        return std::nullopt;
    }
    return it->second.fullPath;
}

std::size_t buildCatalogue() {
    std::lock_guard lock(catalogueMutex);
    if (processCatalogue.empty()) {
        if (const auto data = platform::dataFolder()) {
            processCatalogue.scan(*data / kItemFolderName);
        }
    }
    return processCatalogue.size();
}

std::optional<fs::path> findInCatalogue(std::string_view baseName) {
    buildCatalogue();
    std::lock_guard lock(catalogueMutex);
    return processCatalogue.find(baseName);
}

void resetCatalogue() {
    std::lock_guard lock(catalogueMutex);
    processCatalogue = ItemCatalogue();
}

} // namespace items
