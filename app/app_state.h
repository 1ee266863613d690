#pragma once
// AppState: the one record that owns everything the window procedures share,
// for the life of the process. Only the user-interface thread touches it.

#include "base/win_owners.h"
#include "library/prompt_fields.h"
#include "library/prompt_library.h"
#include "settings/settings.h"

#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The browser's interfaces by name only: the files that use them include the WebView2 SDK.
struct ICoreWebView2;
struct ICoreWebView2Controller;

struct AppState {
    // Made, moved and ended where the browser's interfaces are known.
    AppState();
    AppState(AppState&&) noexcept;
    AppState& operator=(AppState&&) noexcept;
    ~AppState();

    // Windows.
    HWND mainWindow = nullptr;
    HWND promptHeader = nullptr;
    HWND aiCombo = nullptr;
    HWND promptCombo = nullptr;
    HWND inputEdit = nullptr;
    HWND clearButton = nullptr;
    HWND pasteButton = nullptr;
    HWND sendButton = nullptr;
    HWND promptStrip = nullptr;
    HWND favHeader = nullptr;
    HWND favStrip = nullptr;
    HWND aiHeader = nullptr;
    HWND aiStrip = nullptr;
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

    // The library and what hangs on it.
    PromptLibrary library;
    // Counts every change of which prompts the library holds and where (not of their input
    // texts), so that a list made from it can tell that it is out of date.
    std::uint64_t libraryChanges = 0;
    // prompts.xml was there at the start and not read whole: it is kept beside before it is
    // first written over.
    bool unreadPromptsFile = false;
    std::vector<std::int32_t> favoriteIndices;
    std::vector<HWND> favoriteButtons;
    std::int32_t editIndex = -1;
    bool editExisting = false; // the editor works on the prompt at editIndex, not a new one
    // The fill-in field values last sent with each prompt in this run, by the prompt's name.
    std::map<std::u16string, FieldValues> lastFieldValues;

    // The browser view; empty until its creation has completed.
    Microsoft::WRL::ComPtr<ICoreWebView2Controller> browserController;
    Microsoft::WRL::ComPtr<ICoreWebView2> webView;
    // The hint shown in the view's place when there is no WebView2 runtime.
    HWND browserHint = nullptr;

    // Full paths of prompts.xml and prompt.cf.
    std::u16string promptsPath;
    std::u16string settingsPath;
    // Files whose failed save has been reported and not succeeded since: the user hears of a
    // failing file once, not at every later change.
    std::vector<std::u16string> failingFiles;
    // While closing, failed saves are not reported one by one: closing asks about them at its end.
    bool closing = false;
};

// The process's one AppState.
AppState& app();
