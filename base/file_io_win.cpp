#include "base/file_io_platform.h"
#include "base/wide_text.h"
#include "base/win_owners.h"

#include <windows.h>

#include <string>

namespace {

void unmapView(const void* address) {
    UnmapViewOfFile(address);
}
using MappedView = UniqueHandle<const void*, unmapView>;

// Only files on a fixed disk are mapped: a removable or network drive that goes away while the
// bytes are read would make that read a fault instead of a failure.
bool onFixedDisk(const std::u16string& path) {
    wchar_t volume[MAX_PATH + 1]{};
    return GetVolumePathNameW(wide(path), volume, MAX_PATH + 1) && GetDriveTypeW(volume) == DRIVE_FIXED;
}

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kChunk = std::size_t{1} << 30;

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

bool moveFileOver(const std::u16string& temporaryPath, const std::u16string& path) {
    return MoveFileExW(wide(temporaryPath), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

std::optional<std::string> readWholeFile(const std::u16string& path) {
    const UniqueKernelHandle file(
        CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;
    return readUntilEnd(static_cast<std::size_t>(size.QuadPart), [&file](char* into, std::size_t capacity) {
        DWORD got = 0;
        if (!ReadFile(file.get(), into, static_cast<DWORD>(capacity < kChunk ? capacity : kChunk), &got,
                      nullptr))
            return -1LL;
        return static_cast<long long>(got);
    });
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
    const UniqueKernelHandle file(CreateFileW(wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                              nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart == 0) return useCopy();
    // The pages come straight from the file cache: no buffer of the file's size to allocate
    // and fill, which with a big library costs more than parsing it.
    const UniqueKernelHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    const MappedView view(mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr);
    if (!view) return useCopy();
    return use(
        std::string_view(static_cast<const char*>(view.get()), static_cast<std::size_t>(size.QuadPart)));
}

bool writeFileAtomically(const std::u16string& path,
                         const std::function<bool(const ByteSink& sink)>& produce) {
    std::u16string temporaryPath;
    UniqueKernelHandle file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temporaryPath = temporaryPathFor(path, GetCurrentProcessId());
        file.reset(CreateFileW(wide(temporaryPath), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (!file) return false;

    const HANDLE out = file.get();
    bool ok =
        produce([out](std::string_view piece) { return writeAll(out, piece); }) && FlushFileBuffers(out);
    // Closing can report a late write error, so its result counts.
    ok = CloseHandle(file.release()) && ok;
    if (ok) ok = replaceWithTemporary(temporaryPath, path);
    if (!ok) DeleteFileW(wide(temporaryPath));
    return ok;
}
