#include "settings/fonts.h"

#include "app/app_state.h"
#include "app/shell.h"

// MinGW's headers shape this structure by WINVER: this is the size that includes
// iPaddedBorderWidth; older sizes make the call fail on new systems.
static_assert(sizeof(NONCLIENTMETRICSW) == 504);

namespace {

// An open secondary window's controls hold the old font until applyContentFont hands
// them the new one.
bool secondaryWindowOpen() {
    const AppState& state = app();
    return isWindow(state.aboutWindow) || isWindow(state.settingsWindow) || isWindow(state.editorWindow) ||
           isWindow(state.searchWindow) || isWindow(state.fieldsWindow);
}

BOOL CALLBACK setFontOnChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

// Every control of the open About, settings, editor, search and fields windows gets the font
// that replaces the content font, so none of them keeps drawing with the deleted one. A null
// font hands them back to the system font.
void applyFontToSecondaryWindows(HFONT font) {
    const AppState& state = app();
    for (HWND window : {state.aboutWindow, state.settingsWindow, state.editorWindow, state.searchWindow,
                        state.fieldsWindow})
        if (isWindow(window)) EnumChildWindows(window, setFontOnChild, reinterpret_cast<LPARAM>(font));
}

} // namespace

void readSystemMenuFont() {
    AppState& state = app();
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        state.baseLogFont = metrics.lfMenuFont;
}

HGDIOBJ contentFontOrDefault() {
    const AppState& state = app();
    return state.contentFont ? static_cast<HGDIOBJ>(state.contentFont.get())
                             : GetStockObject(DEFAULT_GUI_FONT);
}

void setContentFontSize(int px) {
    if (px <= 0) return;
    AppState& state = app();
    // The old fonts go first, so there is never more than one of each; only a font that an
    // open secondary window may still hold lives on, until that window has closed.
    const bool keepOldFont = secondaryWindowOpen();
    if (!keepOldFont) state.retiredFonts.clear();
    if (keepOldFont && state.contentFont) state.retiredFonts.push_back(std::move(state.contentFont));
    state.contentFont.reset();
    state.boldFont.reset();
    LOGFONTW font = state.baseLogFont;
    font.lfHeight = -px; // negative: character height, not cell height
    state.contentFont.reset(CreateFontIndirectW(&font));
    font.lfWeight = FW_BOLD;
    state.boldFont.reset(CreateFontIndirectW(&font));
    state.live.fontSize = px;
}

void releaseRetiredFonts() {
    AppState& state = app();
    if (!secondaryWindowOpen()) state.retiredFonts.clear();
}

void applyContentFont(HWND mainWindow) {
    const AppState& state = app();
    const auto font = reinterpret_cast<WPARAM>(state.contentFont.get());
    for (HWND control : {state.aiCombo, state.promptCombo, state.inputEdit, state.sendButton,
                         state.clearButton, state.pasteButton, state.browserHint}) {
        if (control && state.contentFont) SendMessageW(control, WM_SETFONT, font, TRUE);
    }
    for (HWND button : state.favoriteButtons) {
        if (IsWindow(button) && state.contentFont) SendMessageW(button, WM_SETFONT, font, TRUE);
    }
    applyFontToSecondaryWindows(state.contentFont.get());
    DrawMenuBar(mainWindow);
}
