// The search window: the matching and its order are the core's (library/prompt_search.h); this
// file shows them and passes the choice to the main window's prompt list.
#include "library/search_window.h"

#include "base/wide_text.h"
#include "base/win_owners.h"
#include "base/window.h"
#include "library/prompt_search.h"
#include "services/app_state.h"
#include "services/program.h"

#include <algorithm>

namespace {

constexpr int fieldId = 1;
constexpr int listId = 2;
constexpr int countId = 3;

// The controls of the one search window and what its list shows.
struct SearchControls {
    HWND field = nullptr;
    HWND list = nullptr;
    HWND countLine = nullptr;
    // The field's and the list's own procedures, under the key handling of keysProc.
    WNDPROC fieldProc = nullptr;
    WNDPROC listProc = nullptr;
    PromptSearchIndex index;         // the library folded, while the window is open
    std::uint64_t indexed = 0;       // the library's change count when it was folded
    std::vector<std::int32_t> shown; // the library index of each row
};
SearchControls search;

void indexLibrary() {
    const AppState& state = app();
    indexPrompts(search.index, state.library);
    search.indexed = state.libraryChanges;
}

// Lists the prompts that match the field, the best first, and selects the first. The list holds
// no strings (a list box fills slowly, 10,000 names take longer than a frame): it is told the
// count and asks for each visible row as it paints (drawRow).
void showMatches() {
    const AppState& state = app();
    // A library changed before the refresh has come.
    if (search.indexed != state.libraryChanges) indexLibrary();
    search.shown = searchPrompts(search.index, readWindowText(search.field));
    SendMessageW(search.list, LB_SETCOUNT, search.shown.size(), 0);
    SendMessageW(search.list, LB_SETCURSEL, search.shown.empty() ? -1 : 0, 0);
    InvalidateRect(search.list, nullptr, TRUE);
    SetWindowTextW(search.countLine, wide(searchCountText(search.shown.size(), state.library.size())));
}

// A row as a list box with strings draws it, in the list's font (the content font).
void drawRow(const DRAWITEMSTRUCT& item) {
    const AppState& state = app();
    HDC dc = item.hDC;
    RECT row = item.rcItem;
    // Only the focus moved: the dotted frame is drawn by inverting, so once more takes it away.
    if (item.itemAction == ODA_FOCUS) {
        DrawFocusRect(dc, &row);
        return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &row, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    // Between a change of the library and its refresh a row may point past its end.
    const std::int32_t index = item.itemID < search.shown.size() ? search.shown[item.itemID] : -1;
    if (isPromptIndex(state.library, index)) {
        const std::u16string& name = state.library[static_cast<std::size_t>(index)].name;
        SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text = row;
        text.left += 2;
        DrawTextW(dc, name.empty() ? L"(ohne Name)" : wide(name), -1, &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &row);
}

// Rows as high as the list's font, as a list box with strings makes them.
void fitRowHeight() {
    WindowDc dc(search.list);
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(search.list, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    SendMessageW(search.list, LB_SETITEMHEIGHT, 0, std::max<LONG>(metrics.tmHeight, 1));
}

// The selected row's prompt is chosen in the main window as if in its prompt list, with `send`
// sent as by the send button, and the search window closes.
void pick(bool send) {
    const AppState& state = app();
    const auto row = static_cast<std::int32_t>(SendMessageW(search.list, LB_GETCURSEL, 0, 0));
    if (row < 0 || static_cast<std::size_t>(row) >= search.shown.size()) return;
    const std::int32_t index = search.shown[static_cast<std::size_t>(row)];
    // Rows of a library that has changed since (see showMatches) pick nothing.
    if (search.indexed != state.libraryChanges || !isPromptIndex(state.library, index)) return;
    pickPrompt(index, send);
    DestroyWindow(state.searchWindow);
}

// Under the field's and the list's own procedures: Enter picks, Ctrl+Enter picks and sends,
// Escape closes, and in the field the arrow and page keys move the list's selection.
LRESULT CALLBACK keysProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC own = control == search.field ? search.fieldProc : search.listProc;
    if (message == WM_KEYDOWN) {
        switch (wParam) {
        case VK_RETURN:
            pick(GetKeyState(VK_CONTROL) < 0);
            return 0; // the window may be gone: nothing more of it is touched
        case VK_ESCAPE:
            DestroyWindow(app().searchWindow);
            return 0;
        case VK_UP:
        case VK_DOWN:
        case VK_PRIOR:
        case VK_NEXT:
            if (control != search.field) break;
            SendMessageW(search.list, message, wParam, lParam);
            return 0;
        }
    }
    // Enter, Ctrl+Enter and Escape come as characters too, which the controls would answer with a beep.
    if (message == WM_CHAR && (wParam == L'\r' || wParam == L'\n' || wParam == 0x1B)) return 0;
    const LRESULT result = CallWindowProcW(own, control, message, wParam, lParam);
    if (message == WM_SETFONT && control == search.list) fitRowHeight();
    return result;
}

WNDPROC underKeys(HWND control) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(keysProc)));
}

void createSearchControls(HWND window) {
    search.field = createControl(window, WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 0, 0, fieldId);
    search.list = createControl(window, WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                    LBS_OWNERDRAWFIXED | LBS_NODATA,
                                0, 0, 0, 0, listId);
    search.countLine = createControl(window, 0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, countId);
    search.fieldProc = underKeys(search.field);
    search.listProc = underKeys(search.list);
    fitRowHeight();
    indexLibrary();
    showMatches();
}

// The field on top, the count line at the bottom, the list between them.
void placeSearchControls(int width, int height) {
    const int inner = std::max(width - 20, 0);
    MoveWindow(search.field, 10, 10, inner, 30, TRUE);
    MoveWindow(search.list, 10, 50, inner, std::max(height - 90, 0), TRUE);
    MoveWindow(search.countLine, 10, std::max(height - 32, 0), inner, 24, TRUE);
}

void onSearchCommand(WPARAM wParam) {
    if (LOWORD(wParam) == fieldId && HIWORD(wParam) == EN_CHANGE) showMatches();
    if (LOWORD(wParam) == listId && HIWORD(wParam) == LBN_DBLCLK) pick(false);
}

LRESULT CALLBACK searchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createSearchControls(window);
        return 0;
    case WM_SIZE:
        placeSearchControls(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS: // the window activated: typing goes to the field
        SetFocus(search.field);
        return 0;
    case WM_COMMAND:
        onSearchCommand(wParam);
        return 0;
    case WM_DRAWITEM:
        if (wParam != listId) break;
        drawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        search = {};
        break;
    }
    return secondaryWindowDefault(app().searchWindow, window, message, wParam, lParam);
}

} // namespace

void openSearchWindow() {
    AppState& state = app();
    if (!bringToFront(state.searchWindow)) {
        registerClassOnce(L"SearchDlg", searchProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        state.searchWindow =
            CreateWindowExW(0, L"SearchDlg", L"Prompt suchen", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 240, 160,
                            520, 600, state.mainWindow, nullptr, nullptr, nullptr);
    }
    // Typing starts a new search.
    SetFocus(search.field);
    SendMessageW(search.field, EM_SETSEL, 0, -1);
}

void refreshSearchWindow() {
    if (!isWindow(app().searchWindow)) return;
    indexLibrary();
    showMatches();
}
