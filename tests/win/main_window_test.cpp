// Start and close of the main window: storage, settings, library, child windows, menu.
#include "tests/win/win_test_support.h"

#include "base/wide_text.h"
#include "library/storage.h"

namespace {

const char kFirstStartSettings[] = "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                                   "prompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                                   "ai_sf=#000000\r\nai_bf=#DCDCDC\r\n";

} // namespace

TEST_F(MainWindowTest, FirstStartCreatesTheFolderAndWritesEverySetting) {
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(app().settingsPath, settingsPath());
    EXPECT_EQ(app().promptsPath, promptsPath());
    EXPECT_EQ(readSettingsText(), kFirstStartSettings);
    EXPECT_FALSE(promptsFileExists()); // the library is first written by its first save

    const AppState& state = app();
    EXPECT_EQ(state.live.fontSize, 13);
    EXPECT_EQ(state.live.maxFavorites, 5);
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

TEST_F(MainWindowTest, MenuBarHasPlainEntriesAndOwnerDrawnItems) {
    ASSERT_NE(start(), nullptr);
    HMENU bar = GetMenu(window_);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    const std::vector<std::pair<int, std::u16string>> items[] = {
        {{0, u"Datei"}, {4001, u"Export Prompts"}, {4002, u"Import Prompts"}},
        {{0, u"Prompts"},
         {3001, u"Prompt neu erstellen"},
         {3002, u"Prompt editieren"},
         {3003, u"Prompt löschen"}},
        {{0, u"Hilfe"}, {7001, u"About"}, {7002, u"Einstellungen"}},
    };
    auto menuText = [&](UINT item, UINT flag) {
        wchar_t text[256]{};
        GetMenuStringW(bar, item, text, 255, flag);
        return fromWide(text);
    };
    auto ownerDrawn = [](HMENU menu, UINT item, BOOL byPosition) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        EXPECT_TRUE(GetMenuItemInfoW(menu, item, byPosition, &info));
        return (info.fType & MFT_OWNERDRAW) != 0;
    };
    for (UINT entry = 0; entry < 3; ++entry) {
        EXPECT_EQ(menuText(entry, MF_BYPOSITION), items[entry][0].second);
        EXPECT_FALSE(ownerDrawn(bar, entry, TRUE)) << "bar entries stay plain text";
        HMENU popup = GetSubMenu(bar, static_cast<int>(entry));
        ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(items[entry].size()) - 1);
        for (std::size_t i = 1; i < items[entry].size(); ++i) {
            const auto& [id, text] = items[entry][i];
            EXPECT_EQ(GetMenuItemID(popup, static_cast<int>(i - 1)), static_cast<UINT>(id));
            EXPECT_TRUE(ownerDrawn(popup, static_cast<UINT>(id), FALSE)) << id;
            // Measuring and drawing find the text by the command id.
            EXPECT_EQ(menuText(static_cast<UINT>(id), MF_BYCOMMAND), text);
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
    EXPECT_EQ(state.live.fontSize, 13);
    EXPECT_EQ(state.live.maxFavorites, 5);
    EXPECT_EQ(state.live.promptColors.backgroundColor, 0x000080FFu);
    EXPECT_EQ(readSettingsText(), "ai=Gemini\r\nprompt=1\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                                  "prompt_bf=#FF8000\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                                  "ai_sf=#000000\r\nai_bf=#DCDCDC\r\n");
    close();

    // A stored index outside the library selects the first prompt.
    for (const char* stored : {"prompt=-3\r\n", "prompt=3\r\n"}) {
        SCOPED_TRACE(stored);
        writeSettings(stored);
        ASSERT_NE(start(), nullptr);
        EXPECT_EQ(comboSelection(app().promptCombo), 0);
        EXPECT_EQ(windowText(app().inputEdit), u"eins");
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
    EXPECT_EQ(app().live.fontSize, 13);
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
