// The prompt editor: a separate window in which a new prompt is made ("Neu") or the selected one is
// changed ("Edit"). Saving writes the library and closes the editor; closing it otherwise discards.
#include "library/prompt_editor.h"

#include "base/wide_text.h"
#include "base/window.h"
#include "services/app_state.h"
#include "services/program.h"

#include <optional>

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
// The prompt the editor works on; none for a new prompt, and for one deleted or replaced by an
// import while the editor is open (its input is then saved as a new prompt).
std::optional<std::int32_t> editing;

// The prompt the editor works on, when it is still in the library.
Prompt* editedPrompt() {
    AppState& state = app();
    return editing && isPromptIndex(state.library, *editing) ? &state.library[static_cast<size_t>(*editing)]
                                                             : nullptr;
}

void createEditorControls(HWND window) {
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
    if (const Prompt* prompt = editedPrompt()) {
        SetWindowTextW(editor.nameEdit, wide(prompt->name));
        SetWindowTextW(editor.textEdit, wide(prompt->text));
        fav = prompt->fav;
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

    std::int32_t saved = 0;
    if (Prompt* prompt = editedPrompt()) {
        prompt->name = std::move(name);
        prompt->text = std::move(text);
        prompt->fav = fav;
        saved = *editing;
    } else {
        state.library.push_back(Prompt{std::move(name), std::move(text), fav, {}});
        saved = static_cast<std::int32_t>(state.library.size()) - 1;
    }
    notifyLibraryChanged(saved, false);
    // The user asked for this save: a failure is said even when an earlier one was.
    std::erase(state.failingFiles, state.paths.prompts);
    if (saveLibrary(window)) {
        DestroyWindow(window);
        return;
    }
    // Not written: the editor stays open with the user's text, now working on the prompt it
    // made, so that saving again does not add it twice.
    editing = saved;
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

void openPromptEditor(bool editExisting, std::int32_t selected) {
    AppState& state = app();
    if (bringToFront(state.editorWindow)) return;
    if (editExisting && selected < 0) return;
    editing = editExisting ? std::optional(selected) : std::nullopt;
    registerClassOnce(L"EditDlg", editorProc, nullptr);
    state.editorWindow =
        CreateWindowExW(0, L"EditDlg", editExisting ? L"Edit" : L"Neu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200,
                        200, 600, 600, state.mainWindow, nullptr, nullptr, nullptr);
}

void editTargetAfterDeletion(std::int32_t deletedIndex) {
    if (!editing) return;
    if (deletedIndex == *editing)
        editing.reset();
    else if (deletedIndex < *editing)
        --*editing;
}

void editTargetAfterReplacement() {
    editing.reset();
}
