#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor at the end of its scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
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

FileWriteResult failure(std::string_view what, int error) {
    return {false, std::string(what) + ": " + std::strerror(error)};
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// Follows symbolic links to the name of the file they lead to (which need not exist yet).
bool followLinks(fs::path& path, int& error) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true;
        }
        std::error_code failed;
        const fs::path target = fs::read_symlink(path, failed);
        if (failed) {
            error = failed.value();
            return false;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    error = ELOOP;
    return false;
}

// The process that wrote a temporary file, from the digits after the prefix.
pid_t writerOf(std::string_view name, std::size_t prefixLength) {
    pid_t pid = 0;
    for (std::size_t i = prefixLength; i < name.size() && name[i] != '-'; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 99999999) {
            return 0;
        }
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

// Removes the temporary files of earlier saves of this file whose process has ended (a save
// that was killed); those of running processes may still be in use.
void removeStaleTemporaries(const fs::path& folder, const std::string& prefix) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const pid_t pid = writerOf(name, prefix.size());
        if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH) {
            ::unlink(it->path().c_str());
        }
    }
}

// A new short name in the folder for this process's temporary file.
fs::path temporaryName(const fs::path& folder, const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    return folder /
           (prefix + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
}

// Gives the new file the old file's owner and permission bits.
void takeOverAttributes(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only the superuser may give a file away; the file stays the saver's.
    }
    ::fchmod(fd, old.st_mode & 07777);
}

// Links an unnamed file into the folder under a fresh temporary name.
bool linkUnnamed(int fd, const fs::path& folder, const std::string& prefix, fs::path& named) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        named = temporaryName(folder, prefix);
        if (::linkat(fd, "", AT_FDCWD, named.c_str(), AT_EMPTY_PATH) == 0) {
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        // Without the right to link by descriptor, the descriptor's entry in /proc serves.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

} // namespace

std::string temporaryNamePrefix(const fs::path& destination) {
    // A 64-bit FNV-1a hash of the file name keeps the name short for any destination.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : destination.filename().string()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(".zarnolt-") + text + "-";
}

FileWriteResult replaceFileContents(const fs::path& destination,
                                    std::span<const std::uint8_t> bytes,
                                    const FileWriteOptions& options) {
    if (destination.filename().empty()) {
        return {false, "no file name"};
    }
    fs::path target = destination;
    int error = 0;
    if (!followLinks(target, error)) {
        return failure("cannot follow the link", error);
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return {false, "a folder of that name exists"};
    }
    if (exists && !S_ISREG(old.st_mode)) {
        return {false, "not a regular file (a pipe, device or socket is never replaced)"};
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = temporaryNamePrefix(target);
    removeStaleTemporaries(folder, prefix);

    FileDescriptor fd;
    fs::path named;
    const mode_t mode = static_cast<mode_t>(options.newFileMode & 07777);
    bool unnamed = false;
    if (options.unnamedTemporary) {
        fd.reset(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        unnamed = fd.valid();
    }
    for (int attempt = 0; attempt < 16 && !fd.valid(); ++attempt) {
        named = temporaryName(folder, prefix);
        fd.reset(::open(named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!fd.valid() && errno != EEXIST) {
            break;
        }
    }
    if (!fd.valid()) {
        return failure("cannot create a file in the folder", errno);
    }
    // From here on a failure removes the named temporary file, if there is one.
    auto fail = [&](std::string_view what, int code) {
        fd.close();
        if (!named.empty()) {
            ::unlink(named.c_str());
        }
        return failure(what, code);
    };
    if (exists) {
        takeOverAttributes(fd.get(), old);
    }
    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
        return fail("cannot write", errno);
    }
    if (unnamed && !linkUnnamed(fd.get(), folder, prefix, named)) {
        // Without a way to link it (no /proc, say), the content goes to a named file instead.
        fd.close();
        FileWriteOptions withName = options;
        withName.unnamedTemporary = false;
        return replaceFileContents(target, bytes, withName);
    }
    if (!fd.close()) {
        return fail("cannot write", errno);
    }
    if (::rename(named.c_str(), target.c_str()) != 0) {
        return fail("cannot replace the old file", errno);
    }
    // Make the rename itself durable; a folder that cannot be synced does not undo the save.
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid()) {
        ::fsync(folderFd.get());
    }
    return {true, {}};
}

} // namespace platform
