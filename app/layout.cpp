#include "app/layout.h"

#include "app/app_state.h"
#include "app/shell.h"
#include "browser/browser_host.h"

namespace {

// The bottom of the combo box's selection field, in the main window's client coordinates.
int comboSelectionBottom(HWND mainWindow, HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    // MinGW's headers shape some structures by WINVER; this is the size of the current 64-bit
    // structure, the one GetComboBoxInfo takes on every Windows 10 and 11.
    static_assert(sizeof(COMBOBOXINFO) == 64);
    POINT corner{};
    if (GetComboBoxInfo(combo, &info)) {
        corner = {info.rcItem.right, info.rcItem.bottom};
        ClientToScreen(combo, &corner);
    } else {
        RECT rect{};
        GetWindowRect(combo, &rect);
        corner = {rect.right, rect.top + 28};
    }
    ScreenToClient(mainWindow, &corner);
    return corner.y;
}

} // namespace

void placeAiArea(HWND mainWindow) {
    const AppState& state = app();
    RECT client{};
    GetClientRect(mainWindow, &client);
    if (isWindow(state.aiHeader)) {
        moveWindowTo(state.aiHeader, aiHeaderBox(client.right));
        InvalidateRect(state.aiHeader, nullptr, TRUE);
    }
    if (isWindow(state.aiStrip)) {
        moveWindowTo(state.aiStrip, aiStripBox(client.bottom));
        InvalidateRect(state.aiStrip, nullptr, TRUE);
    }
}

void placePromptStrip(HWND mainWindow) {
    const AppState& state = app();
    if (!isWindow(state.promptStrip) || !isWindow(state.sendButton)) return;
    const int sendBottom = windowEdgesIn(state.sendButton, mainWindow).bottom;
    moveWindowTo(state.promptStrip, promptStripBox(sendBottom));
    InvalidateRect(state.promptStrip, nullptr, TRUE);
}

void onSize(HWND mainWindow) {
    resizeBrowser(mainWindow);
    placeAiArea(mainWindow);
    placePromptStrip(mainWindow);
    layoutPromptPane(mainWindow);
}

void layoutPromptPane(HWND mainWindow) {
    const AppState& state = app();
    for (HWND window :
         {mainWindow, state.inputEdit, state.promptCombo, state.clearButton, state.pasteButton}) {
        if (!isWindow(window)) return;
    }
    const int comboBottom = comboSelectionBottom(mainWindow, state.promptCombo);
    PromptPaneLayout layout = layoutPromptPaneFor(comboBottom, windowEdgesIn(state.inputEdit, mainWindow));
    if (layout.moveEdit) {
        moveWindowTo(state.inputEdit, layout.edit);
        // The buttons follow where the edit box really went.
        layout = layoutPromptPaneFor(comboBottom, windowEdgesIn(state.inputEdit, mainWindow));
    }
    moveWindowTo(state.clearButton, layout.clearButton);
    moveWindowTo(state.pasteButton, layout.pasteButton);
    InvalidateRect(state.clearButton, nullptr, TRUE);
    InvalidateRect(state.pasteButton, nullptr, TRUE);
}
