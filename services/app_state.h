#pragma once
// AppState: what the parts of the program share, for the life of the process. Each part keeps
// its own state beside its code; only the user-interface thread touches any of it.

#include "base/win_owners.h"
#include "library/prompt_library.h"
#include "settings/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Full paths of prompts.xml and prompt.cf.
struct StoragePaths {
    std::u16string prompts;
    std::u16string settings;
};

struct AppState {
    // The owner of every message box, and the receiver of the parts' notifications.
    HWND mainWindow = nullptr;
    // The secondary windows while they are open: the content font reaches their controls too.
    HWND aboutWindow = nullptr;
    HWND settingsWindow = nullptr;
    HWND editorWindow = nullptr;
    HWND searchWindow = nullptr;
    HWND fieldsWindow = nullptr;

    // Fonts and brushes.
    LOGFONTW baseLogFont{};
    UniqueFont contentFont;
    UniqueFont boldFont;
    UniqueBrush whiteBrush;
    // Content fonts replaced while an About, settings, editor, search or fields window was open:
    // their controls keep drawing with the font they were given until they close.
    std::vector<UniqueFont> retiredFonts;

    // Font size, favourite count and colours as shown; every store of prompt.cf writes them.
    LiveSettings live;

    PromptLibrary library;
    // Counts every change of which prompts the library holds and where (not of their input
    // texts), so that a list made from it can tell that it is out of date.
    std::uint64_t libraryChanges = 0;
    // prompts.xml was there at the start and not read whole: it is kept beside before it is
    // first written over.
    bool unreadPromptsFile = false;
    StoragePaths paths;
    // Files whose failed save has been reported and not succeeded since: the user hears of a
    // failing file once, not at every later change.
    std::vector<std::u16string> failingFiles;
    // While closing, failed saves are not reported one by one: closing asks about them at its end.
    bool closing = false;
};

// The process's one AppState.
AppState& app();
