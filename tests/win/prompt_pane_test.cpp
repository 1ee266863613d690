// The prompt selector, the text pane and its two buttons, send and favourite commands:
// what each event writes to prompts.xml and prompt.cf.
#include "tests/win/win_test_support.h"

TEST_F(MainWindowTest, ChoosingAnotherPromptKeepsTheTextAndStoresIt) {
    writeLibrary({prompt(u"A", false, u"a-alt"), prompt(u"B", false, u"b-alt"), prompt(u"C")});
    writeSettings("prompt=0\r\nai=Gemini\r\n");
    ASSERT_NE(start(), nullptr);
    SetWindowTextW(app().inputEdit, L"für B gedacht");
    removePromptsFile();

    choosePrompt(1);
    EXPECT_EQ(windowText(app().inputEdit), u"für B gedacht");
    const PromptLibrary library = readLibrary();
    ASSERT_EQ(library.size(), 3u);
    EXPECT_EQ(library[0].lasttext, u"a-alt"); // the prompt left behind keeps its text
    EXPECT_EQ(library[1].lasttext, u"für B gedacht");
    EXPECT_EQ(readSettings().promptIndex, 1);
    EXPECT_EQ(readSettings().ai, 1);

    // Other notifications of the list, and of the edit box, change and write nothing.
    removePromptsFile();
    SendMessageW(app().promptCombo, CB_SETCURSEL, 2, 0);
    sendCommand(window_, 0, CBN_DROPDOWN, app().promptCombo);
    sendCommand(window_, 0, EN_CHANGE, app().inputEdit);
    EXPECT_FALSE(promptsFileExists());
    EXPECT_EQ(readSettings().promptIndex, 1);
}

TEST_F(MainWindowTest, ClearButtonEmptiesTheBoxAndSaves) {
    writeLibrary({prompt(u"A", false, u"a-alt"), prompt(u"B", false, u"b-alt")});
    writeSettings("prompt=1\r\n");
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(windowText(app().inputEdit), u"b-alt");
    sendCommand(window_, 9001, BN_CLICKED, app().clearButton);
    EXPECT_EQ(windowText(app().inputEdit), u"");
    const PromptLibrary library = readLibrary();
    EXPECT_EQ(library[0].lasttext, u"a-alt");
    EXPECT_EQ(library[1].lasttext, u"");
}

TEST_F(MainWindowTest, WithAnEmptyLibraryClearWritesTheFileAndSendDoesNothing) {
    ASSERT_NE(start(), nullptr);
    SetWindowTextW(app().inputEdit, L"Eingabe");
    sendCommand(window_, 500, BN_CLICKED, app().sendButton);
    EXPECT_FALSE(promptsFileExists());
    sendCommand(window_, 9001, 0, nullptr); // any notification
    EXPECT_EQ(windowText(app().inputEdit), u"");
    EXPECT_TRUE(promptsFileExists());
    EXPECT_TRUE(readLibrary().empty());
}

TEST_F(MainWindowTest, PasteButtonReplacesTheWholeTextFromTheClipboard) {
    ClipboardLock lock;
    writeLibrary({prompt(u"A", false, u"a-alt")});
    ASSERT_NE(start(), nullptr);
    SetWindowTextW(app().inputEdit, L"vorher da");
    SendMessageW(app().inputEdit, EM_SETSEL, 2, 4); // a selection does not matter
    removePromptsFile();

    setClipboardText(u"aus der Zwischenablage ✓\r\nzweite Zeile");
    sendCommand(window_, 9002, BN_CLICKED, app().pasteButton);
    EXPECT_EQ(windowText(app().inputEdit), u"aus der Zwischenablage ✓\r\nzweite Zeile");
    EXPECT_EQ(readLibrary()[0].lasttext, u"aus der Zwischenablage ✓\r\nzweite Zeile");

    // No text on the clipboard, or an empty text: nothing changes, nothing is written.
    for (const auto& clip : {std::optional<std::u16string>{}, std::optional<std::u16string>{u""}}) {
        removePromptsFile();
        setClipboardText(clip);
        sendCommand(window_, 9002, BN_CLICKED, app().pasteButton);
        EXPECT_EQ(windowText(app().inputEdit), u"aus der Zwischenablage ✓\r\nzweite Zeile");
        EXPECT_FALSE(promptsFileExists());
    }
}

TEST_F(MainWindowTest, SendStoresTheTextButAFavouriteStoresNothing) {
    writeLibrary({prompt(u"A", true), prompt(u"B", true)});
    writeSettings("prompt=1\r\n");
    ASSERT_NE(start(), nullptr);
    SetWindowTextW(app().inputEdit, L"Eingabe");
    removePromptsFile();

    sendCommand(window_, 8000, BN_CLICKED, app().favoriteButtons.at(0));
    sendCommand(window_, 8042, BN_CLICKED, nullptr); // no such favourite
    EXPECT_FALSE(promptsFileExists());
    EXPECT_EQ(app().library[1].lasttext, u"");

    sendCommand(window_, 500, BN_CLICKED, app().sendButton);
    EXPECT_EQ(readLibrary()[1].lasttext, u"Eingabe");
}
