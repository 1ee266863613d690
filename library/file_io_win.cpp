#include "library/file_io.h"

#include <windows.h>

#include <string>

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A file or file mapping handle. CreateFileW fails with INVALID_HANDLE_VALUE and
// CreateFileMappingW with null; both are held as "no handle".
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle ? handle : INVALID_HANDLE_VALUE) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close() {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        const BOOL closed = CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

  private:
    HANDLE handle_;
};

// A view of a file mapping, unmapped when it goes.
struct MappedView {
    explicit MappedView(const void* at) : address(at) {}
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView() {
        if (address) UnmapViewOfFile(address);
    }
    const void* address;
};

// Only files on a fixed disk are mapped: a removable or network drive that goes away while the
// bytes are read would make that read a fault instead of a failure.
bool onFixedDisk(const std::u16string& path) {
    wchar_t volume[MAX_PATH + 1]{};
    return GetVolumePathNameW(wide(path), volume, MAX_PATH + 1) && GetDriveTypeW(volume) == DRIVE_FIXED;
}

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kChunk = std::size_t{1} << 30;

bool moveOver(const std::u16string& temporaryPath, const std::u16string& path) {
    return MoveFileExW(wide(temporaryPath), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

ReplaceFileStep replaceStep = nullptr;

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(bytes.size() < kChunk ? bytes.size() : kChunk);
        if (!WriteFile(file, bytes.data(), size, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

std::optional<std::string> readWholeFile(const std::u16string& path) {
    FileHandle file(CreateFileW(wide(path), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;

    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t filled = 0;
    for (;;) {
        DWORD got = 0;
        if (filled == bytes.size()) {
            // Full as announced: look for more through a small buffer instead of doubling.
            char extra[4096];
            if (!ReadFile(file.get(), extra, sizeof extra, &got, nullptr)) return std::nullopt;
            if (got == 0) break;
            bytes.append(extra, got);
            filled = bytes.size();
            continue;
        }
        const std::size_t wanted = bytes.size() - filled;
        if (!ReadFile(file.get(), bytes.data() + filled,
                      static_cast<DWORD>(wanted < kChunk ? wanted : kChunk), &got, nullptr)) {
            return std::nullopt;
        }
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled);
    return bytes;
}

bool useWholeFile(const std::u16string& path, const std::function<bool(std::string_view bytes)>& use) {
    const auto useCopy = [&] {
        const std::optional<std::string> bytes = readWholeFile(path);
        return bytes && use(*bytes);
    };
    if (!onFixedDisk(path)) return useCopy();
    // Shared for reading and deleting only: while the handle is open nobody can write to the
    // file, so the mapped bytes hold still, and a replace by rename leaves this file's pages
    // alone. A file that someone already has open for writing is copied instead.
    FileHandle file(CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart == 0) return useCopy();
    // The pages come straight from the file cache: no buffer of the file's size to allocate
    // and fill, which with a big library costs more than parsing it.
    const FileHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    const MappedView view(mapping.valid() ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr);
    if (!view.address) return useCopy();
    return use(
        std::string_view(static_cast<const char*>(view.address), static_cast<std::size_t>(size.QuadPart)));
}

bool writeFileAtomically(const std::u16string& path, std::string_view bytes) {
    return writeFileAtomically(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}

bool writeFileAtomically(const std::u16string& path,
                         const std::function<bool(const ByteSink& sink)>& produce) {
    static unsigned counter = 0;
    std::u16string temporaryPath;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        const std::wstring suffix =
            L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
        temporaryPath = path + std::u16string(suffix.begin(), suffix.end());
        handle = CreateFileW(wide(temporaryPath), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (handle == INVALID_HANDLE_VALUE) return false;
    FileHandle file(handle);

    const HANDLE out = file.get();
    bool ok =
        produce([out](std::string_view piece) { return writeAll(out, piece); }) && FlushFileBuffers(out);
    ok = file.close() && ok;
    if (ok) ok = (replaceStep ? replaceStep : moveOver)(temporaryPath, path);
    if (!ok) DeleteFileW(wide(temporaryPath));
    return ok;
}

ReplaceFileStep setReplaceFileStepForTesting(ReplaceFileStep step) {
    const ReplaceFileStep previous = replaceStep;
    replaceStep = step;
    return previous;
}
