#include "services/program.h"

#include "base/wide_text.h"
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
    const std::u16string message = u"Die Datei \"" + path + u"\" konnte nicht gespeichert werden.";
    showMessageBox(owner ? owner : state.mainWindow, wide(message), L"Verbarix", MB_OK | MB_ICONERROR);
    return false;
}

bool saveLibrary(HWND owner) {
    const AppState& state = app();
    return reportSave(savePromptFile(state.library, state.paths.prompts), state.paths.prompts, owner);
}

void notifyLibraryChanged(std::int32_t select, bool showSelected) {
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
