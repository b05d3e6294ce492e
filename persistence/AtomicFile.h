#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
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

// The bytes of a whole file, in a buffer that is not cleared before the file is read into it.
class FileContents {
public:
    FileContents(std::unique_ptr<std::uint8_t[]> data, std::size_t size)
        : data_(std::move(data)), size_(size) {}
    std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_;
};

// The whole content of a regular file of at most `limit` bytes; nothing for anything else
// (missing, a folder, a device or pipe, unreadable, or larger than the limit). A file that
// shrinks while it is read gives the bytes that were there.
std::optional<FileContents> readWholeFile(const std::filesystem::path& path, std::uint64_t limit);

} // namespace persistence
