#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

// One file shown by a catalogue page: its file name and its full path.
struct CatalogueFile {
    std::string name;
    std::filesystem::path path;
};

// The key catalogue names are ordered by: the name's Shift-JIS bytes, or its UTF-8 bytes when
// it has no Shift-JIS form.
std::string catalogueSortKey(std::string_view utf8Name);

// The files of `folder` in key order. Depth 0 lists the folder itself; depth 1 adds the files of
// its immediate subfolders, and so on. Names that are empty or begin with "." are skipped;
// when several files share a name, the first met (the folder's own entries in key order,
// subfolders entered where their names fall) wins. A missing folder yields nothing.
std::vector<CatalogueFile> scanCatalogueFolder(const std::filesystem::path& folder, int depth);

// The page names of a catalogue folder: `allPage` first, then its subfolders in key order
// without names beginning with ".", except that "その他" and then "ユーザーアイテム" come last
// when present.
std::vector<std::string> cataloguePages(const std::filesystem::path& folder,
                                        const std::string& allPage);

} // namespace editor
