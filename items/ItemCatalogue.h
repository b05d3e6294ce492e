#pragma once
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace items {

// One file of the item folder: its base file name and its full path.
struct CatalogueEntry {
    std::string baseName;
    std::filesystem::path fullPath;
};

// A map from base file name (compared byte-wise) to the file, built from a folder tree.
class ItemCatalogue {
public:
    // Enters every file below `folder`, recursively. Names that are empty or begin with "."
    // are skipped (files and folders alike); the entries of each folder are visited in
    // byte-wise name order and the first file met under a name wins. A missing or unreadable
    // folder adds nothing. No extension filter is applied.
    void scan(const std::filesystem::path& folder);

    std::optional<std::filesystem::path> find(std::string_view baseName) const;
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::map<std::string, CatalogueEntry, std::less<>>& entries() const { return entries_; }

private:
    std::map<std::string, CatalogueEntry, std::less<>> entries_;
};

// The name of the item folder inside the data folder.
inline constexpr const char* kItemFolderName = "C3DItem_File";

// The process-wide catalogue of "C3DItem_File" in the data folder: scans it when still empty
// and returns the number of entries. A missing data folder gives an empty catalogue (scanned
// again on the next call, which finds it only if it has appeared).
std::size_t buildCatalogue();

// The full path of a base file name in the process-wide catalogue (building it when needed).
std::optional<std::filesystem::path> findInCatalogue(std::string_view baseName);

// Forgets the process-wide catalogue so that the next need scans the data folder again; for
// tests and for a change of the data folder.
void resetCatalogue();

} // namespace items
