// The About window: the program's name, version and a short description in a read-only text box.
#include "app/about_window.h"

#include "base/window.h"
#include "services/app_state.h"
#include "services/program.h"

namespace {

// Lines end CR LF; the title line holds 47 blanks before its closing text.
const wchar_t* const aboutText =
    L"Verbarix v1.4"
    L"                                               "
    L"\u00A9 2026 Verbarix\r\n"
    L"\r\n"
    L"WEB Link:\r\n"
    L"https://www.verbarix.example/\r\n"
    L"\r\n"
    L"Das Programm Verbarix verwaltet KI-Prompts, erlaubt deren Bearbeitung,\r\n"
    L"Favorisierung und Speicherung und sendet sie direkt an verschiedene KI-Weboberflächen.\r\n"
    L"Es unterstützt OpenAI ChatGPT, Google Gemini und Microsoft Copilot über eine\r\n"
    L"integrierte Browser - Ansicht. Zusätzlich speichert es Texteingaben pro Prompt,\r\n"
    L"bietet Favoriten - Schnellzugriffe und konfigurierbare Anzeige - und Layout - Optionen.\r\n"
    L"\r\n"
    L"Unterstützt: OpenAI ChatGPT, Google Gemini, Microsoft Copilot.\r\n"
    L"\r\n"
    L"\r\n";

void createAboutText(HWND window) {
    createControl(window, WS_EX_CLIENTEDGE, L"EDIT", aboutText,
                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 10, 10,
                  560, 240, 1);
}

LRESULT CALLBACK aboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createAboutText(window);
        return 0;
    }
    return secondaryWindowDefault(app().aboutWindow, window, message, wParam, lParam);
}

} // namespace

void openAboutWindow() {
    AppState& state = app();
    if (bringToFront(state.aboutWindow)) return;
    registerClassOnce(L"AboutDlg", aboutProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    state.aboutWindow =
        CreateWindowExW(WS_EX_DLGMODALFRAME, L"AboutDlg", L"About", WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 300,
                        300, 600, 300, state.mainWindow, nullptr, nullptr, nullptr);
}
