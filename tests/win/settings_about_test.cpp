// The settings window and the About window, at most one of each, and a font replaced while the
// secondary windows are open.
#include "tests/win/win_test_support.h"

#include "app/shell.h"
#include "settings/fonts.h"
#include "base/wide_text.h"

namespace {

constexpr int kNewPrompt = 3001;
constexpr int kAbout = 7001;
constexpr int kSettings = 7002;
constexpr int kFontSizeCombo = 7100;
constexpr int kCountCombo = 7200;
constexpr int kColorFields[] = {7301, 7302, 7303, 7304, 7311, 7312};

HWND settingsControl(int id) {
    return GetDlgItem(app().settingsWindow, id);
}

// Picks an entry of one of the settings window's lists as the user would.
void chooseEntry(int id, int entry) {
    chooseEntry(app().settingsWindow, id, entry);
    pumpMessages();
}

PromptLibrary favourites(int count) {
    PromptLibrary library;
    for (int i = 0; i < count; ++i) {
        const char16_t name[] = {u'F', static_cast<char16_t>(u'0' + i), u'\0'};
        library.push_back(prompt(name, true));
    }
    return library;
}

} // namespace

TEST_F(MainWindowTest, EachSecondaryWindowExistsAtMostOnce) {
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    struct Case {
        int command;
        HWND& handle;
        const wchar_t* className;
        const char16_t* title;
        Box box;
    };
    const Case cases[] = {
        {kAbout, state.aboutWindow, L"AboutDlg", u"About", {300, 300, 600, 300}},
        {kSettings, state.settingsWindow, L"SettingsDlg", u"Einstellungen", {320, 320, 320, 540}},
        {kNewPrompt, state.editorWindow, L"EditDlg", u"Neu", {200, 200, 600, 600}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        sendCommand(window_, c.command);
        HWND first = c.handle;
        ASSERT_TRUE(first && IsWindow(first));
        sendCommand(window_, c.command);
        EXPECT_EQ(c.handle, first);
        EXPECT_EQ(windowsOfClass(c.className), std::vector<HWND>{first});
        EXPECT_EQ(windowText(first), c.title);
        EXPECT_EQ(screenBoxOf(first), c.box);
        EXPECT_EQ(GetWindow(first, GW_OWNER), window_);
        EXPECT_TRUE(IsWindowEnabled(window_));

        // Hidden behind other windows or minimised, it comes back on the next command.
        ShowWindow(first, SW_MINIMIZE);
        sendCommand(window_, c.command);
        EXPECT_EQ(c.handle, first);
        EXPECT_FALSE(IsIconic(first));

        SendMessageW(first, WM_CLOSE, 0, 0);
        pumpMessages();
        EXPECT_EQ(c.handle, nullptr);
        sendCommand(window_, c.command);
        ASSERT_TRUE(c.handle && IsWindow(c.handle));
        EXPECT_EQ(screenBoxOf(c.handle), c.box);
        EXPECT_EQ(windowsOfClass(c.className).size(), 1u);
    }

    // They belong to the main window and go with it.
    close();
    EXPECT_EQ(state.aboutWindow, nullptr);
    EXPECT_EQ(state.settingsWindow, nullptr);
    EXPECT_EQ(state.editorWindow, nullptr);
}

TEST_F(MainWindowTest, AboutShowsItsText) {
    ASSERT_NE(start(), nullptr);
    sendCommand(window_, kAbout);
    HWND text = GetDlgItem(app().aboutWindow, 1);
    ASSERT_NE(text, nullptr);
    const LONG style = GetWindowLongW(text, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_EQ(SendMessageW(text, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(app().contentFont.get()));

    wchar_t buffer[2048]{};
    GetWindowTextW(text, buffer, 2048);
    const std::u16string shown = fromWide(buffer);
    const std::u16string title = u"Verbarix v1.4" + std::u16string(47, u' ');
    ASSERT_TRUE(shown.starts_with(title));
    const size_t firstBreak = shown.find(u"\r\n");
    EXPECT_GT(firstBreak, title.size()); // a closing text follows the blanks
    const std::u16string rest = u"\r\n"
                                u"\r\n"
                                u"WEB Link:\r\n";
    EXPECT_EQ(shown.substr(firstBreak, rest.size()), rest);
    const std::u16string description =
        u"\r\n"
        u"\r\n"
        u"Das Programm Verbarix verwaltet KI-Prompts, erlaubt deren Bearbeitung,\r\n"
        u"Favorisierung und Speicherung und sendet sie direkt an verschiedene KI-Weboberflächen.\r\n"
        u"Es unterstützt OpenAI ChatGPT, Google Gemini und Microsoft Copilot über eine\r\n"
        u"integrierte Browser - Ansicht. Zusätzlich speichert es Texteingaben pro Prompt,\r\n"
        u"bietet Favoriten - Schnellzugriffe und konfigurierbare Anzeige - und Layout - Optionen.\r\n"
        u"\r\n"
        u"Unterstützt: OpenAI ChatGPT, Google Gemini, Microsoft Copilot.\r\n"
        u"\r\n"
        u"\r\n"
        u"\r\n";
    ASSERT_TRUE(shown.ends_with(description));
    const size_t addressStart = firstBreak + rest.size();
    const std::u16string address =
        shown.substr(addressStart, shown.size() - description.size() - addressStart);
    EXPECT_TRUE(address.starts_with(u"https://"));
    EXPECT_EQ(address.find(u"\r\n"), std::u16string::npos);

    // Read-only: typing changes nothing.
    typeText(text, u"x");
    GetWindowTextW(text, buffer, 2048);
    EXPECT_EQ(fromWide(buffer), shown);
}

TEST_F(MainWindowTest, SettingsListsShowOddStoredValuesWithoutChangingThem) {
    writeLibrary(favourites(5));
    writeSettings("sg=8\r\nmfav=3\r\n");
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    ASSERT_EQ(state.live.fontSize, 8);
    ASSERT_EQ(state.favoriteButtons.size(), 3u);
    const HFONT font = state.contentFont.get();

    sendCommand(window_, kSettings);
    EXPECT_EQ(comboEntries(settingsControl(kFontSizeCombo)),
              (std::vector<std::u16string>{u"9 px", u"10 px", u"11 px", u"12 px", u"13 px", u"14 px",
                                           u"15 px", u"16 px", u"17 px", u"18 px"}));
    EXPECT_EQ(comboEntries(settingsControl(kCountCombo)),
              (std::vector<std::u16string>{u"5", u"8", u"10", u"12", u"15", u"18", u"20"}));
    EXPECT_EQ(comboSelection(settingsControl(kFontSizeCombo)), 0); // "9 px"
    EXPECT_EQ(comboSelection(settingsControl(kCountCombo)), 0);    // "5"
    EXPECT_EQ(state.live.fontSize, 8);
    EXPECT_EQ(state.contentFont.get(), font);
    EXPECT_EQ(state.live.maxFavorites, 3);
    EXPECT_EQ(state.favoriteButtons.size(), 3u);
    EXPECT_EQ(readSettings().fontSize, 8);
    EXPECT_EQ(readSettings().maxFavorites, 3);

    // A 40-pixel font shows as "18 px"; a stored count of the list selects its entry.
    SendMessageW(state.settingsWindow, WM_CLOSE, 0, 0);
    setContentFontSize(40);
    writeSettings("mfav=12\r\n");
    sendCommand(window_, kSettings);
    EXPECT_EQ(comboSelection(settingsControl(kFontSizeCombo)), 9);
    EXPECT_EQ(comboSelection(settingsControl(kCountCombo)), 3);
    EXPECT_EQ(state.live.fontSize, 40);
}

TEST_F(MainWindowTest, FontSizeAndCountReachTheMainWindow) {
    writeLibrary(favourites(7));
    writeSettings("ai=Gemini\r\nprompt=4\r\n");
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    ASSERT_EQ(state.favoriteButtons.size(), 5u);
    sendCommand(window_, kSettings);

    chooseEntry(kFontSizeCombo, 9);
    EXPECT_EQ(state.live.fontSize, 18);
    std::vector<HWND> controls = state.favoriteButtons;
    controls.insert(controls.end(), {state.aiCombo, state.promptCombo, state.inputEdit, state.sendButton,
                                     state.clearButton, state.pasteButton});
    for (HWND control : controls)
        EXPECT_EQ(fontHeightOf(control), 18);
    EXPECT_EQ(boxOf(state.clearButton).y, comboFieldBottom(state.promptCombo) + 14); // laid out anew
    Settings stored = readSettings();
    EXPECT_EQ(stored.fontSize, 18);
    EXPECT_EQ(stored.ai, 1);
    EXPECT_EQ(stored.promptIndex, 4);

    chooseEntry(kCountCombo, 6); // "20"
    EXPECT_EQ(state.live.maxFavorites, 20);
    EXPECT_EQ(state.favoriteButtons.size(), 7u);
    for (HWND button : state.favoriteButtons)
        EXPECT_EQ(fontHeightOf(button), 18);
    stored = readSettings();
    EXPECT_EQ(stored.maxFavorites, 20);
    EXPECT_EQ(stored.fontSize, 18);

    chooseEntry(kFontSizeCombo, 0);
    EXPECT_EQ(state.live.fontSize, 9);
    EXPECT_EQ(fontHeightOf(state.inputEdit), 9);
    EXPECT_EQ(readSettings().fontSize, 9);
}

TEST_F(MainWindowTest, ColoursFollowTheFieldsKeystrokeByKeystroke) {
    writeSettings("favoriten_bf=#102030\r\n");
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    sendCommand(window_, kSettings);
    std::vector<std::u16string> shown;
    for (int id : kColorFields)
        shown.push_back(windowText(settingsControl(id)));
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"#000000", u"#DCDCDC", u"#000000", u"#102030", u"#000000",
                                                  u"#DCDCDC"}));

    HWND aiBackground = settingsControl(7312);
    SetWindowTextW(aiBackground, L""); // an empty field keeps its colour
    EXPECT_EQ(state.live.aiColors.backgroundColor, 0xDCDCDCu);
    const std::u16string typed = u"#FF0000";
    for (size_t i = 0; i < typed.size(); ++i) {
        typeText(aiBackground, typed.substr(i, 1));
        const bool complete = i + 1 == typed.size();
        EXPECT_EQ(state.live.aiColors.backgroundColor, complete ? 0x0000FFu : 0xDCDCDCu) << "after " << i + 1;
    }
    EXPECT_NE(readSettingsText().find("ai_bf=#FF0000\r\n"), std::string::npos);

    // Lower case without "#": the field keeps what was typed, the file gets the usual form.
    HWND promptText = settingsControl(7301);
    SetWindowTextW(promptText, L"");
    typeText(promptText, u"ff8000");
    EXPECT_EQ(windowText(promptText), u"ff8000");
    EXPECT_EQ(state.live.promptColors.textColor, 0x0080FFu);
    const Settings stored = readSettings();
    EXPECT_EQ(stored.promptColors.textColor, 0x0080FFu);
    EXPECT_EQ(stored.aiColors.backgroundColor, 0x0000FFu);
    EXPECT_EQ(stored.favoritesColors.backgroundColor, 0x302010u);
    EXPECT_NE(readSettingsText().find("prompt_sf=#FF8000\r\n"), std::string::npos);

    // Letters outside hexadecimal and a seventh digit are not colours; the last good one stays.
    typeText(promptText, u"0");
    EXPECT_EQ(state.live.promptColors.textColor, 0x0080FFu);
    SetWindowTextW(promptText, L"#GG0000");
    EXPECT_EQ(state.live.promptColors.textColor, 0x0080FFu);
}

TEST_F(MainWindowTest, AFontChangeReachesEveryOpenSecondaryWindow) {
    writeLibrary({prompt(u"A")});
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    sendCommand(window_, kAbout);
    sendCommand(window_, kSettings);
    sendCommand(window_, kNewPrompt);
    const HWND windows[] = {state.aboutWindow, state.settingsWindow, state.editorWindow};
    for (HWND window : windows)
        for (HWND child : childWindows(window))
            ASSERT_EQ(fontHeightOf(child), 13);

    const HFONT replaced = state.contentFont.get();
    chooseEntry(kFontSizeCombo, 7); // "16 px"
    for (HWND window : windows) {
        ASSERT_TRUE(IsWindow(window));
        for (HWND child : childWindows(window)) {
            EXPECT_EQ(SendMessageW(child, WM_GETFONT, 0, 0),
                      reinterpret_cast<LRESULT>(state.contentFont.get()));
            EXPECT_EQ(fontHeightOf(child), 16);
        }
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    // A window opened after the change starts with the new font as well.
    SendMessageW(state.aboutWindow, WM_CLOSE, 0, 0);
    sendCommand(window_, kAbout);
    EXPECT_EQ(fontHeightOf(GetDlgItem(state.aboutWindow, 1)), 16);

    // The 13-pixel font is deleted when the last of the windows has closed, not later.
    EXPECT_EQ(GetObjectType(replaced), static_cast<DWORD>(OBJ_FONT));
    for (HWND window : {state.aboutWindow, state.settingsWindow, state.editorWindow})
        SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(state.retiredFonts.empty());
    EXPECT_EQ(GetObjectType(replaced), 0u);
}
