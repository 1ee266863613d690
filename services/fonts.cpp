#include "services/fonts.h"

#include "base/window.h"
#include "services/app_state.h"

// MinGW's headers shape this structure by WINVER: this is the size that includes
// iPaddedBorderWidth; older sizes make the call fail on new systems.
static_assert(sizeof(NONCLIENTMETRICSW) == 504);

namespace {

// An open secondary window's controls hold the old font until the main window hands
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

void giveContentFontToSecondaryWindows() {
    const AppState& state = app();
    // A null font hands them back to the system font.
    const auto font = reinterpret_cast<LPARAM>(state.contentFont.get());
    for (HWND window : {state.aboutWindow, state.settingsWindow, state.editorWindow, state.searchWindow,
                        state.fieldsWindow})
        if (isWindow(window)) EnumChildWindows(window, setFontOnChild, font);
}
