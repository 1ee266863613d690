#include "app/layout.h"

#include "app/main_children.h"
#include "base/window.h"
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
    const MainChildren& children = mainChildren();
    RECT client{};
    GetClientRect(mainWindow, &client);
    if (isWindow(children.aiHeader)) {
        moveWindowTo(children.aiHeader, aiHeaderBox(client.right));
        InvalidateRect(children.aiHeader, nullptr, TRUE);
    }
    if (isWindow(children.aiStrip)) {
        moveWindowTo(children.aiStrip, aiStripBox(client.bottom));
        InvalidateRect(children.aiStrip, nullptr, TRUE);
    }
}

void placePromptStrip(HWND mainWindow) {
    const MainChildren& children = mainChildren();
    if (!isWindow(children.promptStrip) || !isWindow(children.sendButton)) return;
    const int sendBottom = windowEdgesIn(children.sendButton, mainWindow).bottom;
    moveWindowTo(children.promptStrip, promptStripBox(sendBottom));
    InvalidateRect(children.promptStrip, nullptr, TRUE);
}

void onSize(HWND mainWindow) {
    resizeBrowser(mainWindow);
    placeAiArea(mainWindow);
    placePromptStrip(mainWindow);
    layoutPromptPane(mainWindow);
}

void layoutPromptPane(HWND mainWindow) {
    const MainChildren& children = mainChildren();
    for (HWND window :
         {mainWindow, children.inputEdit, children.promptCombo, children.clearButton, children.pasteButton}) {
        if (!isWindow(window)) return;
    }
    const int comboBottom = comboSelectionBottom(mainWindow, children.promptCombo);
    PromptPaneLayout layout = layoutPromptPaneFor(comboBottom, windowEdgesIn(children.inputEdit, mainWindow));
    if (layout.moveEdit) {
        moveWindowTo(children.inputEdit, layout.edit);
        // The buttons follow where the edit box really went.
        layout = layoutPromptPaneFor(comboBottom, windowEdgesIn(children.inputEdit, mainWindow));
    }
    moveWindowTo(children.clearButton, layout.clearButton);
    moveWindowTo(children.pasteButton, layout.pasteButton);
    InvalidateRect(children.clearButton, nullptr, TRUE);
    InvalidateRect(children.pasteButton, nullptr, TRUE);
}
