#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace persistence {

// Writes the bytes to a new temporary file in the destination's folder, flushes it to the
// disk, then renames it over the destination, so the destination is always either the old
// file or the complete new one. An existing destination's permissions carry over. False on
// any failure; the temporary file is removed and the old file stays untouched.
bool replaceFileContents(const std::filesystem::path& destination,
                         std::span<const std::uint8_t> bytes);

// The whole content of a regular file of at most `limit` bytes; nothing for anything else
// (missing, a folder, a device or pipe, unreadable, or larger than the limit).
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path,
                                                       std::uint64_t limit);

} // namespace persistence
