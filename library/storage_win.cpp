#include "library/storage.h"

#include "app/app_state.h"
#include "base/file_io.h"
#include "base/wide_text.h"
#include "library/backups.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

void freeCoTaskText(PWSTR text) {
    CoTaskMemFree(text);
}
using CoTaskText = UniqueHandle<PWSTR, freeCoTaskText>;

std::optional<std::u16string> knownLocalAppData() {
    PWSTR raw = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &raw);
    CoTaskText path(raw); // the shell wants its string freed even after a failure
    if (FAILED(result)) return std::nullopt;
    return fromWide(path.get());
}

LocalAppDataLookup lookupLocalAppData = knownLocalAppData;

} // namespace

void setLocalAppDataLookup(LocalAppDataLookup lookup) {
    lookupLocalAppData = lookup ? lookup : knownLocalAppData;
}

void initStoragePaths() {
    AppState& state = app();
    const std::optional<std::u16string> base = lookupLocalAppData();
    if (!base) {
        state.promptsPath = u"prompts.xml";
        state.settingsPath = u"prompt.cf";
        return;
    }
    const std::u16string dataFolder = *base + u"\\Quillory";
    // Only the last level is ours to create; a failure shows later as unreadable files.
    if (!PathFileExistsW(wide(dataFolder))) CreateDirectoryW(wide(dataFolder), nullptr);
    state.promptsPath = dataFolder + u"\\prompts.xml";
    state.settingsPath = dataFolder + u"\\prompt.cf";
}

bool writeBesidePrompts(std::u16string_view prefix, std::string_view bytes, std::u16string& path) {
    const std::u16string& prompts = app().promptsPath;
    const std::u16string folder = prompts.substr(0, prompts.find_last_of(u"\\/") + 1);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    FILETIME asFileTime{};
    SystemTimeToFileTime(&now, &asFileTime);
    ULARGE_INTEGER moment{};
    moment.LowPart = asFileTime.dwLowDateTime;
    moment.HighPart = asFileTime.dwHighDateTime;
    // A copy made within the same second takes the next free second: none is overwritten, and
    // the names keep the order in which the copies were made.
    constexpr ULONGLONG second = 10'000'000; // in FILETIME's 100 ns
    for (int attempt = 0; attempt < 60; ++attempt, moment.QuadPart += second) {
        asFileTime = {moment.LowPart, moment.HighPart};
        SYSTEMTIME stamp{};
        FileTimeToSystemTime(&asFileTime, &stamp);
        path = folder + datedFileName(prefix, stamp.wYear, stamp.wMonth, stamp.wDay, stamp.wHour,
                                      stamp.wMinute, stamp.wSecond);
        if (!pathExists(path)) return writeFileAtomically(path, bytes);
    }
    return false;
}
