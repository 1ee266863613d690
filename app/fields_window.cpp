// The window "Felder ausfüllen": a label and a field for each fill-in field of the prompt being
// sent, and two buttons. Finding and filling the fields is the core's (library/prompt_fields.h).
#include "app/fields_window.h"

#include "base/wide_text.h"
#include "base/window.h"
#include "browser/browser_host.h"
#include "library/prompt_fields.h"
#include "services/app_state.h"
#include "services/program.h"

#include <algorithm>
#include <map>

namespace {

constexpr int sendId = 1;
constexpr int sendPlainId = 2;
constexpr int firstEditId = 100; // field i's box; its label has firstLabelId + i
constexpr int firstLabelId = 300;
constexpr int margin = 12;

// What the open window sends, and its controls in the order Tab walks them.
struct FieldsRequest {
    std::u16string promptName;
    std::u16string promptText;
    std::u16string inputText;
    std::vector<std::u16string> names;
    std::vector<HWND> tabOrder; // the boxes, then the two buttons
};
FieldsRequest request;
// The fill-in field values last sent with each prompt in this run, by the prompt's name.
std::map<std::u16string, FieldValues> lastFieldValues;

// Heights of a label, a box and a button, for the content font's size in pixels.
struct RowMetrics {
    int label, box, button, width;
};
RowMetrics rowMetrics() {
    const int px = app().live.fontSize > 0 ? app().live.fontSize : 13;
    return {px + 8, px + 14, px + 16, std::max(360, 32 * px)};
}

int rowHeight(const RowMetrics& m) {
    return m.label + m.box + 8;
}

// Main window first, so that it, not another program, becomes active as the window goes.
void closeFieldsWindow() {
    const AppState& state = app();
    if (state.mainWindow) EnableWindow(state.mainWindow, TRUE);
    if (isWindow(state.fieldsWindow)) DestroyWindow(state.fieldsWindow);
}

// Sends the text, filled with the boxes' values or as it is, and closes the window.
void answer(bool fill) {
    std::u16string text = request.promptText;
    if (fill) {
        FieldValues values;
        for (std::size_t i = 0; i < request.names.size(); ++i)
            values[request.names[i]] = readWindowText(request.tabOrder[i]);
        text = fillPromptFields(text, values);
        for (auto& [name, value] : values)
            lastFieldValues[request.promptName][name] = std::move(value);
    }
    const std::u16string input = request.inputText;
    closeFieldsWindow(); // clears the request
    sendTextToChat(text, input);
}

// Under every control's own procedure: Tab and Shift+Tab walk the controls, Enter answers as
// the focused button does ("Senden" in a box), Escape closes without sending.
LRESULT CALLBACK keysProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_USERDATA));
    if (message == WM_KEYDOWN) {
        const std::vector<HWND>& order = request.tabOrder;
        switch (wParam) {
        case VK_TAB: {
            const auto at = std::find(order.begin(), order.end(), control) - order.begin();
            const auto step = GetKeyState(VK_SHIFT) < 0 ? order.size() - 1 : 1;
            SetFocus(order[(static_cast<std::size_t>(at) + step) % order.size()]);
            return 0;
        }
        case VK_RETURN:
            answer(GetDlgCtrlID(control) != sendPlainId);
            return 0; // the window is gone: nothing more of it is touched
        case VK_ESCAPE:
            closeFieldsWindow();
            return 0;
        }
    }
    // Tab, Enter and Escape come as characters too, which the controls would answer with a beep.
    if (message == WM_CHAR && (wParam == L'\t' || wParam == L'\r' || wParam == L'\n' || wParam == 0x1B))
        return 0;
    return CallWindowProcW(own, control, message, wParam, lParam);
}

HWND underKeys(HWND control) {
    SetWindowLongPtrW(control, GWLP_USERDATA, GetWindowLongPtrW(control, GWLP_WNDPROC));
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(keysProc));
    return control;
}

void createFieldControls(HWND window) {
    const RowMetrics m = rowMetrics();
    const auto remembered = lastFieldValues.find(request.promptName);
    int y = margin;
    for (std::size_t i = 0; i < request.names.size(); ++i, y += rowHeight(m)) {
        const std::u16string& name = request.names[i];
        const int id = static_cast<int>(i);
        createControl(window, 0, L"STATIC", wide(name + u":"), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, margin, y,
                      m.width - 2 * margin, m.label, firstLabelId + id);
        std::u16string value;
        if (remembered != lastFieldValues.end()) {
            const auto last = remembered->second.find(name);
            if (last != remembered->second.end()) value = last->second;
        }
        request.tabOrder.push_back(underKeys(
            createControl(window, 0, L"EDIT", wide(value), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                          margin, y + m.label, m.width - 2 * margin, m.box, firstEditId + id)));
    }
    const int buttonWidth = (m.width - 3 * margin) / 2;
    request.tabOrder.push_back(
        underKeys(createControl(window, 0, L"BUTTON", L"Senden", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON,
                                margin, y + 4, buttonWidth, m.button, sendId)));
    request.tabOrder.push_back(
        underKeys(createControl(window, 0, L"BUTTON", L"Ohne Ausfüllen senden", WS_CHILD | WS_VISIBLE,
                                2 * margin + buttonWidth, y + 4, buttonWidth, m.button, sendPlainId)));
}

LRESULT CALLBACK fieldsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createFieldControls(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == sendId || LOWORD(wParam) == sendPlainId) answer(LOWORD(wParam) == sendId);
        return 0;
    case WM_CLOSE:
        closeFieldsWindow();
        return 0;
    case WM_DESTROY: // also when the main window goes first
        if (app().mainWindow) EnableWindow(app().mainWindow, TRUE);
        break;
    case WM_NCDESTROY:
        request = {};
        break;
    }
    return secondaryWindowDefault(app().fieldsWindow, window, message, wParam, lParam);
}

} // namespace

void sendPromptFillingFields(std::int32_t libraryIndex, const std::u16string& inputText) {
    AppState& state = app();
    if (!isPromptIndex(state.library, libraryIndex)) return;
    const Prompt& prompt = state.library[static_cast<std::size_t>(libraryIndex)];
    std::vector<std::u16string> names = promptFieldNames(prompt.text);
    if (names.empty()) {
        sendPromptToChat(libraryIndex, inputText);
        return;
    }
    if (bringToFront(state.fieldsWindow)) return; // one question at a time
    request = {prompt.name, prompt.text, inputText, std::move(names), {}};

    const RowMetrics m = rowMetrics();
    RECT frame{0, 0, m.width,
               2 * margin + static_cast<int>(request.names.size()) * rowHeight(m) + 4 + m.button};
    constexpr DWORD style = WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME;
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    registerClassOnce(L"FieldsDlg", fieldsProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    state.fieldsWindow =
        CreateWindowExW(exStyle, L"FieldsDlg", L"Felder ausfüllen", style, 260, 200, frame.right - frame.left,
                        frame.bottom - frame.top, state.mainWindow, nullptr, nullptr, nullptr);
    if (!state.fieldsWindow) return;
    if (state.mainWindow) EnableWindow(state.mainWindow, FALSE);
    ShowWindow(state.fieldsWindow, SW_SHOW);
    SetFocus(request.tabOrder.front());
    SendMessageW(request.tabOrder.front(), EM_SETSEL, 0, -1);
}
