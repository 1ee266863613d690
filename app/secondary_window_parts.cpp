#include "app/secondary_window_parts.h"

#include "app/app_state.h"
#include "app/secondary_windows.h"
#include "app/shell.h"

#include <vector>

bool bringToFront(HWND window) {
    if (!window || !IsWindow(window)) return false;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    BringWindowToTop(window);
    return true;
}

void registerClassOnce(bool& registered, const wchar_t* className, WNDPROC procedure, HBRUSH background) {
    if (registered) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    registered = true;
}

HWND createControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id) {
    HWND control = CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (control && app().contentFont)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(app().contentFont.get()), TRUE);
    return control;
}

void secondaryWindowGone(HWND& slot, HWND window) {
    if (slot == window) slot = nullptr;
    releaseRetiredFonts();
}

std::u16string readWindowText(HWND window) {
    if (!window) return {};
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, buffer.data(), length + 1);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()));
}

namespace {

BOOL CALLBACK setFontOnChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

} // namespace

void applyFontToSecondaryWindows(HFONT font) {
    const AppState& s = app();
    for (HWND window : {s.aboutWindow, s.settingsWindow, s.editorWindow})
        if (window && IsWindow(window))
            EnumChildWindows(window, setFontOnChild, reinterpret_cast<LPARAM>(font));
}
