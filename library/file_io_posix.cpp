#include "library/file_io.h"

#include "library/utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { close(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closing can report a late write error, so writers look at its result.
    bool close() {
        if (fd_ < 0) return true;
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

  private:
    int fd_;
};

std::string nativePath(const std::u16string& path) {
    return toUtf8(path);
}

bool renameOver(const std::u16string& temporaryPath, const std::u16string& path) {
    return ::rename(nativePath(temporaryPath).c_str(), nativePath(path).c_str()) == 0;
}

ReplaceFileStep replaceStep = nullptr;

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
    if (fd.valid()) ::fsync(fd.get());
}

} // namespace

std::optional<std::string> readWholeFile(const std::u16string& path) {
    FileDescriptor fd(::open(nativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return std::nullopt;

    std::string bytes;
    if (S_ISREG(info.st_mode) && info.st_size > 0) bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // Full as announced: look for more through a small buffer instead of doubling.
            char extra[4096];
            const ssize_t got = ::read(fd.get(), extra, sizeof extra);
            if (got < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            if (got == 0) break;
            bytes.append(extra, static_cast<std::size_t>(got));
            filled = bytes.size();
            continue;
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

// Copied, not mapped: nothing here keeps another program from shortening a mapped file,
// which would fault on the pages it took away.
bool useWholeFile(const std::u16string& path, const std::function<bool(std::string_view bytes)>& use) {
    const std::optional<std::string> bytes = readWholeFile(path);
    return bytes && use(*bytes);
}

bool writeFileAtomically(const std::u16string& path, std::string_view bytes) {
    return writeFileAtomically(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}

bool writeFileAtomically(const std::u16string& path,
                         const std::function<bool(const ByteSink& sink)>& produce) {
    const std::string target = nativePath(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    // A file we may not write stays as it is, as an in-place write would leave it.
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;

    static unsigned counter = 0;
    std::u16string temporaryPath;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        // Appended piece by piece: g++ 12 at -O3 takes "." + std::string for an overlapping copy.
        std::string suffix = ".";
        suffix.append(std::to_string(::getpid())).append("-").append(std::to_string(counter++)).append(".tmp");
        temporaryPath = path + fromUtf8(suffix);
        descriptor = ::open((target + suffix).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) return false;
    }
    if (descriptor < 0) return false;
    FileDescriptor fd(descriptor);
    const std::string temporary = nativePath(temporaryPath);

    if (exists) ::fchmod(fd.get(), existing.st_mode & 07777);
    const int out = fd.get();
    bool ok = produce([out](std::string_view piece) { return writeAll(out, piece); }) && ::fsync(out) == 0;
    ok = fd.close() && ok;
    if (ok) ok = (replaceStep ? replaceStep : renameOver)(temporaryPath, path);
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}

ReplaceFileStep setReplaceFileStepForTesting(ReplaceFileStep step) {
    const ReplaceFileStep previous = replaceStep;
    replaceStep = step;
    return previous;
}
