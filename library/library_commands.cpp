// The menu commands that act on the library as a whole: delete the selected prompt, export, import.
#include "library/library_commands.h"

#include "app/app_state.h"
#include "app/shell.h"
#include "library/prompt_editor.h"
#include "library/prompt_file.h"

namespace {

constexpr DWORD pathCapacity = 260;

// After the library was replaced or shortened: the first prompt is selected and shown, and
// the favourites, fonts and layout of the main window follow.
void showFirstPrompt() {
    AppState& state = app();
    saveSelectedPromptIndex(0);
    if (state.inputEdit)
        SetWindowTextW(state.inputEdit, state.library.empty() ? L"" : wide(state.library.front().lasttext));
    refreshMainWindow();
}

// Keeps the library file as it was before an import as prompts.xml.bak beside it, so a
// mistaken import can be undone by hand.
void backUpPromptFile() {
    const AppState& state = app();
    const std::u16string& path = state.promptsPath;
    if (path.empty()) return;
    CopyFileW(wide(path), wide(path + u".bak"), FALSE);
}

} // namespace

void deleteSelectedPrompt() {
    AppState& state = app();
    if (!state.promptCombo) return;
    auto selected = static_cast<std::int32_t>(SendMessageW(state.promptCombo, CB_GETCURSEL, 0, 0));
    if (!isPromptIndex(state.library, selected)) return;

    std::u16string question = u"Möchten Sie den Prompt \"" +
                              state.library[static_cast<size_t>(selected)].name + u"\" wirklich löschen?";
    if (showMessageBox(state.mainWindow, wide(question), L"Prompt löschen", MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;

    state.library.erase(state.library.begin() + selected);
    editTargetAfterDeletion(selected);
    reportSave(savePromptFile(state.library, state.promptsPath), state.promptsPath);
    fillPromptCombo(0);
    showFirstPrompt();
}

void exportLibrary() {
    AppState& state = app();
    wchar_t file[pathCapacity] = L"export.xml";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = state.mainWindow;
    dialog.lpstrFilter = L"XML Files\0*.xml\0All Files\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = pathCapacity;
    dialog.lpstrDefExt = L"xml";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!askSaveFileName(&dialog)) return;

    const std::u16string path = fromWide(file);
    if (savePromptFile(state.library, path)) {
        showMessageBox(state.mainWindow, L"Exportiert!", L"Export", MB_OK);
    } else {
        std::u16string message = u"Die Datei \"" + path + u"\" konnte nicht geschrieben werden.";
        showMessageBox(state.mainWindow, wide(message), L"Export", MB_OK | MB_ICONERROR);
    }
}

void importLibrary() {
    AppState& state = app();
    wchar_t file[pathCapacity] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = state.mainWindow;
    dialog.lpstrFilter = L"XML\0*.xml\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = pathCapacity;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!askOpenFileName(&dialog)) return;

    if (!loadPromptFile(state.library, fromWide(file))) return;
    editTargetAfterReplacement();
    backUpPromptFile();
    reportSave(savePromptFile(state.library, state.promptsPath), state.promptsPath);
    fillPromptCombo(0);
    showFirstPrompt();
}
