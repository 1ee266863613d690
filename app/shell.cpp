#include "app/shell.h"

#include "app/app_state.h"
#include "app/layout.h"
#include "base/file_io.h"
#include "favourites/favorites.h"
#include "favourites/painted_windows.h"
#include "library/backups.h"
#include "library/prompt_file.h"
#include "library/search_window.h"
#include "library/storage.h"
#include "settings/fonts.h"

#include <algorithm>
#include <vector>

MessageBoxFunction showMessageBox = MessageBoxW;
FileDialogFunction askSaveFileName = GetSaveFileNameW;
FileDialogFunction askOpenFileName = GetOpenFileNameW;

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
    if (pathExists(state.promptsPath)) {
        const std::optional<std::string> bytes = readWholeFile(state.promptsPath);
        if (!bytes || !writeBesidePrompts(kUnreadablePrefix, *bytes, kept)) return false;
        const std::u16string message =
            u"Die Datei \"" + state.promptsPath +
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
    const bool written = keepUnreadPromptsFile(owner) && updatePromptFile(state.library, state.promptsPath);
    return reportSave(written, state.promptsPath, owner);
}

HWND createControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id) {
    const AppState& state = app();
    HWND control = CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control && state.contentFont)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.contentFont.get()), TRUE);
    return control;
}

void registerClassOnce(const wchar_t* className, WNDPROC procedure, HBRUSH background) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing{};
    if (GetClassInfoW(instance, className, &existing)) return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
}

bool bringToFront(HWND window) {
    if (!isWindow(window)) return false;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    return true;
}

std::u16string readWindowText(HWND window) {
    if (!window) return {};
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, buffer.data(), length + 1);
    return fromWide(buffer.data());
}

Edges windowEdgesIn(HWND window, HWND parent) {
    RECT rect{};
    GetWindowRect(window, &rect);
    POINT topLeft{rect.left, rect.top};
    POINT bottomRight{rect.right, rect.bottom};
    ScreenToClient(parent, &topLeft);
    ScreenToClient(parent, &bottomRight);
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void moveWindowTo(HWND window, const Box& box) {
    MoveWindow(window, box.x, box.y, box.width, box.height, TRUE);
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

void fillPromptCombo(std::int32_t index) {
    const AppState& state = app();
    HWND combo = state.promptCombo;
    // No drawing and no scroll bar updates entry by entry: the list is drawn once, filled.
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    // Room for every entry and its name at once, instead of the list growing step by step
    // (which copies its whole item array each time: quadratic with a big library).
    std::size_t nameUnits = 0;
    for (const Prompt& prompt : state.library)
        nameUnits += prompt.name.size() + 1;
    SendMessageW(combo, CB_INITSTORAGE, state.library.size(), nameUnits * sizeof(wchar_t));
    for (const Prompt& prompt : state.library)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(prompt.name)));
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    SendMessageW(combo, CB_SETCURSEL, promptComboSelection(index, state.library.size()), 0);
    InvalidateRect(combo, nullptr, TRUE);
}

bool saveSelectedPromptIndex(std::int32_t index) {
    const AppState& state = app();
    std::optional<AiTarget> aiSelection;
    if (state.aiCombo) {
        const auto ai = static_cast<std::int32_t>(SendMessageW(state.aiCombo, CB_GETCURSEL, 0, 0));
        if (ai >= 0) aiSelection = ai;
    }
    return reportSave(saveSelectedPromptIndex(state.settingsPath, state.live, index, aiSelection),
                      state.settingsPath);
}

void showNewContentFont() {
    const AppState& state = app();
    applyContentFont(state.mainWindow);
    layoutPromptPane(state.mainWindow);
    // The headers draw their captions in the content font; the strips repaint with them.
    invalidatePaintedWindows(state.mainWindow);
}

void refreshMainWindow() {
    const AppState& state = app();
    rebuildFavorites(state.mainWindow);
    showNewContentFont();
    refreshSearchWindow();
}
