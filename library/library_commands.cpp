// The menu commands that act on the library as a whole: delete the selected prompt, export, import.
#include "library/library_commands.h"

#include "app/app_state.h"
#include "app/shell.h"
#include "library/backups.h"
#include "library/deleted_prompts.h"
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

constexpr std::size_t keptBackups = 5;

// The folder of a path, with its final backslash; empty for a bare name.
std::u16string folderOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

bool replacementConfirmed(std::size_t incoming, const std::u16string& file) {
    const AppState& state = app();
    const std::size_t current = state.library.size();
    const std::u16string question = (current == 1 ? u"Den " : u"Die ") + promptCountText(current) +
                                    u" der Bibliothek durch " + promptCountText(incoming) + u" aus \"" +
                                    file.substr(folderOf(file).size()) + u"\" ersetzen?";
    return showMessageBox(state.mainWindow, wide(question), L"Import Prompts", MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

// Only the newest backups stay, so that imports do not fill the folder.
void removeOldBackups(const std::u16string& folder) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found{};
    const UniqueFileSearch search(FindFirstFileW(wide(folder + u"prompts-backup-*.xml"), &found));
    if (!search) return;
    do
        names.push_back(fromWide(found.cFileName));
    while (FindNextFileW(search.get(), &found));
    for (const std::u16string& name : backupsBeyond(std::move(names), keptBackups))
        DeleteFileW(wide(folder + name));
}

// Copies the library file to a new backup beside it before an import replaces it. True when
// the copy was made or there is no file to keep; `backupPath` names the copy tried.
bool backUpPromptFile(std::u16string& backupPath) {
    const std::u16string& path = app().promptsPath;
    if (GetFileAttributesW(wide(path)) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    }
    const std::u16string folder = folderOf(path);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    ULARGE_INTEGER moment{};
    FILETIME asFileTime{};
    SystemTimeToFileTime(&now, &asFileTime);
    moment.LowPart = asFileTime.dwLowDateTime;
    moment.HighPart = asFileTime.dwHighDateTime;
    // A backup made within the same second takes the next free second: none is overwritten,
    // and the names keep the order in which the backups were made.
    constexpr ULONGLONG second = 10'000'000; // in FILETIME's 100 ns
    for (int attempt = 0; attempt < 60; ++attempt, moment.QuadPart += second) {
        asFileTime = {moment.LowPart, moment.HighPart};
        SYSTEMTIME stamp{};
        FileTimeToSystemTime(&asFileTime, &stamp);
        backupPath = folder + backupFileName(stamp.wYear, stamp.wMonth, stamp.wDay, stamp.wHour,
                                             stamp.wMinute, stamp.wSecond);
        if (CopyFileW(wide(path), wide(backupPath), TRUE)) {
            removeOldBackups(folder);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
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
    // The prompt is kept in prompts-deleted.xml first; without that safety net it stays.
    const std::u16string deletedPath = deletedPromptsPath(state.promptsPath);
    if (!keepDeletedPrompt(deletedPath, state.library[static_cast<size_t>(selected)])) {
        const std::u16string message = u"Der Prompt wurde nicht gelöscht: Die Datei \"" + deletedPath +
                                       u"\" konnte nicht geschrieben werden.";
        showMessageBox(state.mainWindow, wide(message), L"Prompt löschen", MB_OK | MB_ICONERROR);
        return;
    }

    state.library.erase(state.library.begin() + selected);
    editTargetAfterDeletion(selected);
    // Every view follows before a failed save's box can let the user pick from an old list.
    fillPromptCombo(0);
    showFirstPrompt();
    saveLibrary();
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
    std::u16string backupPath;
    if (!backUpPromptFile(backupPath)) {
        const std::u16string message = u"Die Datei \"" + state.promptsPath + u"\" konnte nicht nach \"" +
                                       backupPath + u"\" gesichert werden. Der Import wurde abgebrochen.";
        showMessageBox(state.mainWindow, wide(message), L"Import Prompts", MB_OK | MB_ICONERROR);
        return;
    }
    state.library = std::move(incoming);
    editTargetAfterReplacement();
    fillPromptCombo(0);
    showFirstPrompt();
    saveLibrary();
}
