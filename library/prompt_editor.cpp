// The prompt editor: a separate window in which a new prompt is made ("Neu") or the selected one is
// changed ("Edit"). Saving writes the library and closes the editor; closing it otherwise discards.
#include "library/prompt_editor.h"

#include "app/app_state.h"
#include "app/shell.h"

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

void createEditorControls(HWND window) {
    const AppState& state = app();
    createControl(window, 0, L"STATIC", L"Name:", WS_CHILD | WS_VISIBLE, 20, 20, 100, 25, 0);
    editor.nameEdit = createControl(window, 0, L"EDIT", L"",
                                    WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 20, 50, 540, 30, 0);
    editor.favCheck = createControl(window, 0, L"BUTTON", L"Favorit", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
                                    20, 90, 200, 25, favCheckId);
    createControl(window, 0, L"STATIC", L"Prompt Text:", WS_CHILD | WS_VISIBLE, 20, 120, 120, 25, 0);
    editor.textEdit = createControl(
        window, 0, L"EDIT", L"",
        WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 20, 150, 540, 330, 0);
    // Typed and pasted values as long as the file holds them, not the 30,000 characters of an edit box.
    for (HWND field : {editor.nameEdit, editor.textEdit})
        SendMessageW(field, EM_SETLIMITTEXT, 0, 0);

    bool fav = false;
    if (state.editExisting && isPromptIndex(state.library, state.editIndex)) {
        const Prompt& prompt = state.library[static_cast<size_t>(state.editIndex)];
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
    AppState& state = app();
    std::u16string name = readWindowText(editor.nameEdit);
    std::u16string text = readWindowText(editor.textEdit);
    bool fav = SendMessageW(editor.favCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;
    // The library file keeps no item whose values are all empty: such a prompt would be gone at
    // the next start, and the stored selection would point at another one.
    if (name.empty() && text.empty()) {
        showMessageBox(window, L"Bitte geben Sie einen Namen oder einen Text ein.", L"Prompt speichern",
                       MB_OK | MB_ICONWARNING);
        return;
    }

    if (state.editExisting && isPromptIndex(state.library, state.editIndex)) {
        Prompt& prompt = state.library[static_cast<size_t>(state.editIndex)];
        prompt.name = std::move(name);
        prompt.text = std::move(text);
        prompt.fav = fav;
    } else {
        state.library.push_back(Prompt{std::move(name), std::move(text), fav, {}});
        state.editIndex = static_cast<std::int32_t>(state.library.size()) - 1;
    }
    ++state.libraryChanges;
    fillPromptCombo(state.editIndex);
    if (state.mainWindow) refreshMainWindow();
    // The user asked for this save: a failure is said even when an earlier one was.
    std::erase(state.failingFiles, state.promptsPath);
    if (saveLibrary(window)) {
        DestroyWindow(window);
        return;
    }
    // Not written: the editor stays open with the user's text, now working on the prompt it
    // made, so that saving again does not add it twice.
    state.editExisting = true;
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
    case WM_NCDESTROY:
        editor = {};
        break;
    }
    return secondaryWindowDefault(app().editorWindow, window, message, wParam, lParam);
}

} // namespace

void openPromptEditor(bool editExisting) {
    AppState& state = app();
    if (bringToFront(state.editorWindow)) return;
    if (editExisting) {
        state.editIndex = state.promptCombo
                              ? static_cast<std::int32_t>(SendMessageW(state.promptCombo, CB_GETCURSEL, 0, 0))
                              : CB_ERR;
        if (state.editIndex == CB_ERR) return;
    }
    state.editExisting = editExisting;
    registerClassOnce(L"EditDlg", editorProc, nullptr);
    state.editorWindow = CreateWindowExW(0, L"EditDlg", state.editExisting ? L"Edit" : L"Neu",
                                         WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 600, 600,
                                         state.mainWindow, nullptr, nullptr, nullptr);
}

void editTargetAfterDeletion(std::int32_t deletedIndex) {
    AppState& state = app();
    if (!state.editExisting || state.editIndex < 0) return;
    if (deletedIndex == state.editIndex)
        state.editIndex = -1;
    else if (deletedIndex < state.editIndex)
        --state.editIndex;
}

void editTargetAfterReplacement() {
    AppState& state = app();
    if (state.editExisting) state.editIndex = -1;
}
