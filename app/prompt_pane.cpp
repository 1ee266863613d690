#include "app/prompt_pane.h"

#include "app/command_model.h"
#include "app/fields_window.h"
#include "app/main_children.h"
#include "base/wide_text.h"
#include "base/window.h"
#include "favourites/favorites.h"
#include "services/app_state.h"
#include "services/program.h"

#include <cwchar>

namespace {

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
    return readWindowText(mainChildren().inputEdit);
}

// The input box shows the last input text of prompt `selection`, or nothing.
void showInputTextOf(std::int32_t selection) {
    const AppState& state = app();
    HWND input = mainChildren().inputEdit;
    if (!input) return;
    SetWindowTextW(input, isPromptIndex(state.library, selection)
                              ? wide(state.library[static_cast<std::size_t>(selection)].lasttext)
                              : L"");
}

} // namespace

std::int32_t selectedPrompt() {
    HWND combo = mainChildren().promptCombo;
    return combo ? static_cast<std::int32_t>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

void showLibrary(std::int32_t index, bool showSelected) {
    const AppState& state = app();
    HWND combo = mainChildren().promptCombo;
    // No drawing and no scroll bar updates entry by entry: the list is drawn once, filled.
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    // Room for every entry and its name at once, instead of the list growing step by step
    // (which copies its whole item array each time: quadratic with a big library).
    std::size_t nameUnits = 0;
    for (const Prompt& prompt : state.library)
        nameUnits += prompt.name.size() + 1;
    SendMessageW(combo, CB_INITSTORAGE, state.library.size(), nameUnits * sizeof(wchar_t));
    for (const Prompt& prompt : state.library)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(prompt.name)));
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    SendMessageW(combo, CB_SETCURSEL, promptComboSelection(index, state.library.size()), 0);
    InvalidateRect(combo, nullptr, TRUE);
    if (showSelected) showInputTextOf(selectedPrompt());
}

bool saveSelectedPromptIndex(std::int32_t index) {
    const AppState& state = app();
    std::optional<AiTarget> aiSelection;
    if (HWND aiCombo = mainChildren().aiCombo) {
        const auto ai = static_cast<std::int32_t>(SendMessageW(aiCombo, CB_GETCURSEL, 0, 0));
        if (ai >= 0) aiSelection = ai;
    }
    return reportSave(saveSelectedPromptIndex(state.paths.settings, state.live, index, aiSelection),
                      state.paths.settings);
}

bool storeInputText() {
    AppState& state = app();
    if (!mainChildren().inputEdit) return false;
    const std::int32_t selection = selectedPrompt();
    if (!isPromptIndex(state.library, selection)) return false;
    std::u16string text = getInputText();
    std::u16string& stored = state.library[static_cast<std::size_t>(selection)].lasttext;
    if (text == stored) return false;
    stored = std::move(text);
    return true;
}

void onPromptSelectionChanged() {
    // The list has already moved its selection: the text goes to the newly chosen prompt.
    const bool stored = storeInputText();
    const std::int32_t selection = selectedPrompt();
    if (selection == -1) return;
    saveSelectedPromptIndex(selection);
    if (isPromptIndex(app().library, selection)) showInputTextOf(selection);
    // Every change of the library is saved as it is made: with no text stored anew, prompts.xml
    // holds the library already unless its last save failed, and a big one is not even compared.
    if (stored || saveFailed(app().paths.prompts)) saveLibrary();
}

void clearInputText() {
    if (HWND input = mainChildren().inputEdit) SetWindowTextW(input, L"");
    storeInputText();
    saveLibrary();
}

void pasteClipboardText() {
    const std::u16string text = readClipboardText();
    if (text.empty()) return;
    SetWindowTextW(mainChildren().inputEdit, wide(text));
    storeInputText();
    saveLibrary();
}

void sendSelectedPrompt() {
    const AppState& state = app();
    const std::int32_t selection = selectedPrompt();
    if (!isPromptIndex(state.library, selection)) return;
    storeInputText();
    sendPromptFillingFields(selection, state.library[static_cast<std::size_t>(selection)].lasttext);
    saveLibrary();
}

void sendFavorite(int position) {
    if (const std::optional<std::int32_t> index = favoritePrompt(position))
        sendPromptFillingFields(*index, getInputText());
}
