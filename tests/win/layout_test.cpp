// Where the windows go: at the default font, after font changes, after resizing and
// minimising, and the favourites column under the send button.
#include "tests/win/win_test_support.h"

#include "app/shell.h"

namespace {

// The client rectangle's right and bottom edges.
std::pair<int, int> clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void setClientSize(HWND window, int width, int height) {
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    pumpMessages();
}

void expectAiAreaFits(HWND window) {
    const auto [right, bottom] = clientSize(window);
    EXPECT_EQ(boxOf(app().aiHeader), (Box{580, 10, std::max(right - 590, 10), 30}));
    EXPECT_EQ(boxOf(app().aiStrip), (Box{580, 34, 35, std::max(bottom - 50, 10)}));
}

// The edit box and the glyph buttons against the combo box's selection field.
void expectGlyphButtonsUnder(int fieldBottom) {
    EXPECT_EQ(boxOf(app().clearButton), (Box{528, fieldBottom + 14, 14, 14}));
    EXPECT_EQ(boxOf(app().pasteButton), (Box{546, fieldBottom + 14, 14, 14}));
}

} // namespace

TEST_F(MainWindowTest, DefaultFontGeometry) {
    ASSERT_NE(start(), nullptr);
    const AppState& state = app();
    EXPECT_EQ(boxOf(state.promptHeader), (Box{10, 10, 550, 30}));
    EXPECT_EQ(boxOf(state.aiCombo).x, 50);
    EXPECT_EQ(boxOf(state.aiCombo).y, 48);
    EXPECT_EQ(boxOf(state.aiCombo).width, 510);
    EXPECT_EQ(boxOf(state.promptCombo).x, 50);
    EXPECT_EQ(boxOf(state.promptCombo).y, 77);
    EXPECT_EQ(boxOf(state.promptCombo).width, 510);
    EXPECT_EQ(boxOf(state.sendButton), (Box{50, 350, 510, 40}));
    EXPECT_EQ(boxOf(state.promptStrip), (Box{10, 32, 35, 361})); // 3 pixels below the send button

    const int field = comboFieldBottom(state.promptCombo);
    ASSERT_GT(field, 77);
    // The edit box moved down from 110 to 32 pixels under the selection field; bottom kept.
    const Box edit = boxOf(state.inputEdit);
    EXPECT_EQ(edit.x, 50);
    EXPECT_EQ(edit.width, 510);
    EXPECT_EQ(edit.y, std::max(field + 32, 110));
    EXPECT_EQ(edit.y + edit.height, 340);
    expectGlyphButtonsUnder(field);
    expectAiAreaFits(window_);
}

TEST_F(MainWindowTest, FontChangesMoveThePromptPane) {
    writeLibrary({prompt(u"A", true), prompt(u"B", true)});
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    const int field13 = comboFieldBottom(state.promptCombo);
    const int editTop13 = boxOf(state.inputEdit).y;

    HFONT before = state.contentFont.get();
    setContentFontSize(0);
    setContentFontSize(-5);
    EXPECT_EQ(state.contentFont.get(), before);
    EXPECT_EQ(state.fontSize, 13);

    setContentFontSize(18);
    EXPECT_EQ(state.fontSize, 18);
    applyContentFont(window_);
    layoutPromptPane(window_);
    pumpMessages();
    for (HWND control :
         {state.aiCombo, state.promptCombo, state.inputEdit, state.sendButton, state.clearButton,
          state.pasteButton, state.favoriteButtons.at(0), state.favoriteButtons.at(1)}) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), state.contentFont.get());
    }
    LOGFONTW font{};
    GetObjectW(state.contentFont.get(), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -18);
    GetObjectW(state.boldFont.get(), sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -18);
    EXPECT_EQ(font.lfWeight, 700);

    const int field18 = comboFieldBottom(state.promptCombo);
    EXPECT_GT(field18, field13);
    const Box edit18 = boxOf(state.inputEdit);
    EXPECT_EQ(edit18.y, field18 + 32);
    EXPECT_GT(edit18.y, editTop13);
    EXPECT_EQ(edit18.y + edit18.height, 340);
    expectGlyphButtonsUnder(field18);

    // Smaller again: the buttons go up, the edit box stays where it is.
    setContentFontSize(9);
    applyContentFont(window_);
    layoutPromptPane(window_);
    pumpMessages();
    const int field9 = comboFieldBottom(state.promptCombo);
    EXPECT_LT(field9, field18);
    EXPECT_EQ(boxOf(state.inputEdit), edit18);
    expectGlyphButtonsUnder(field9);

    // A huge font leaves the edit box its 50 pixels, below 340.
    setContentFontSize(250);
    applyContentFont(window_);
    layoutPromptPane(window_);
    const int fieldHuge = comboFieldBottom(state.promptCombo);
    const Box editHuge = boxOf(state.inputEdit);
    if (fieldHuge + 32 > 290) {
        EXPECT_EQ(editHuge.height, 50);
        EXPECT_GT(editHuge.y + editHuge.height, 340);
    }
}

TEST_F(MainWindowTest, ResizingMovesTheAiAreaAndKeepsTheLeftPane) {
    ASSERT_NE(start(), nullptr);
    const Box edit = boxOf(app().inputEdit);
    for (const auto& [width, height] : {std::pair{1200, 700}, std::pair{560, 300}, std::pair{1400, 850}}) {
        SCOPED_TRACE(width);
        setClientSize(window_, width, height);
        expectAiAreaFits(window_);
        EXPECT_EQ(boxOf(app().promptStrip), (Box{10, 32, 35, 361}));
        EXPECT_EQ(boxOf(app().inputEdit), edit);
    }
    // Narrower than 600: the AI header keeps 10 pixels.
    setClientSize(window_, 560, 300);
    EXPECT_EQ(boxOf(app().aiHeader).width, 10);
}

TEST_F(MainWindowTest, MinimisingShrinksTheAiAreaAndRestoringRecomputesIt) {
    ASSERT_NE(start(), nullptr);
    ShowWindow(window_, SW_MINIMIZE);
    pumpMessages();
    ASSERT_TRUE(IsIconic(window_));
    const auto [right, bottom] = clientSize(window_);
    EXPECT_EQ(right, 0);
    EXPECT_EQ(bottom, 0);
    RECT header{}, strip{};
    GetWindowRect(app().aiHeader, &header);
    GetWindowRect(app().aiStrip, &strip);
    EXPECT_EQ(header.right - header.left, 10);
    EXPECT_EQ(strip.bottom - strip.top, 10);

    ShowWindow(window_, SW_RESTORE);
    pumpMessages();
    ASSERT_FALSE(IsIconic(window_));
    expectAiAreaFits(window_);
    EXPECT_GT(boxOf(app().aiHeader).width, 10);
}

TEST_F(MainWindowTest, FavouriteColumnUnderTheSendButton) {
    writeLibrary({prompt(u"Eins", true), prompt(u"kein Favorit"), prompt(u"", true), prompt(u"Drei", true)});
    ASSERT_NE(start(), nullptr);
    const AppState& state = app();
    EXPECT_TRUE(hasVisibleStyle(state.favHeader));
    EXPECT_TRUE(hasVisibleStyle(state.favStrip));
    EXPECT_EQ(boxOf(state.favHeader), (Box{10, 410, 550, 30}));
    EXPECT_EQ(boxOf(state.favStrip), (Box{10, 434, 35, 119}));
    ASSERT_EQ(state.favoriteButtons.size(), 3u);
    EXPECT_EQ(state.favoriteIndices, (std::vector<std::int32_t>{0, 2, 3}));
    const char16_t* captions[] = {u"Eins", u"(ohne Name)", u"Drei"};
    for (int p = 0; p < 3; ++p) {
        HWND button = state.favoriteButtons[static_cast<std::size_t>(p)];
        EXPECT_EQ(boxOf(button), (Box{50, 448 + 36 * p, 510, 30}));
        EXPECT_EQ(GetDlgCtrlID(button), 8000 + p);
        EXPECT_EQ(windowText(button), captions[p]);
        EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & (BS_LEFT | BS_TYPEMASK), BS_LEFT);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), state.contentFont.get());
    }
    // The buttons stay where they are when the window is resized.
    setClientSize(window_, 900, 700);
    EXPECT_EQ(boxOf(state.favoriteButtons[2]).y, 520);

    // Closing destroys the buttons and empties both lists.
    const std::vector<HWND> buttons = state.favoriteButtons;
    close();
    for (HWND button : buttons)
        EXPECT_FALSE(IsWindow(button));
    EXPECT_TRUE(app().favoriteButtons.empty());
    EXPECT_TRUE(app().favoriteIndices.empty());
}

TEST_F(MainWindowTest, FavouriteCountIsLimitedAndRebuildsStartAfresh) {
    PromptLibrary library;
    for (char16_t c = u'A'; c < u'A' + 7; ++c)
        library.push_back(prompt(std::u16string(1, c).c_str(), true));
    library.insert(library.begin() + 1, prompt(u"kein"));
    writeLibrary(library);
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    ASSERT_EQ(state.favoriteButtons.size(), 5u);
    EXPECT_EQ(state.favoriteIndices, (std::vector<std::int32_t>{0, 2, 3, 4, 5}));
    EXPECT_EQ(GetDlgCtrlID(state.favoriteButtons[4]), 8004);
    EXPECT_EQ(windowText(state.favoriteButtons[1]), u"B");

    // Fewer allowed, then no favourites at all: header and strip hide, lists empty.
    const std::vector<HWND> old = state.favoriteButtons;
    state.maxFavorites = 2;
    rebuildFavorites(window_);
    for (HWND button : old)
        EXPECT_FALSE(IsWindow(button));
    ASSERT_EQ(state.favoriteButtons.size(), 2u);
    EXPECT_EQ(boxOf(state.favStrip).height, 36 * 2 + 11);

    for (Prompt& p : state.library)
        p.fav = false;
    rebuildFavorites(window_);
    EXPECT_TRUE(state.favoriteButtons.empty());
    EXPECT_TRUE(state.favoriteIndices.empty());
    EXPECT_FALSE(hasVisibleStyle(state.favHeader));
    EXPECT_FALSE(hasVisibleStyle(state.favStrip));

    // Without a main window nothing changes, old buttons included.
    state.library[0].fav = true;
    rebuildFavorites(window_);
    ASSERT_EQ(state.favoriteButtons.size(), 1u);
    rebuildFavorites(nullptr);
    EXPECT_EQ(state.favoriteButtons.size(), 1u);
    EXPECT_TRUE(IsWindow(state.favoriteButtons[0]));
}

TEST_F(MainWindowTest, StoredFavouriteLimitFromTheSettingsFile) {
    writeLibrary({prompt(u"A", true), prompt(u"B", true), prompt(u"C", true), prompt(u"D", true)});
    writeSettings("mfav=3\r\n");
    ASSERT_NE(start(), nullptr);
    EXPECT_EQ(app().maxFavorites, 3);
    EXPECT_EQ(app().favoriteButtons.size(), 3u);
}

TEST_F(MainWindowTest, AnOpenSecondaryWindowKeepsItsFontUntilItCloses) {
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    // Stands in for an About window whose text box got the font at creation.
    HWND about =
        CreateWindowExW(0, L"STATIC", L"About", WS_POPUP, 0, 0, 100, 50, window_, nullptr, nullptr, nullptr);
    ASSERT_NE(about, nullptr);
    SendMessageW(about, WM_SETFONT, reinterpret_cast<WPARAM>(state.contentFont.get()), TRUE);
    state.aboutWindow = about;

    HFONT given = state.contentFont.get();
    setContentFontSize(18);
    ASSERT_EQ(state.retiredFonts.size(), 1u);
    EXPECT_EQ(state.retiredFonts[0].get(), given);
    EXPECT_EQ(GetObjectType(given), static_cast<DWORD>(OBJ_FONT));
    EXPECT_NE(state.contentFont.get(), given);

    // Once it has closed, the next change deletes the kept font before making the new one.
    DestroyWindow(about);
    setContentFontSize(14);
    EXPECT_TRUE(state.retiredFonts.empty());
    EXPECT_EQ(state.fontSize, 14);
}
