#include "persistence/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace persistence {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor at the end of its scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when closing reports an error (a delayed write failure).
    bool close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool replaceFileContents(const fs::path& destination, std::span<const std::uint8_t> bytes) {
    static std::atomic<unsigned> counter{0};
    if (destination.filename().empty()) {
        return false;
    }
    const fs::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
    fs::path temporary;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        temporary =
            folder / ("." + destination.filename().string() + ".tmp" + std::to_string(::getpid()) +
                      "-" + std::to_string(counter.fetch_add(1)));
        raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) {
            return false;
        }
    }
    FileDescriptor fd(raw);
    if (!fd.valid()) {
        return false;
    }
    struct stat old {};
    if (::stat(destination.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd.get(), old.st_mode & 07777);
    }
    const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written || ::rename(temporary.c_str(), destination.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable; a folder that cannot be synced does not undo the save.
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid()) {
        ::fsync(folderFd.get());
    }
    return true;
}

std::optional<FileContents> readWholeFile(const fs::path& path, std::uint64_t limit) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) > limit) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd.get(), bytes.get() + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break; // the file shrank while it was read: keep what is there
        }
        done += static_cast<std::size_t>(got);
    }
    return FileContents(std::move(bytes), done);
}

} // namespace persistence
