// The prompt editor: a separate window in which a new prompt is made ("Neu") or the selected one is
// changed ("Edit"). Saving writes the library and closes the editor; closing it otherwise discards.
#include "app/app_state.h"
#include "app/secondary_window_parts.h"
#include "app/secondary_windows.h"
#include "app/shell.h"
#include "library/prompt_file.h"

namespace {

constexpr int saveButtonId = 1;
constexpr int favCheckId = 2;

// The editor's controls; there is at most one editor.
struct EditorControls {
    HWND nameEdit = nullptr;
    HWND favCheck = nullptr;
    HWND textEdit = nullptr;
    HWND saveButton = nullptr;
};
EditorControls editor;

bool designatesPrompt(std::int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < app().library.size();
}

void createEditorControls(HWND window) {
    const AppState& s = app();
    createControl(window, 0, L"STATIC", L"Name:", WS_CHILD | WS_VISIBLE, 20, 20, 100, 25, 0);
    editor.nameEdit = createControl(window, 0, L"EDIT", L"",
                                    WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 20, 50, 540, 30, 0);
    editor.favCheck = createControl(window, 0, L"BUTTON", L"Favorit", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                                    20, 90, 200, 25, favCheckId);
    createControl(window, 0, L"STATIC", L"Prompt Text:", WS_CHILD | WS_VISIBLE, 20, 120, 120, 25, 0);
    editor.textEdit = createControl(
        window, 0, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 20, 150, 540, 330, 0);

    bool fav = false;
    if (s.editExisting == 1 && designatesPrompt(s.editIndex)) {
        const Prompt& prompt = s.library[static_cast<size_t>(s.editIndex)];
        SetWindowTextW(editor.nameEdit, wide(prompt.name));
        SetWindowTextW(editor.textEdit, wide(prompt.text));
        fav = prompt.fav;
    }
    SendMessageW(editor.favCheck, BM_SETCHECK, fav ? BST_CHECKED : BST_UNCHECKED, 0);

    editor.saveButton = createControl(window, 0, L"BUTTON", L"Speichern", WS_CHILD | WS_VISIBLE, 20, 500, 120,
                                      30, saveButtonId);
}

// Takes the editor's fields into the library. An edit whose prompt is gone (deleted, or
// replaced by an import, while the editor was open) becomes a new prompt, so nothing typed is
// lost and no other prompt is overwritten.
void savePrompt(HWND window) {
    AppState& s = app();
    std::u16string name = readWindowText(editor.nameEdit);
    std::u16string text = readWindowText(editor.textEdit);
    bool fav = SendMessageW(editor.favCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;

    if (s.editExisting && designatesPrompt(s.editIndex)) {
        Prompt& prompt = s.library[static_cast<size_t>(s.editIndex)];
        prompt.name = std::move(name);
        prompt.text = std::move(text);
        prompt.fav = fav;
    } else {
        s.library.push_back(Prompt{std::move(name), std::move(text), fav, {}});
        s.editIndex = static_cast<std::int32_t>(s.library.size()) - 1;
    }
    savePromptFile(s.library, s.promptsPath);
    fillPromptCombo(s.editIndex);
    if (s.mainWindow) {
        rebuildFavorites(s.mainWindow);
        applyContentFont(s.mainWindow);
        layoutPromptPane(s.mainWindow);
    }
    DestroyWindow(window);
}

// The class has no background brush; the editor is filled with the window colour like the
// About and settings windows.
LRESULT eraseBackground(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    return 1;
}

LRESULT CALLBACK editorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createEditorControls(window);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == saveButtonId) savePrompt(window);
        return 0;
    case WM_ERASEBKGND:
        return eraseBackground(window, reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return controlColorAnswer(reinterpret_cast<HDC>(wParam));
    case WM_NCDESTROY:
        editor = {};
        secondaryWindowGone(app().editorWindow, window);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

void openPromptEditor(bool editExisting) {
    AppState& s = app();
    if (bringToFront(s.editorWindow)) return;
    if (editExisting) {
        s.editIndex = s.promptCombo
                          ? static_cast<std::int32_t>(SendMessageW(s.promptCombo, CB_GETCURSEL, 0, 0))
                          : CB_ERR;
        if (s.editIndex == CB_ERR) return;
        s.editExisting = 1;
    } else {
        s.editExisting = 0;
    }
    registerClassOnce(s.editorClassRegistered, L"EditDlg", editorProc, nullptr);
    s.editorWindow =
        CreateWindowExW(0, L"EditDlg", s.editExisting ? L"Edit" : L"Neu", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        200, 200, 600, 600, s.mainWindow, nullptr, nullptr, nullptr);
}

void editTargetAfterDeletion(std::int32_t deletedIndex) {
    AppState& s = app();
    if (!s.editExisting || s.editIndex < 0) return;
    if (deletedIndex == s.editIndex)
        s.editIndex = -1;
    else if (deletedIndex < s.editIndex)
        --s.editIndex;
}

void editTargetAfterReplacement() {
    AppState& s = app();
    if (s.editExisting) s.editIndex = -1;
}
