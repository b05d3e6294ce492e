#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace persistence {

// A regular file opened for reading, closed with the object. Reading from the start lets a
// reader check a file's head before it takes the rest.
class InputFile {
public:
    // Opens a regular file; nothing for anything else (missing, a folder, a device or pipe,
    // unreadable), with the reason in `error`.
    static std::optional<InputFile> open(const std::filesystem::path& path, std::string& error);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // The size the file had when it was opened.
    std::uint64_t size() const { return size_; }
    // Reads up to `count` bytes from the current position; fewer at the end of the file or on
    // a read error (a file that shrinks while it is read gives the bytes that were there).
    std::size_t read(std::uint8_t* into, std::size_t count);
    // Reads up to `count` bytes from `offset` on, without moving the current position; fewer
    // in the same cases as read().
    std::size_t readAt(std::uint64_t offset, std::uint8_t* into, std::size_t count);

private:
    InputFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace persistence
