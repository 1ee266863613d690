#include "app/prompt_pane.h"

#include "app/app_state.h"
#include "app/command_model.h"
#include "app/fields_window.h"
#include "app/shell.h"
#include "base/wide_text.h"

#include <cwchar>

namespace {

std::int32_t selectionOf(HWND combo) {
    return static_cast<std::int32_t>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

// The clipboard's Unicode text, or empty when it can't be opened or holds none.
std::u16string readClipboardText() {
    std::u16string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Up to the first NUL, but never past the memory block.
            const std::size_t limit = GlobalSize(data) / sizeof(wchar_t);
            text.assign(reinterpret_cast<const char16_t*>(chars), wcsnlen(chars, limit));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::u16string getInputText() {
    const AppState& state = app();
    return readWindowText(state.inputEdit);
}

} // namespace

bool storeInputText() {
    AppState& state = app();
    if (!state.promptCombo || !state.inputEdit) return false;
    const std::int32_t selection = selectionOf(state.promptCombo);
    if (!isPromptIndex(state.library, selection)) return false;
    std::u16string text = getInputText();
    std::u16string& stored = state.library[static_cast<std::size_t>(selection)].lasttext;
    if (text == stored) return false;
    stored = std::move(text);
    return true;
}

void selectStoredPrompt() {
    const AppState& state = app();
    if (state.library.empty()) return;
    const std::int32_t index =
        storedPromptSelection(loadSettings(state.settingsPath).promptIndex, state.library.size());
    SendMessageW(state.promptCombo, CB_SETCURSEL, index, 0);
    if (state.inputEdit)
        SetWindowTextW(state.inputEdit, wide(state.library[static_cast<std::size_t>(index)].lasttext));
}

void onPromptSelectionChanged() {
    // The list has already moved its selection: the text goes to the newly chosen prompt.
    const bool stored = storeInputText();
    const AppState& state = app();
    const std::int32_t selection = selectionOf(state.promptCombo);
    if (selection == -1) return;
    saveSelectedPromptIndex(selection);
    if (state.inputEdit && isPromptIndex(state.library, selection))
        SetWindowTextW(state.inputEdit, wide(state.library[static_cast<std::size_t>(selection)].lasttext));
    // Every change of the library is saved as it is made: with no text stored anew, prompts.xml
    // holds the library already unless its last save failed, and a big one is not even compared.
    if (stored || saveFailed(state.promptsPath)) saveLibrary();
}

void clearInputText() {
    const AppState& state = app();
    if (state.inputEdit) SetWindowTextW(state.inputEdit, L"");
    storeInputText();
    saveLibrary();
}

void pasteClipboardText() {
    const std::u16string text = readClipboardText();
    if (text.empty()) return;
    const AppState& state = app();
    SetWindowTextW(state.inputEdit, wide(text));
    storeInputText();
    saveLibrary();
}

void sendSelectedPrompt() {
    const AppState& state = app();
    const std::int32_t selection = selectionOf(state.promptCombo);
    if (!isPromptIndex(state.library, selection)) return;
    storeInputText();
    sendPromptFillingFields(selection, state.library[static_cast<std::size_t>(selection)].lasttext);
    saveLibrary();
}

void sendFavorite(int position) {
    const AppState& state = app();
    if (position < 0 || static_cast<std::size_t>(position) >= state.favoriteIndices.size()) return;
    sendPromptFillingFields(state.favoriteIndices[static_cast<std::size_t>(position)], getInputText());
}
