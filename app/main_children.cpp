#include "app/main_children.h"

#include "app/command_model.h"
#include "base/geometry.h"
#include "base/window.h"
#include "browser/browser_host.h"
#include "favourites/favorites.h"
#include "favourites/painted_windows.h"
#include "services/app_state.h"
#include "services/fonts.h"
#include "services/program.h"

#include <vector>

namespace {

MainChildren children;

constexpr DWORD visibleChild = WS_CHILD | WS_VISIBLE;

// One child: where its handle is kept, what it is and where it starts.
struct Child {
    HWND MainChildren::*slot;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    Box box;
    int id;
    // A painted header or strip paints the colours of its area (1 prompt, 2 favourites, 3 AI),
    // kept as its user data; 0 for a control.
    LONG_PTR area;
};

// In creation order. The open list of promptCombo shows about ten names; its scroll bar, shown
// only when more follow, tells of them.
// clang-format off
const Child kChildren[] = {
    {&MainChildren::promptHeader, kFavHeaderClass, L"Prompt", visibleChild, {10, 10, 550, 30}, 0, 1},
    {&MainChildren::aiCombo, L"COMBOBOX", L"", visibleChild | CBS_DROPDOWNLIST, {50, 48, 510, 200},
     kAiComboId, 0},
    {&MainChildren::promptCombo, L"COMBOBOX", L"", visibleChild | WS_VSCROLL | CBS_DROPDOWNLIST,
     {50, 77, 510, 200}, 0, 0},
    {&MainChildren::inputEdit, L"EDIT", L"",
     visibleChild | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, {50, 110, 510, 230}, 0, 0},
    {&MainChildren::clearButton, L"BUTTON", L"", visibleChild | BS_OWNERDRAW, {0, 0, 14, 14}, kClearId, 0},
    {&MainChildren::pasteButton, L"BUTTON", L"", visibleChild | BS_OWNERDRAW, {0, 0, 14, 14}, kPasteId, 0},
    {&MainChildren::sendButton, L"BUTTON", L"An KI senden", visibleChild, {50, 350, 510, 40}, kSendId, 0},
    {&MainChildren::promptStrip, kFavStripClass, L"", visibleChild, {10, 10, 35, 10}, 0, 1},
    {&MainChildren::favHeader, kFavHeaderClass, L"Favoriten", visibleChild, {50, 410, 510, 30}, 0, 2},
    {&MainChildren::favStrip, kFavStripClass, L"", WS_CHILD, {0, 0, 35, 10}, 0, 2},
    {&MainChildren::aiHeader, kFavHeaderClass, L"AI", visibleChild, {580, 10, 300, 30}, 0, 3},
    {&MainChildren::aiStrip, kFavStripClass, L"", visibleChild, {580, 40, 35, 10}, 0, 3},
};
// clang-format on

} // namespace

const MainChildren& mainChildren() {
    return children;
}

void createMainChildren(HWND mainWindow, AiTarget ai) {
    for (const Child& child : kChildren) {
        const Box& b = child.box;
        HWND window = createControl(mainWindow, 0, child.className, child.text, child.style, b.x, b.y,
                                    b.width, b.height, child.id);
        if (child.area) SetWindowLongPtrW(window, GWLP_USERDATA, child.area);
        children.*child.slot = window;
    }
    // Ctrl+V takes a text of any length, as the paste button does, not the box's first 30,000 characters.
    SendMessageW(children.inputEdit, EM_SETLIMITTEXT, 0, 0);
    for (const wchar_t* chat : {L"OpenAI ChatGPT", L"Google Gemini", L"Microsoft Copilot"})
        SendMessageW(children.aiCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(chat));
    SendMessageW(children.aiCombo, CB_SETCURSEL, static_cast<WPARAM>(ai), 0);
}

void destroyMainChildren() {
    destroyFavoriteButtons();
    for (const Child& child : kChildren)
        if (isWindow(children.*child.slot)) DestroyWindow(children.*child.slot);
    children = {};
}

void applyContentFont(HWND mainWindow) {
    const AppState& state = app();
    if (state.contentFont) {
        const auto font = reinterpret_cast<WPARAM>(state.contentFont.get());
        // The favourite buttons are made anew in it each time.
        std::vector<HWND> controls{browserHint()};
        for (const Child& child : kChildren)
            if (!child.area) controls.push_back(children.*child.slot);
        for (HWND control : controls)
            if (isWindow(control)) SendMessageW(control, WM_SETFONT, font, TRUE);
    }
    giveContentFontToSecondaryWindows();
    DrawMenuBar(mainWindow);
}

void invalidatePaintedWindows() {
    for (const Child& child : kChildren)
        if (child.area && isWindow(children.*child.slot)) InvalidateRect(children.*child.slot, nullptr, TRUE);
}
