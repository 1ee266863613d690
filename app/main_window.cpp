#include "app/main_window.h"

#include "app/app_state.h"
#include "app/command_model.h"
#include "app/commands.h"
#include "app/layout.h"
#include "app/owner_drawing.h"
#include "app/prompt_pane.h"
#include "app/shell.h"
#include "browser/browser_host.h"
#include "favourites/favorites.h"
#include "favourites/painted_windows.h"
#include "library/prompt_file.h"
#include "library/storage.h"
#include "settings/fonts.h"

#include <algorithm>

namespace {

StartupStepHook startupStepHook = nullptr;

void stepDone(const char* step) {
    if (startupStepHook) startupStepHook(step);
}

void setArea(HWND window, LONG_PTR area) {
    SetWindowLongPtrW(window, GWLP_USERDATA, area);
}

// Colours, font size and favourite count from prompt.cf, which is written back at once with
// every line, so that a hand-edited or old file holds all of them from the first start on.
void applySettingsAtStart() {
    AppState& state = app();
    bool written = false;
    state.live = applyStartupSettings(state.settingsPath, state.live, &written);
    reportSave(written, state.settingsPath);
    setContentFontSize(state.live.fontSize); // makes the fonts for it
}

void buildMenuBar(HWND window) {
    HMENU bar = CreateMenu();
    HMENU fileMenu = CreatePopupMenu();
    HMENU promptsMenu = CreatePopupMenu();
    HMENU helpMenu = CreatePopupMenu();
    AppendMenuW(fileMenu, MF_STRING, kExportId, L"Export Prompts");
    AppendMenuW(fileMenu, MF_STRING, kImportId, L"Import Prompts");
    AppendMenuW(fileMenu, MF_STRING, kAddPromptsId, L"Prompts hinzufügen…");
    AppendMenuW(promptsMenu, MF_STRING, kNewPromptId, L"Prompt neu erstellen");
    AppendMenuW(promptsMenu, MF_STRING, kEditPromptId, L"Prompt editieren");
    AppendMenuW(promptsMenu, MF_STRING, kDeletePromptId, L"Prompt löschen");
    AppendMenuW(promptsMenu, MF_STRING, kSearchPromptId, L"Prompt suchen…");
    AppendMenuW(helpMenu, MF_STRING, kAboutId, L"About");
    AppendMenuW(helpMenu, MF_STRING, kSettingsId, L"Einstellungen");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu), L"Datei");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(promptsMenu), L"Prompts");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(helpMenu), L"Hilfe");
    SetMenu(window, bar); // the window owns the menus from here on
    makeMenuOwnerDrawn(fileMenu, promptsMenu, helpMenu);
}

// The child windows in their creation order; returns the AI chat to open first.
AiTarget createChildWindows(HWND window) {
    AppState& state = app();
    constexpr DWORD visibleChild = WS_CHILD | WS_VISIBLE;

    state.promptHeader =
        createControl(window, 0, kFavHeaderClass, L"Prompt", visibleChild, 10, 10, 550, 30, 0);
    setArea(state.promptHeader, 1);

    state.aiCombo = createControl(window, 0, L"COMBOBOX", L"", visibleChild | CBS_DROPDOWNLIST, 50, 48, 510,
                                  200, kAiComboId);
    for (const wchar_t* chat : {L"OpenAI ChatGPT", L"Google Gemini", L"Microsoft Copilot"})
        SendMessageW(state.aiCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(chat));
    const AiTarget ai = loadSettings(state.settingsPath).ai;
    SendMessageW(state.aiCombo, CB_SETCURSEL, static_cast<WPARAM>(ai), 0);

    // The open list shows about ten names; its scroll bar, shown only when more follow, tells of them.
    state.promptCombo = createControl(window, 0, L"COMBOBOX", L"",
                                      visibleChild | WS_VSCROLL | CBS_DROPDOWNLIST, 50, 77, 510, 200, 0);

    state.inputEdit = createControl(window, 0, L"EDIT", L"",
                                    visibleChild | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 50,
                                    110, 510, 230, 0);
    // Ctrl+V takes a text of any length, as the paste button does, not the box's first 30,000 characters.
    SendMessageW(state.inputEdit, EM_SETLIMITTEXT, 0, 0);

    state.clearButton =
        createControl(window, 0, L"BUTTON", L"", visibleChild | BS_OWNERDRAW, 0, 0, 14, 14, kClearId);
    state.pasteButton =
        createControl(window, 0, L"BUTTON", L"", visibleChild | BS_OWNERDRAW, 0, 0, 14, 14, kPasteId);

    state.sendButton =
        createControl(window, 0, L"BUTTON", L"An KI senden", visibleChild, 50, 350, 510, 40, kSendId);

    state.promptStrip = createControl(window, 0, kFavStripClass, L"", visibleChild, 10, 10, 35, 10, 0);
    setArea(state.promptStrip, 1);
    placePromptStrip(window);

    state.favHeader =
        createControl(window, 0, kFavHeaderClass, L"Favoriten", visibleChild, 50, 410, 510, 30, 0);
    setArea(state.favHeader, 2);
    state.favStrip = createControl(window, 0, kFavStripClass, L"", WS_CHILD, 0, 0, 35, 10, 0);
    setArea(state.favStrip, 2);

    state.aiHeader = createControl(window, 0, kFavHeaderClass, L"AI", visibleChild, 580, 10, 300, 30, 0);
    setArea(state.aiHeader, 3);
    state.aiStrip = createControl(window, 0, kFavStripClass, L"", visibleChild, 580, 40, 35, 10, 0);
    setArea(state.aiStrip, 3);
    return ai;
}

void onCreate(HWND window) {
    AppState& state = app();
    state.mainWindow = window;
    stepDone("main window up to WM_CREATE");
    readSystemMenuFont();
    initStoragePaths();
    applySettingsAtStart();
    stepDone("settings and fonts");
    buildMenuBar(window);
    registerPaintedWindowClasses();
    const AiTarget ai = createChildWindows(window);
    stepDone("menu bar and child windows");
    bool readWhole = true;
    (void)loadPromptFile(state.library, state.promptsPath, &readWhole); // a missing file leaves it empty
    state.unreadPromptsFile = !readWhole;
    stepDone("loadPromptFile");
    fillPromptCombo(-1);
    stepDone("filling promptCombo");
    selectStoredPrompt();
    stepDone("stored selection and its text");
    rebuildFavorites(window);
    stepDone("favourites");
    layoutPromptPane(window);
    invalidatePaintedWindows(window);
    stepDone("layout");
    startBrowser(window, ai);
    placeAiArea(window);
    stepDone("browser request and AI area");
}

// The last saves: what the user changed since the last good save is lost when they fail, so
// the user is asked until they succeed or the user gives up.
void saveAtClose() {
    AppState& state = app();
    const auto selection = static_cast<std::int32_t>(SendMessageW(state.promptCombo, CB_GETCURSEL, 0, 0));
    state.closing = true;
    for (;;) {
        saveLibrary();
        // With no selection prompt.cf is left alone, unless it holds settings not written yet.
        const bool settingsFailing = std::find(state.failingFiles.begin(), state.failingFiles.end(),
                                               state.settingsPath) != state.failingFiles.end();
        if (state.promptCombo && selection >= 0)
            saveSelectedPromptIndex(selection);
        else if (settingsFailing)
            reportSave(storeSettings(state.settingsPath, state.live, [](Settings&) {}), state.settingsPath);
        if (state.failingFiles.empty()) return;
        std::u16string message;
        for (const std::u16string& file : state.failingFiles)
            message += u"Die Datei \"" + file + u"\" konnte nicht gespeichert werden.\n";
        message += u"\nWas seit dem letzten Speichern geändert wurde, geht mit \"Abbrechen\" verloren.";
        if (showMessageBox(state.mainWindow, wide(message), L"Verbarix", MB_RETRYCANCEL | MB_ICONERROR) !=
            IDRETRY)
            return;
    }
}

void onDestroy() {
    AppState& state = app();
    releaseBrowser();
    storeInputText();
    saveAtClose();
    destroyFavoriteButtons();
    for (HWND* window : {&state.favHeader, &state.favStrip, &state.promptStrip, &state.promptHeader,
                         &state.aiHeader, &state.aiStrip, &state.clearButton, &state.pasteButton}) {
        if (isWindow(*window)) DestroyWindow(*window);
        *window = nullptr;
    }
    PostQuitMessage(0);
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    case WM_SIZE:
        onSize(window);
        return 0;
    case WM_MOVE:
        browserParentMoved();
        return 0;
    case WM_MEASUREITEM:
        return onMeasureItem(window, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) ? 1 : 0;
    case WM_DRAWITEM:
        return onDrawItem(window, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? 1 : 0;
    case WM_COMMAND:
        onCommand(wParam, lParam);
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return controlColorAnswer(reinterpret_cast<HDC>(wParam));
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

HWND createMainWindow(HINSTANCE instance) {
    registerClassOnce(kMainWindowClass, WndProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return CreateWindowExW(0, kMainWindowClass, L"Verbarix", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 1500, 900, nullptr, nullptr, instance, nullptr);
}

void setStartupStepHookForTesting(StartupStepHook hook) {
    startupStepHook = hook;
}

void releaseSharedResources() {
    AppState& state = app();
    state.whiteBrush.reset();
    state.contentFont.reset();
    state.boldFont.reset();
    state.retiredFonts.clear();
}
