#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace platform {

// The outcome of a file write: true, or false with the reason in a short English line that
// ends with the system's own words ("cannot write …: No space left on device").
struct FileWriteResult {
    bool written = false;
    std::string error;
    explicit operator bool() const { return written; }
};

struct FileWriteOptions {
    // Permission bits of a file that did not exist yet (the process's umask applies).
    unsigned newFileMode = 0666;
    // Whether the file may be written as an unnamed file first (linked into place once
    // complete); off, a short-named temporary file is written instead.
    bool unnamedTemporary = true;
};

// Replaces the content of `destination` so that it is at every moment either the old file or
// the complete new one: the bytes go to a temporary file in the same folder, are flushed to
// the disk and renamed over the destination. A symbolic link is followed, so its target gets
// the new content; a destination that exists and is not a regular file (a folder, a pipe, a
// device) is refused. An existing file keeps its permission bits (and, where allowed, its
// owner). A save that is killed leaves no named temporary file behind, or one that the next
// save of the same file removes.
FileWriteResult replaceFileContents(const std::filesystem::path& destination,
                                    std::span<const std::uint8_t> bytes,
                                    const FileWriteOptions& options = {});

// The name prefix of the short temporary files that saves of `destination` use in its
// folder: fixed for a file name, whatever its length.
std::string temporaryNamePrefix(const std::filesystem::path& destination);

} // namespace platform
