#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/CZarnoltDocument.h"

namespace persistence {

// Largest layout file the reader takes: the header's length field cannot describe more.
inline constexpr std::uint64_t kMaxLayoutFileBytes = 0xFFFFFFFFull;

// The whole layout file of the current model: header, "TrkD", "LnI2" (with landscape items),
// "TrnC" (when the trains library builds one) and "Cenv".
std::vector<std::uint8_t> buildLayoutFile(const model::CZarnoltDocument& document);

// Writes the layout file through a temporary file in the destination's folder (the old file
// stays untouched on any failure). False when the file could not be written completely or
// would be larger than its 32-bit header fields can describe; `error`, when given, then says
// why in one English line.
bool writeLayoutFile(const model::CZarnoltDocument& document, const std::filesystem::path& path,
                     std::string* error = nullptr);

// Why a layout was refused (or Read when it was not).
enum class LayoutReadResult {
    Read,
    CannotOpen, // missing, not a regular file or unreadable
    TooShort,   // shorter than the 296-byte header
    WrongMagic, // does not start with "Zn02"
    TooLarge,   // a sound header, but longer than a layout file can be
};

// Reads a layout held in memory into the model. A refused layout (too short, wrong magic)
// leaves the model untouched. Otherwise the model is cleared, the board takes the header's
// size (each value clamped into 1 … 999) and the default environment, and the chunks are read in
// order until the data ends or a chunk head cannot be believed (length below 8 or past the end);
// what was read before stays. The progress callback gets (bytes so far, header total, fileName)
// after each chunk and once more at the end. Then points without a number get the lowest free one
// and the model-wide recomputation runs.
// `message`, when given, is emptied, and receives one English line when the layout was read
// but damage cut parts of it off (naming them), or the reason for a refusal.
LayoutReadResult readLayoutBytes(model::CZarnoltDocument& document,
                                 std::span<const std::uint8_t> bytes,
                                 const model::LoadProgressCallback& progress = {},
                                 std::string_view fileName = {}, std::string* message = nullptr);

// The same from a file. Only the 296-byte header is read before the file is refused or taken,
// so a file that is no layout is refused at once, whatever its size.
LayoutReadResult readLayoutFile(model::CZarnoltDocument& document,
                                const std::filesystem::path& path,
                                const model::LoadProgressCallback& progress = {},
                                std::string* message = nullptr);

// A one-line English reason for a refusal.
const char* describe(LayoutReadResult result);

// Makes this library the document's layout file reader and writer (which leave their refusal
// reasons, write errors and damage warnings in the document's file message), and the maker of
// tile pictures from PNG bytes when none is installed. Calling it again changes nothing.
void installLayoutFileHandlers();

// The recomputation after loading, for a model whose tiles were just made (by the reader or
// by hand): hills register their terrain ranges on the tiles, cover flags are recomputed when
// landscape items exist, and the heights and ramps of every line are rebuilt. `longDiagonals`
// false says that no line has shape 6 (the straightening of long diagonals is skipped).
void recomputeAfterLoading(bool longDiagonals = true);

} // namespace persistence
