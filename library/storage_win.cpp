#include "library/storage.h"

#include "base/unique_handle.h"
#include "base/wide_text.h"

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

StoragePaths findStoragePaths() {
    const std::optional<std::u16string> base = lookupLocalAppData();
    if (!base) return {u"prompts.xml", u"prompt.cf"};
    const std::u16string dataFolder = *base + u"\\Quillory";
    // Only the last level is ours to create; a failure shows later as unreadable files.
    if (!PathFileExistsW(wide(dataFolder))) CreateDirectoryW(wide(dataFolder), nullptr);
    return {dataFolder + u"\\prompts.xml", dataFolder + u"\\prompt.cf"};
}
