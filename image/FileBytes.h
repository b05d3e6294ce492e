#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace image {

// Largest file readFileBytes reads whole (256 MB); larger files are refused.
inline constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{256} << 20;

// The whole content of a regular file, or nothing when it cannot be opened, is larger than
// `limit`, or cannot be read completely.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path,
                                                       std::uintmax_t limit = kMaxFileBytes);

// Writes the bytes through the program's one atomic file writer (platform/AtomicFile.h): a
// temporary file in the destination's folder, flushed to the disk and renamed over the
// destination, so that a failed write never destroys the previous file. False on any failure.
bool writeFileBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace image
