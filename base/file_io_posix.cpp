#include "base/file_io_platform.h"
#include "base/unique_handle.h"
#include "base/utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void closeDescriptor(int fd) {
    ::close(fd);
}
bool validDescriptor(int fd) {
    return fd >= 0;
}
using FileDescriptor = UniqueHandle<int, closeDescriptor, validDescriptor, -1>;

std::string nativePath(const std::u16string& path) {
    return toUtf8(path);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes the rename itself survive a power loss; a failure here leaves a valid file either way.
void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.get());
}

// read(2) that goes on after a signal.
long long readSome(int fd, char* into, std::size_t capacity) {
    for (;;) {
        const ssize_t got = ::read(fd, into, capacity);
        if (got >= 0 || errno != EINTR) return got;
    }
}

} // namespace

bool moveFileOver(const std::u16string& temporaryPath, const std::u16string& path) {
    return ::rename(nativePath(temporaryPath).c_str(), nativePath(path).c_str()) == 0;
}

std::optional<std::string> readWholeFile(const std::u16string& path) {
    FileDescriptor fd(::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return std::nullopt;
    const std::size_t announced =
        S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    return readUntilEnd(
        announced, [&fd](char* into, std::size_t capacity) { return readSome(fd.get(), into, capacity); });
}

bool pathExists(const std::u16string& path) {
    struct stat info {};
    return ::stat(nativePath(path).c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

bool readFileInPieces(const std::u16string& path, int passes, const PieceTaker& take) {
    FileDescriptor fd(::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    return fd &&
           takeInPieces(
               passes, [&fd](char* into, std::size_t capacity) { return readSome(fd.get(), into, capacity); },
               [&fd] { return ::lseek(fd.get(), 0, SEEK_SET) == 0; }, take);
}

bool fileHolds(const std::u16string& path, const std::function<bool(const ByteSink& sink)>& produce) {
    FileDescriptor fd(::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    return fd &&
           holdsBytes([&fd](char* into, std::size_t capacity) { return readSome(fd.get(), into, capacity); },
                      produce);
}

bool writeFileAtomically(const std::u16string& path,
                         const std::function<bool(const ByteSink& sink)>& produce) {
    const std::string target = nativePath(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    // A file we may not write stays as it is, as an in-place write would leave it.
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;

    std::u16string temporaryPath;
    FileDescriptor fd;
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
        temporaryPath = temporaryPathFor(path, static_cast<unsigned long>(::getpid()));
        fd.reset(::open(nativePath(temporaryPath).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd && errno != EEXIST) return false;
    }
    if (!fd) return false;

    if (exists) ::fchmod(fd.get(), existing.st_mode & 07777);
    const int out = fd.get();
    bool ok = produce([out](std::string_view piece) { return writeAll(out, piece); }) && ::fsync(out) == 0;
    // Closing can report a late write error, so its result counts.
    ok = ::close(fd.release()) == 0 && ok;
    if (ok) ok = replaceWithTemporary(temporaryPath, path);
    if (!ok) {
        ::unlink(nativePath(temporaryPath).c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}
