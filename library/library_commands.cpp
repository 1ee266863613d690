// The menu commands that act on the library as a whole: delete the selected prompt, export, import.
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/secondary_window_parts.h"
#include "app/secondary_windows.h"
#include "app/shell.h"
#include "library/prompt_file.h"

namespace {

constexpr DWORD pathCapacity = 260;

// After the library was replaced or shortened: the first prompt is selected and shown, and
// the favourites, fonts and layout of the main window follow.
void showFirstPrompt() {
    AppState& s = app();
    saveSelectedPromptIndex(0);
    if (s.inputEdit) SetWindowTextW(s.inputEdit, s.library.empty() ? L"" : wide(s.library.front().lasttext));
    rebuildFavorites(s.mainWindow);
    applyContentFont(s.mainWindow);
    layoutPromptPane(s.mainWindow);
}

// Keeps the library file as it was before an import as prompts.xml.bak beside it, so a
// mistaken import can be undone by hand.
void backUpPromptFile() {
    const std::u16string& path = app().promptsPath;
    if (path.empty()) return;
    CopyFileW(wide(path), wide(path + u".bak"), FALSE);
}

} // namespace

void deleteSelectedPrompt() {
    AppState& s = app();
    if (!s.promptCombo) return;
    auto selected = static_cast<std::int32_t>(SendMessageW(s.promptCombo, CB_GETCURSEL, 0, 0));
    if (selected < 0 || static_cast<size_t>(selected) >= s.library.size()) return;

    std::u16string question = u"Möchten Sie den Prompt \"" + s.library[static_cast<size_t>(selected)].name +
                              u"\" wirklich löschen?";
    if (showMessageBox(s.mainWindow, wide(question), L"Prompt löschen", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    s.library.erase(s.library.begin() + selected);
    editTargetAfterDeletion(selected);
    savePromptFile(s.library, s.promptsPath);
    fillPromptCombo(0);
    showFirstPrompt();
}

void exportLibrary() {
    AppState& s = app();
    wchar_t file[pathCapacity] = L"export.xml";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = s.mainWindow;
    dialog.lpstrFilter = L"XML Files\0*.xml\0All Files\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = pathCapacity;
    dialog.lpstrDefExt = L"xml";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (!askSaveFileName(&dialog)) return;

    std::u16string path(reinterpret_cast<const char16_t*>(file));
    if (savePromptFile(s.library, path)) {
        showMessageBox(s.mainWindow, L"Exportiert!", L"Export", MB_OK);
    } else {
        std::u16string message = u"Die Datei \"" + path + u"\" konnte nicht geschrieben werden.";
        showMessageBox(s.mainWindow, wide(message), L"Export", MB_OK | MB_ICONERROR);
    }
}

void importLibrary() {
    AppState& s = app();
    wchar_t file[pathCapacity] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = s.mainWindow;
    dialog.lpstrFilter = L"XML\0*.xml\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = pathCapacity;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!askOpenFileName(&dialog)) return;

    if (!loadPromptFile(s.library, std::u16string(reinterpret_cast<const char16_t*>(file)))) return;
    editTargetAfterReplacement();
    backUpPromptFile();
    savePromptFile(s.library, s.promptsPath);
    fillPromptCombo(0);
    showFirstPrompt();
}
