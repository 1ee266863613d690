#include "base/file_io_platform.h"
#include "base/wide_text.h"
#include "base/win_owners.h"

#include <windows.h>

#include <string>

namespace {

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

UniqueKernelHandle openForReading(const std::u16string& path, DWORD sharing) {
    return UniqueKernelHandle(CreateFileW(wide(path), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// ReadFile as readUntilEnd and takeInPieces want it: the count, 0 at the end, -1 on an error.
long long readSome(HANDLE file, char* into, std::size_t capacity) {
    DWORD got = 0;
    if (!ReadFile(file, into, static_cast<DWORD>(capacity < kChunk ? capacity : kChunk), &got, nullptr))
        return -1;
    return got;
}

} // namespace

bool moveFileOver(const std::u16string& temporaryPath, const std::u16string& path) {
    return MoveFileExW(wide(temporaryPath), wide(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

std::optional<std::string> readWholeFile(const std::u16string& path) {
    const UniqueKernelHandle file(
        openForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;
    return readUntilEnd(static_cast<std::size_t>(size.QuadPart), [&file](char* into, std::size_t capacity) {
        return readSome(file.get(), into, capacity);
    });
}

bool pathExists(const std::u16string& path) {
    if (GetFileAttributesW(wide(path)) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool readFileInPieces(const std::u16string& path, int passes, const PieceTaker& take) {
    // Nobody may write to the file between the passes; a file that someone already has open for
    // writing is read all the same, as a copy of it would be.
    UniqueKernelHandle file(openForReading(path, FILE_SHARE_READ | FILE_SHARE_DELETE));
    if (!file && GetLastError() == ERROR_SHARING_VIOLATION)
        file = openForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    const HANDLE handle = file.get();
    return file &&
           takeInPieces(
               passes,
               [handle](char* into, std::size_t capacity) { return readSome(handle, into, capacity); },
               [handle] { return SetFilePointerEx(handle, LARGE_INTEGER{}, nullptr, FILE_BEGIN) != FALSE; },
               take);
}

bool fileHolds(const std::u16string& path, const std::function<bool(const ByteSink& sink)>& produce) {
    const UniqueKernelHandle file(
        openForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    const HANDLE handle = file.get();
    return file &&
           holdsBytes([handle](char* into, std::size_t capacity) { return readSome(handle, into, capacity); },
                      produce);
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
