#include "editor/CatalogueFolder.h"

#include <algorithm>
#include <map>
#include <set>
#include <system_error>
#include <utility>

#include "platform/TextEncoding.h"

namespace editor {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOtherPage = "その他";
constexpr std::string_view kUserPage = "ユーザーアイテム";

std::string utf8Name(const fs::path& p) {
    const auto u8 = p.filename().u8string();
    return std::string(u8.begin(), u8.end());
}

// The entries of a folder (names not empty and not beginning with ".") in key order; a
// folder that cannot be listed gives none.
std::vector<fs::directory_entry> listFolder(const fs::path& folder) {
    std::vector<std::pair<std::string, fs::directory_entry>> keyed;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        return {};
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            break;
        }
        const std::string name = utf8Name(it->path());
        if (name.empty() || name.front() == '.') {
            continue;
        }
        keyed.emplace_back(catalogueSortKey(name), *it);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<fs::directory_entry> out;
    out.reserve(keyed.size());
    for (auto& k : keyed) {
        out.push_back(std::move(k.second));
    }
    return out;
}

void scanInto(const fs::path& folder, int depth, int level,
              std::map<std::string, CatalogueFile>& found) {
    for (const auto& entry : listFolder(folder)) {
        std::error_code ec;
        if (entry.is_directory(ec)) {
            if (depth >= level) {
                scanInto(entry.path(), depth, level + 1, found);
            }
            continue;
        }
        std::string name = utf8Name(entry.path());
        std::string key = catalogueSortKey(name);
        found.try_emplace(std::move(key), CatalogueFile{std::move(name), entry.path()});
    }
}

} // namespace

std::string catalogueSortKey(std::string_view utf8Name) {
    if (auto sjis = platform::utf8ToSjis(utf8Name)) {
        return std::move(*sjis);
    }
    return std::string(utf8Name);
}

std::vector<CatalogueFile> scanCatalogueFolder(const fs::path& folder, int depth) {
    std::map<std::string, CatalogueFile> found;
    scanInto(folder, depth, 1, found);
    std::vector<CatalogueFile> out;
    out.reserve(found.size());
    for (auto& [key, file] : found) {
        out.push_back(std::move(file));
    }
    return out;
}

std::vector<std::string> cataloguePages(const fs::path& folder, const std::string& allPage) {
    std::vector<std::string> pages{allPage};
    bool other = false;
    bool user = false;
    for (const auto& entry : listFolder(folder)) {
        std::error_code ec;
        if (!entry.is_directory(ec)) {
            continue;
        }
        const std::string name = utf8Name(entry.path());
        if (name == kOtherPage) {
            other = true;
        } else if (name == kUserPage) {
            user = true;
        } else {
            pages.push_back(name);
        }
    }
    if (other) {
        pages.emplace_back(kOtherPage);
    }
    if (user) {
        pages.emplace_back(kUserPage);
    }
    return pages;
}

} // namespace editor
