#include "settings/fonts.h"

#include "app/app_state.h"
#include "app/secondary_windows.h"
#include "app/shell.h"

// The size that includes iPaddedBorderWidth; older sizes make the call fail on new systems.
static_assert(sizeof(NONCLIENTMETRICSW) == 504);

void readSystemMenuFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        app().baseLogFont = metrics.lfMenuFont;
}

HGDIOBJ contentFontOrDefault() {
    const AppState& state = app();
    return state.contentFont ? static_cast<HGDIOBJ>(state.contentFont.get())
                             : GetStockObject(DEFAULT_GUI_FONT);
}

namespace {

bool isWindow(HWND window) {
    return window && IsWindow(window);
}

// An open secondary window's controls hold the old font until applyContentFont hands
// them the new one.
bool secondaryWindowOpen() {
    const AppState& state = app();
    return isWindow(state.aboutWindow) || isWindow(state.settingsWindow) || isWindow(state.editorWindow);
}

} // namespace

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
    state.fontSize = px;
}

void releaseRetiredFonts() {
    if (!secondaryWindowOpen()) app().retiredFonts.clear();
}

void applyContentFont(HWND mainWindow) {
    const AppState& state = app();
    const auto font = reinterpret_cast<WPARAM>(state.contentFont.get());
    for (HWND control : {state.aiCombo, state.promptCombo, state.inputEdit, state.sendButton,
                         state.clearButton, state.pasteButton}) {
        if (control && state.contentFont) SendMessageW(control, WM_SETFONT, font, TRUE);
    }
    for (HWND button : state.favoriteButtons) {
        if (IsWindow(button) && state.contentFont) SendMessageW(button, WM_SETFONT, font, TRUE);
    }
    applyFontToSecondaryWindows(state.contentFont.get());
    DrawMenuBar(mainWindow);
}

void invalidatePaintedWindows(HWND mainWindow) {
    if (!mainWindow || !IsWindow(mainWindow)) return;
    const AppState& state = app();
    for (HWND window : {state.promptHeader, state.favHeader, state.promptStrip, state.favStrip,
                        state.aiHeader, state.aiStrip}) {
        if (window && IsWindow(window)) InvalidateRect(window, nullptr, TRUE);
    }
}

LRESULT controlColorAnswer(HDC dc) {
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(app().whiteBrush.get());
}
