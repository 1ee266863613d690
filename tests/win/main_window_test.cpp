// Start and close of the main window: storage, settings, library, child windows, menu.
#include "tests/win/win_test_support.h"

#include "app/wide_text.h"
#include "library/storage.h"

namespace {

const char kFirstStartSettings[] = "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                                   "prompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                                   "ai_sf=#000000\r\nai_bf=#DCDCDC\r\n";

std::u16string className(HWND window) {
    wchar_t buffer[64]{};
    GetClassNameW(window, buffer, 64);
    return fromWide(buffer);
}

} // namespace

TEST_F(MainWindowTest, FirstStartCreatesTheFolderAndWritesEverySetting) {
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(app().settingsPath, settingsPath());
    EXPECT_EQ(app().promptsPath, promptsPath());
    EXPECT_EQ(readSettingsText(), kFirstStartSettings);
    EXPECT_FALSE(promptsFileExists()); // the library is first written by its first save

    const AppState& state = app();
    EXPECT_EQ(state.fontSize, 13);
    EXPECT_EQ(state.maxFavorites, 5);
    EXPECT_TRUE(state.contentFont);
    EXPECT_TRUE(state.boldFont);
    EXPECT_TRUE(comboEntries(state.promptCombo).empty());
    EXPECT_EQ(comboSelection(state.promptCombo), -1);
    EXPECT_EQ(windowText(state.inputEdit), u"");
    EXPECT_EQ(comboEntries(state.aiCombo),
              (std::vector<std::u16string>{u"OpenAI ChatGPT", u"Google Gemini", u"Microsoft Copilot"}));
    EXPECT_EQ(comboSelection(state.aiCombo), 0);
    EXPECT_FALSE(hasVisibleStyle(state.favHeader));
    EXPECT_FALSE(hasVisibleStyle(state.favStrip));
    EXPECT_TRUE(state.favoriteButtons.empty());

    // Closing with an empty library writes the empty library and leaves the prompt index alone.
    writeSettings("prompt=2\r\n");
    close();
    EXPECT_TRUE(promptsFileExists());
    EXPECT_TRUE(readLibrary().empty());
    EXPECT_EQ(readSettingsText(), "prompt=2\r\n");
}

TEST_F(MainWindowTest, ChildWindowsAreCreatedAsTheTableSays) {
    ASSERT_NE(start(), nullptr);
    const AppState& state = app();
    struct Expected {
        HWND window;
        const char16_t* className;
        const char16_t* text;
        int id;
        LONG_PTR area;
        bool hasContentFont;
    };
    const Expected table[] = {
        {state.promptHeader, u"FavHeader", u"Prompt", 0, 1, false},
        {state.aiCombo, u"ComboBox", u"", 600, 0, true},
        {state.promptCombo, u"ComboBox", u"", 0, 0, true},
        {state.inputEdit, u"Edit", u"", 0, 0, true},
        {state.clearButton, u"Button", u"", 9001, 0, true},
        {state.pasteButton, u"Button", u"", 9002, 0, true},
        {state.sendButton, u"Button", u"An KI senden", 500, 0, true},
        {state.promptStrip, u"FavStrip", u"", 0, 1, false},
        {state.favHeader, u"FavHeader", u"Favoriten", 0, 2, false},
        {state.favStrip, u"FavStrip", u"", 0, 2, false},
        {state.aiHeader, u"FavHeader", u"AI", 0, 3, false},
        {state.aiStrip, u"FavStrip", u"", 0, 3, false},
    };
    for (const Expected& child : table) {
        SCOPED_TRACE(std::string(child.text, child.text + std::char_traits<char16_t>::length(child.text)));
        ASSERT_TRUE(IsWindow(child.window));
        EXPECT_EQ(GetParent(child.window), window_);
        // The system names its own classes in any case.
        EXPECT_EQ(CompareStringOrdinal(wide(className(child.window)), -1,
                                       reinterpret_cast<const wchar_t*>(child.className), -1, TRUE),
                  CSTR_EQUAL);
        if (child.window != state.aiCombo && child.window != state.promptCombo) {
            EXPECT_EQ(windowText(child.window), child.text);
        }
        EXPECT_EQ(GetDlgCtrlID(child.window), child.id);
        EXPECT_EQ(GetWindowLongPtrW(child.window, GWLP_USERDATA), child.area);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child.window, WM_GETFONT, 0, 0));
        EXPECT_EQ(font, child.hasContentFont ? state.contentFont.get() : nullptr);
    }
    const LONG editStyle = GetWindowLongW(state.inputEdit, GWL_STYLE);
    // The edit control takes WS_BORDER over and draws the border itself (so Windows and Wine).
    EXPECT_EQ(editStyle & 0x50200044, 0x50200044);
    EXPECT_EQ(GetWindowLongW(state.promptCombo, GWL_STYLE) & CBS_DROPDOWNLIST, CBS_DROPDOWNLIST);
    EXPECT_EQ(GetWindowLongW(state.clearButton, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongW(state.pasteButton, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(windowText(window_), u"Verbarix");
}

TEST_F(MainWindowTest, MenuBarHasThreeEntriesAndSevenOwnerDrawnItems) {
    ASSERT_NE(start(), nullptr);
    HMENU bar = GetMenu(window_);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    const char16_t* barTexts[] = {u"Datei", u"Prompts", u"Hilfe"};
    const std::vector<std::pair<int, std::u16string>> items[] = {
        {{4001, u"Export Prompts"}, {4002, u"Import Prompts"}},
        {{3001, u"Prompt neu erstellen"}, {3002, u"Prompt editieren"}, {3003, u"Prompt löschen"}},
        {{7001, u"About"}, {7002, u"Einstellungen"}},
    };
    for (int entry = 0; entry < 3; ++entry) {
        wchar_t text[64]{};
        GetMenuStringW(bar, entry, text, 64, MF_BYPOSITION);
        EXPECT_EQ(fromWide(text), barTexts[entry]);
        MENUITEMINFOW barInfo{};
        barInfo.cbSize = sizeof(barInfo);
        barInfo.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoW(bar, entry, TRUE, &barInfo));
        EXPECT_EQ(barInfo.fType & MFT_OWNERDRAW, 0u) << "bar entries stay plain text";

        HMENU popup = GetSubMenu(bar, entry);
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(items[entry].size()));
        for (std::size_t i = 0; i < items[entry].size(); ++i) {
            const auto& [id, itemText] = items[entry][i];
            EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(i)), static_cast<UINT>(id));
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE;
            ASSERT_TRUE(GetMenuItemInfoW(popup, static_cast<UINT>(id), FALSE, &info));
            EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u) << id;
            // Measuring and drawing find the text by the command id.
            wchar_t itemBuffer[256]{};
            GetMenuStringW(bar, static_cast<UINT>(id), itemBuffer, 255, MF_BYCOMMAND);
            EXPECT_EQ(fromWide(itemBuffer), itemText);
        }
    }
}

TEST_F(MainWindowTest, StoredSettingsAndLibraryAreShownAtStart) {
    writeLibrary({prompt(u"Erster", false, u"eins"), prompt(u"Zweiter", true, u"zwei\r\nZeilen"),
                  prompt(u"Dritter", false, u"drei")});
    writeSettings("ai=Gemini\r\nprompt=1\r\nsg=0\r\nmfav=0\r\nprompt_bf=#FF8000\r\nunknown=1\r\n");
    ASSERT_NE(start(), nullptr);
    const AppState& state = app();
    EXPECT_EQ(comboEntries(state.promptCombo),
              (std::vector<std::u16string>{u"Erster", u"Zweiter", u"Dritter"}));
    EXPECT_EQ(comboSelection(state.promptCombo), 1);
    EXPECT_EQ(windowText(state.inputEdit), u"zwei\r\nZeilen");
    EXPECT_EQ(comboSelection(state.aiCombo), 1);
    EXPECT_EQ(state.fontSize, 13);
    EXPECT_EQ(state.maxFavorites, 5);
    EXPECT_EQ(state.promptColors.backgroundColor, 0x000080FFu);
    EXPECT_EQ(readSettingsText(), "ai=Gemini\r\nprompt=1\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                                  "prompt_bf=#FF8000\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                                  "ai_sf=#000000\r\nai_bf=#DCDCDC\r\n");
}

TEST_F(MainWindowTest, StoredIndexOutOfRangeSelectsTheFirstPrompt) {
    for (const char* stored : {"prompt=-3\r\n", "prompt=2\r\n"}) {
        SCOPED_TRACE(stored);
        writeLibrary({prompt(u"A", false, u"a-text"), prompt(u"B", false, u"b-text")});
        writeSettings(stored);
        ASSERT_NE(start(), nullptr);
        EXPECT_EQ(comboSelection(app().promptCombo), 0);
        EXPECT_EQ(windowText(app().inputEdit), u"a-text");
        close();
    }
}

TEST_F(MainWindowTest, ClosingStoresTheTypedTextAndTheSelection) {
    writeLibrary({prompt(u"A"), prompt(u"B", false, u"alt")});
    writeSettings("prompt=1\r\nai=Copilot\r\n");
    ASSERT_NE(start(), nullptr);
    SetWindowTextW(app().inputEdit, L"neu getippt");
    close();
    const PromptLibrary library = readLibrary();
    ASSERT_EQ(library.size(), 2u);
    EXPECT_EQ(library[0].lasttext, u"");
    EXPECT_EQ(library[1].lasttext, u"neu getippt");
    const Settings settings = readSettings();
    EXPECT_EQ(settings.promptIndex, 1);
    EXPECT_EQ(settings.ai, 2);
    // The children the close handler destroys are gone and their handles cleared.
    EXPECT_EQ(app().favHeader, nullptr);
    EXPECT_EQ(app().clearButton, nullptr);
}

TEST_F(MainWindowTest, AFileInPlaceOfTheFolderLeavesAnEmptyProgram) {
    // A file named like the folder: nothing is created and nothing survives.
    CreateDirectoryW(wide(root_), nullptr);
    HANDLE file = CreateFileW(wide(dataFolder()), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(comboSelection(app().promptCombo), -1);
    EXPECT_EQ(app().fontSize, 13);
    close();
    EXPECT_FALSE(GetFileAttributesW(wide(dataFolder())) & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
std::optional<std::u16string> noKnownFolder() {
    return std::nullopt;
}
} // namespace

TEST_F(MainWindowTest, WithoutTheKnownFolderTheFilesLieInTheCurrentDirectory) {
    wchar_t previous[MAX_PATH]{};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(wide(root_)));
    setLocalAppDataLookup(noKnownFolder);
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(app().promptsPath, u"prompts.xml");
    EXPECT_EQ(app().settingsPath, u"prompt.cf");
    close();
    EXPECT_NE(GetFileAttributesW(wide(root_ + u"\\prompt.cf")), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(wide(root_ + u"\\prompts.xml")), INVALID_FILE_ATTRIBUTES);
    SetCurrentDirectoryW(previous);
}
