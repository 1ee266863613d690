// The settings window: font size, largest number of favourite buttons and the six area colours.
// Every change takes effect in the main window at once and is stored in prompt.cf at once.
#include "settings/settings_window.h"

#include "base/window.h"
#include "services/app_state.h"
#include "services/fonts.h"
#include "services/program.h"
#include "settings/settings.h"

#include <array>
#include <string>

namespace {

constexpr int fontSizeComboId = 7100;
constexpr int maxFavoritesComboId = 7200;
constexpr std::array<int, 6> colorFieldIds{7301, 7302, 7303, 7304, 7311, 7312};

constexpr int smallestFontSize = 9;
constexpr int fontSizeEntries = 10; // 9 px to 18 px
constexpr std::array<std::int32_t, 7> favoriteCounts{5, 8, 10, 12, 15, 18, 20};

// The controls of the one settings window. The colour fields are in the order prompt text,
// prompt background, favourites text, favourites background, AI text, AI background.
struct SettingsControls {
    HWND fontSizeCombo = nullptr;
    HWND maxFavoritesCombo = nullptr;
    std::array<HWND, 6> colorFields{};
};
SettingsControls controls;

// The AppState colours that the six fields stand for, in field order.
std::array<ColorRef*, 6> fieldColors() {
    AppState& state = app();
    LiveSettings& live = state.live;
    return {&live.promptColors.textColor,    &live.promptColors.backgroundColor,
            &live.favoritesColors.textColor, &live.favoritesColors.backgroundColor,
            &live.aiColors.textColor,        &live.aiColors.backgroundColor};
}

// The field's text, or an empty one (no colour) when it holds a character outside ASCII:
// cut to its low 8 bits, "Ł" (U+0141) would read as the hex digit "A".
std::string readFieldText(HWND field) {
    if (!isWindow(field)) return {};
    std::u16string text = readWindowText(field);
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t unit : text) {
        if (unit > 0x7F) return {};
        narrow.push_back(static_cast<char>(unit));
    }
    return narrow;
}

void showColor(HWND field, ColorRef color) {
    if (!isWindow(field)) return;
    std::string text = formatColor(color);
    std::wstring widened(text.begin(), text.end());
    SetWindowTextW(field, widened.c_str());
}

void store(const std::function<void(Settings&)>& change) {
    const AppState& state = app();
    reportSave(storeSettings(state.paths.settings, state.live, change), state.paths.settings,
               state.settingsWindow);
}

void applyColorFields() {
    auto colors = fieldColors();
    std::array<ColorRef, 6> values{};
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = parseColor(readFieldText(controls.colorFields[i])).value_or(*colors[i]);
    for (size_t i = 0; i < values.size(); ++i)
        *colors[i] = values[i];
    notifyLookChanged();
    store([](Settings&) {});
}

void onFontSizeChosen() {
    auto selected = static_cast<int>(SendMessageW(controls.fontSizeCombo, CB_GETCURSEL, 0, 0));
    int size = selected >= 0 && selected < fontSizeEntries ? smallestFontSize + selected : 13;
    setContentFontSize(size);
    notifyLookChanged();
    store([size](Settings& settings) { settings.fontSize = size; });
}

void onFavoriteCountChosen() {
    auto selected = static_cast<int>(SendMessageW(controls.maxFavoritesCombo, CB_GETCURSEL, 0, 0));
    if (selected < 0) selected = 0;
    if (selected >= static_cast<int>(favoriteCounts.size()))
        selected = static_cast<int>(favoriteCounts.size()) - 1;
    std::int32_t count = favoriteCounts[static_cast<size_t>(selected)];
    AppState& state = app();
    state.live.maxFavorites = count;
    notifyLookChanged();
    store([count](Settings& settings) { settings.maxFavorites = count; });
}

int fontSizeEntryFor(std::int32_t size) {
    if (size <= smallestFontSize) return 0;
    if (size >= smallestFontSize + fontSizeEntries - 1) return fontSizeEntries - 1;
    return size - smallestFontSize;
}

int favoriteCountEntryFor(std::int32_t count) {
    for (size_t i = 0; i < favoriteCounts.size(); ++i)
        if (favoriteCounts[i] == count) return static_cast<int>(i);
    return 0;
}

HWND createLabel(HWND window, const wchar_t* text, int x, int y, int width, int height) {
    return createControl(window, 0, L"STATIC", text, WS_CHILD | WS_VISIBLE, x, y, width, height, 0);
}

HWND createColorField(HWND window, int x, int y, int id) {
    return createControl(window, WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, x, y,
                         130, 24, id);
}

void createSettingsControls(HWND window) {
    const AppState& state = app();
    createLabel(window, L"Schriftgröße:", 20, 20, 200, 25);
    controls.fontSizeCombo =
        createControl(window, 0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 20, 50, 250, 220,
                      fontSizeComboId);
    for (int i = 0; i < fontSizeEntries; ++i) {
        std::wstring entry = std::to_wstring(smallestFontSize + i) + L" px";
        SendMessageW(controls.fontSizeCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    SendMessageW(controls.fontSizeCombo, CB_SETCURSEL, fontSizeEntryFor(state.live.fontSize), 0);

    createLabel(window, L"Max. Favoriten:", 20, 90, 200, 25);
    controls.maxFavoritesCombo =
        createControl(window, 0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 20, 120, 250,
                      220, maxFavoritesComboId);
    for (std::int32_t count : favoriteCounts) {
        std::wstring entry = std::to_wstring(count);
        SendMessageW(controls.maxFavoritesCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    // The count the main window shows, also when its last store failed.
    SendMessageW(controls.maxFavoritesCombo, CB_SETCURSEL, favoriteCountEntryFor(state.live.maxFavorites), 0);

    // Three areas, each a heading and two rows (text, background), 88 pixels apart.
    const wchar_t* headings[] = {L"Prompt Farben (Hex RGB):", L"Favoriten Farben (Hex RGB):",
                                 L"AI Farben (Hex RGB):"};
    for (int area = 0; area < 3; ++area) {
        int top = 165 + 88 * area;
        createLabel(window, headings[area], 20, top, 260, 25);
        createLabel(window, L"Schrift:", 20, top + 28, 120, 22);
        controls.colorFields[2 * area] = createColorField(window, 140, top + 26, colorFieldIds[2 * area]);
        createLabel(window, L"Hintergrund:", 20, top + 56, 120, 22);
        controls.colorFields[2 * area + 1] =
            createColorField(window, 140, top + 54, colorFieldIds[2 * area + 1]);
    }

    // Each field's change notification stores the settings once more; no colour changes by it.
    auto colors = fieldColors();
    for (size_t i = 0; i < controls.colorFields.size(); ++i)
        showColor(controls.colorFields[i], *colors[i]);
}

bool isColorField(int id) {
    for (int fieldId : colorFieldIds)
        if (fieldId == id) return true;
    return false;
}

void onCommand(int id, int notification) {
    if (id == fontSizeComboId && notification == CBN_SELCHANGE)
        onFontSizeChosen();
    else if (id == maxFavoritesComboId && notification == CBN_SELCHANGE)
        onFavoriteCountChosen();
    else if (isColorField(id) && notification == EN_CHANGE)
        applyColorFields();
}

LRESULT CALLBACK settingsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createSettingsControls(window);
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NCDESTROY:
        controls = {};
        break;
    }
    return secondaryWindowDefault(app().settingsWindow, window, message, wParam, lParam);
}

} // namespace

void openSettingsWindow() {
    AppState& state = app();
    if (bringToFront(state.settingsWindow)) return;
    registerClassOnce(L"SettingsDlg", settingsProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    state.settingsWindow = CreateWindowExW(WS_EX_DLGMODALFRAME, L"SettingsDlg", L"Einstellungen",
                                           WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 320, 320, 320, 540,
                                           state.mainWindow, nullptr, nullptr, nullptr);
}
