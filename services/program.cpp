#include "services/program.h"

#include "base/file_io.h"
#include "base/wide_text.h"
#include "library/backups.h"
#include "library/prompt_file.h"
#include "services/app_state.h"
#include "services/fonts.h"

#include <algorithm>
#include <vector>

MessageBoxFunction showMessageBox = MessageBoxW;
FileDialogFunction askSaveFileName = GetSaveFileNameW;
FileDialogFunction askOpenFileName = GetOpenFileNameW;

HWND createControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id) {
    const AppState& state = app();
    HWND control = CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control && state.contentFont)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.contentFont.get()), TRUE);
    return control;
}

LRESULT controlColorAnswer(HDC dc) {
    const AppState& state = app();
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(state.whiteBrush.get());
}

LRESULT secondaryWindowDefault(HWND& slot, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return controlColorAnswer(reinterpret_cast<HDC>(wParam));
    case WM_NCDESTROY:
        if (slot == window) slot = nullptr;
        releaseRetiredFonts();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool reportSave(bool written, const std::u16string& path, HWND owner) {
    AppState& state = app();
    std::vector<std::u16string>& failing = state.failingFiles;
    const auto known = std::find(failing.begin(), failing.end(), path);
    if (written) {
        if (known != failing.end()) failing.erase(known);
        return true;
    }
    if (known != failing.end()) return false;
    failing.push_back(path);
    if (state.closing) return false;
    const std::u16string message = u"Die Datei \"" + path + u"\" konnte nicht gespeichert werden.";
    showMessageBox(owner ? owner : state.mainWindow, wide(message), L"Verbarix", MB_OK | MB_ICONERROR);
    return false;
}

namespace {

// Before prompts.xml is first written over when it was not read whole at the start: keeps it
// beside, unchanged, and tells the user once where. False when it could not be kept.
bool keepUnreadPromptsFile(HWND owner) {
    AppState& state = app();
    if (!state.unreadPromptsFile) return true;
    std::u16string kept;
    // A file gone since leaves nothing to keep.
    if (pathExists(state.paths.prompts)) {
        const std::optional<std::string> bytes = readWholeFile(state.paths.prompts);
        if (!bytes || !writeBesidePrompts(kUnreadablePrefix, *bytes, kept)) return false;
        const std::u16string message =
            u"Die Datei \"" + state.paths.prompts +
            u"\" konnte nicht vollständig gelesen werden. Sie wurde unverändert als \"" + kept +
            u"\" aufbewahrt.";
        showMessageBox(owner ? owner : state.mainWindow, wide(message), L"Verbarix", MB_OK | MB_ICONWARNING);
    }
    state.unreadPromptsFile = false;
    return true;
}

} // namespace

bool saveFailed(const std::u16string& path) {
    const std::vector<std::u16string>& failing = app().failingFiles;
    return std::find(failing.begin(), failing.end(), path) != failing.end();
}

bool saveLibrary(HWND owner) {
    const AppState& state = app();
    const bool written = keepUnreadPromptsFile(owner) && updatePromptFile(state.library, state.paths.prompts);
    return reportSave(written, state.paths.prompts, owner);
}

bool writeBesidePrompts(std::u16string_view prefix, std::string_view bytes, std::u16string& path) {
    const std::u16string& prompts = app().paths.prompts;
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

void notifyLibraryChanged(std::int32_t select, bool showSelected) {
    ++app().libraryChanges;
    SendMessageW(app().mainWindow, kLibraryChangedMessage, static_cast<WPARAM>(static_cast<INT_PTR>(select)),
                 showSelected ? 1 : 0);
}

void notifyLookChanged() {
    SendMessageW(app().mainWindow, kLookChangedMessage, 0, 0);
}

void pickPrompt(std::int32_t index, bool send) {
    SendMessageW(app().mainWindow, kPickPromptMessage, static_cast<WPARAM>(static_cast<INT_PTR>(index)),
                 send ? 1 : 0);
}
