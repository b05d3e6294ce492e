#pragma once
#include <functional>
#include <string_view>

namespace editing {

// The question asked before a board shrinks over track or items (UTF-8, two lines).
inline constexpr std::string_view kShrinkQuestion =
    "編集中のレイアウトサイズを小さくしてよろしいですか？\n"
    "レイアウト上のいくつかの線路またはアイテムが削除されます。";

// Where the old board's top-left cell lands on the new board for one of the nine alignment
// buttons 0 … 8 (row by row: column part n mod 3, row part n div 3; 0 left or top, 1 centre,
// 2 right or bottom). Alignments outside 0 … 8 count as 0.
struct BoardShift {
    int x = 0;
    int z = 0;
};
BoardShift resizeShift(int oldColumns, int oldRows, int newColumns, int newRows, int alignment);

// Whether resizing to the new size with the alignment would drop a non-empty tile of any
// layer off the board.
bool resizeDropsTiles(int newColumns, int newRows, int alignment);

enum class ResizeResult {
    Resized,
    Cancelled, // the user declined the shrink question
    Refused,   // no document, or a size outside 1 … 999
};

// Resizes the board of the current document, keeping tiles, landscape items and vehicles at
// the shifted place and dropping what falls outside. When tiles would be lost, `confirm` is
// asked kShrinkQuestion first (no confirm: proceed). The light goes back to its standard
// place; the show-terrain flag survives. Ends with afterEdit.
ResizeResult resizeBoard(int newColumns, int newRows, int alignment,
                         const std::function<bool(std::string_view question)>& confirm = {});

} // namespace editing
