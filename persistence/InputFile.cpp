#include "persistence/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace persistence {

std::optional<InputFile> InputFile::open(const std::filesystem::path& path, std::string& error) {
    // Not blocking: opening a pipe without a writer must not hang before it is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        error = S_ISDIR(info.st_mode) ? "a folder, not a file" : "not a regular file";
        ::close(fd);
        return std::nullopt;
    }
    return InputFile(fd, static_cast<std::uint64_t>(info.st_size));
}

InputFile::InputFile(InputFile&& other) noexcept : fd_(other.fd_), size_(other.size_) {
    other.fd_ = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
    }
    return *this;
}

InputFile::~InputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

namespace {

// Calls `readSome(done)` (one system read into the rest, after `done` bytes) until `count`
// bytes are read, the file ends or an error other than an interruption stops it.
template <typename ReadSome> std::size_t readFully(std::size_t count, ReadSome&& readSome) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = readSome(done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace

std::size_t InputFile::read(std::uint8_t* into, std::size_t count) {
    return readFully(count,
                     [&](std::size_t done) { return ::read(fd_, into + done, count - done); });
}

std::size_t InputFile::readAt(std::uint64_t offset, std::uint8_t* into, std::size_t count) {
    return readFully(count, [&](std::size_t done) {
        return ::pread(fd_, into + done, count - done, static_cast<off_t>(offset + done));
    });
}

} // namespace persistence
