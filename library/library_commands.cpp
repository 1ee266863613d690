// The menu commands that act on the library as a whole: delete the selected prompt, export, import.
#include "library/library_commands.h"

#include "base/file_io.h"
#include "base/wide_text.h"
#include "base/win_owners.h"
#include "library/backups.h"
#include "library/deleted_prompts.h"
#include "library/prompt_editor.h"
#include "library/prompt_file.h"
#include "services/app_state.h"
#include "services/program.h"

namespace {

constexpr DWORD pathCapacity = 260;

// After the library was replaced or shortened: the first prompt is selected and shown, every
// view of the main window follows, and then the library is written.
void showFirstPromptAndSave() {
    notifyLibraryChanged(0, true);
    saveLibrary();
}

// The folder of a path, with its final backslash; empty for a bare name.
std::u16string folderOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

// Where the backups go, as the user is told: the folder of prompts.xml.
std::u16string backupFolder() {
    const std::u16string folder = folderOf(app().paths.prompts);
    return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}

bool replacementConfirmed(std::size_t incoming, const std::u16string& file) {
    const AppState& state = app();
    const std::size_t current = state.library.size();
    const std::u16string question = (current == 1 ? u"Den " : u"Die ") + promptCountText(current) +
                                    u" der Bibliothek durch " + promptCountText(incoming) + u" aus \"" +
                                    file.substr(folderOf(file).size()) + u"\" ersetzen?\n\nDie bisherige " +
                                    u"Bibliothek wird vorher in \"" + backupFolder() +
                                    u"\" gesichert (prompts-backup-Datum-Uhrzeit.xml).";
    return showMessageBox(state.mainWindow, wide(question), L"Import Prompts", MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

// The backups in the folder of prompts.xml, oldest first.
std::vector<std::u16string> backupsBesidePrompts() {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found{};
    const std::u16string pattern = folderOf(app().paths.prompts) + std::u16string(kBackupPrefix) + u"*.xml";
    const UniqueFileSearch search(FindFirstFileW(wide(pattern), &found));
    if (!search) return names;
    do
        names.push_back(fromWide(found.cFileName));
    while (FindNextFileW(search.get(), &found));
    return backupsByAge(std::move(names));
}

// Keeps the library as it is before an import replaces it, in a new backup beside prompts.xml,
// unless the newest backup holds the same bytes. That is the file's own bytes while they are
// what the program holds; after failed saves, or without a file, the library in memory. True
// when it is kept (or there is nothing to keep).
bool backUpLibrary() {
    const AppState& state = app();
    const std::u16string& path = state.paths.prompts;
    const bool fileIsCurrent = pathExists(path) && !saveFailed(path);
    if (!fileIsCurrent && state.library.empty()) return true;
    const std::optional<std::string> bytes =
        fileIsCurrent ? readWholeFile(path) : promptDocument(state.library);
    if (!bytes) return false;
    const std::vector<std::u16string> backups = backupsBesidePrompts();
    const std::u16string folder = folderOf(path);
    if (!backups.empty() && readWholeFile(folder + backups.back()) == bytes) return true;
    std::u16string backupPath;
    if (!writeBesidePrompts(kBackupPrefix, *bytes, backupPath)) return false;
    // Only the newest backups stay, so that imports do not fill the folder.
    std::vector<std::u16string> names = backups;
    const std::u16string made = backupPath.substr(folder.size());
    names.push_back(made);
    for (const std::u16string& name : backupsBeyond(std::move(names), kKeptBackups, made))
        DeleteFileW(wide(folder + name));
    return true;
}

} // namespace

void deletePrompt(std::int32_t selected) {
    AppState& state = app();
    if (!isPromptIndex(state.library, selected)) return;

    std::u16string question = u"Möchten Sie den Prompt \"" +
                              state.library[static_cast<size_t>(selected)].name + u"\" wirklich löschen?";
    if (showMessageBox(state.mainWindow, wide(question), L"Prompt löschen", MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    // The prompt is kept in prompts-deleted.xml first; without that safety net it stays.
    const std::u16string deletedPath = deletedPromptsPath(state.paths.prompts);
    if (!keepDeletedPrompt(deletedPath, state.library[static_cast<size_t>(selected)])) {
        const std::u16string message = u"Der Prompt wurde nicht gelöscht: Die Datei \"" + deletedPath +
                                       u"\" konnte nicht geschrieben werden.";
        showMessageBox(state.mainWindow, wide(message), L"Prompt löschen", MB_OK | MB_ICONERROR);
        return;
    }

    state.library.erase(state.library.begin() + selected);
    editTargetAfterDeletion(selected);
    showFirstPromptAndSave();
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

    const std::u16string path = fromWide(file);
    PromptLibrary incoming;
    if (!loadPromptFile(incoming, path)) return;
    if (!state.library.empty() && !replacementConfirmed(incoming.size(), path)) return;
    if (!backUpLibrary()) {
        const std::u16string message = u"Die bisherige Bibliothek konnte nicht in \"" + backupFolder() +
                                       u"\" gesichert werden. Der Import wurde abgebrochen.";
        showMessageBox(state.mainWindow, wide(message), L"Import Prompts", MB_OK | MB_ICONERROR);
        return;
    }
    state.library = std::move(incoming);
    editTargetAfterReplacement();
    showFirstPromptAndSave();
}
