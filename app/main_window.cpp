#include "app/main_window.h"

#include "app/command_model.h"
#include "app/commands.h"
#include "app/layout.h"
#include "app/main_children.h"
#include "app/owner_drawing.h"
#include "app/prompt_pane.h"
#include "base/wide_text.h"
#include "base/window.h"
#include "browser/browser_host.h"
#include "favourites/favorites.h"
#include "favourites/favorites_model.h"
#include "favourites/painted_windows.h"
#include "library/prompt_file.h"
#include "library/search_window.h"
#include "library/storage.h"
#include "services/app_state.h"
#include "services/fonts.h"
#include "services/program.h"

namespace {

// prompt.cf, read once at start: colours, font size and favourite count are applied and written
// back at once with every line, so that a hand-edited or old file holds all of them from the
// first start on. Its chat and prompt index are for the caller.
Settings applySettingsAtStart() {
    AppState& state = app();
    const StartupSettings start = applyStartupSettings(state.paths.settings, state.live);
    state.live = start.applied;
    reportSave(start.written, state.paths.settings);
    setContentFontSize(state.live.fontSize); // makes the fonts for it
    return start.loaded;
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

// Every view that hangs on the library or the look, in order: the favourite buttons and their
// area, the fonts of every control, the prompt pane's layout, the painted headers and strips,
// and an open search window. Each change ends here before any box can be shown.
void arrangeViews(HWND window) {
    const MainChildren& children = mainChildren();
    const std::optional<int> sendBottom =
        isWindow(children.sendButton) ? std::optional(windowEdgesIn(children.sendButton, window).bottom)
                                      : std::nullopt;
    rebuildFavorites(window, favoritesTop(sendBottom), children.favHeader, children.favStrip);
    applyContentFont(window);
    layoutPromptPane(window);
    invalidatePaintedWindows();
    refreshSearchWindow();
}

void onLibraryChanged(HWND window, std::int32_t select, bool showSelected) {
    showLibrary(select, showSelected);
    arrangeViews(window);
    if (showSelected) saveSelectedPromptIndex(select);
}

// A prompt chosen elsewhere (the search window) takes the path of a choice in the list.
void onPromptPicked(std::int32_t index, bool send) {
    SendMessageW(mainChildren().promptCombo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    onPromptSelectionChanged();
    if (send) sendSelectedPrompt();
}

void onCreate(HWND window) {
    AppState& state = app();
    state.mainWindow = window;
    readSystemMenuFont();
    state.paths = findStoragePaths();
    const Settings stored = applySettingsAtStart();
    buildMenuBar(window);
    registerPaintedWindowClasses();
    createMainChildren(window, stored.ai);
    placePromptStrip(window);
    bool readWhole = true;
    (void)loadPromptFile(state.library, state.paths.prompts, &readWhole); // a missing file leaves it empty
    state.unreadPromptsFile = !readWhole;
    showLibrary(storedPromptSelection(stored.promptIndex, state.library.size()), true);
    arrangeViews(window);
    startBrowser(window, stored.ai);
    placeAiArea(window);
}

// The last saves: what the user changed since the last good save is lost when they fail, so
// the user is asked until they succeed or the user gives up.
void saveAtClose() {
    AppState& state = app();
    const std::int32_t selection = selectedPrompt();
    state.closing = true;
    for (;;) {
        saveLibrary();
        // With no selection prompt.cf is left alone, unless it holds settings not written yet.
        if (selection >= 0)
            saveSelectedPromptIndex(selection);
        else if (saveFailed(state.paths.settings))
            reportSave(storeSettings(state.paths.settings, state.live, [](Settings&) {}),
                       state.paths.settings);
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
    releaseBrowser();
    storeInputText();
    saveAtClose();
    destroyMainChildren();
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
    case kLibraryChangedMessage:
        onLibraryChanged(window, static_cast<std::int32_t>(static_cast<INT_PTR>(wParam)), lParam != 0);
        return 0;
    case kLookChangedMessage:
        arrangeViews(window);
        return 0;
    case kPickPromptMessage:
        onPromptPicked(static_cast<std::int32_t>(static_cast<INT_PTR>(wParam)), lParam != 0);
        return 0;
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

void releaseSharedResources() {
    AppState& state = app();
    state.whiteBrush.reset();
    state.contentFont.reset();
    state.boldFont.reset();
    state.retiredFonts.clear();
}
