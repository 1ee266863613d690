// Where the windows go: at the default font, after font changes, after resizing and
// minimising, and the favourites column under the send button.
#include "tests/win/win_test_support.h"

#include "app/layout.h"
#include "app/shell.h"
#include "favourites/favorites.h"
#include "settings/fonts.h"

namespace {

void setClientSize(HWND window, int width, int height) {
    RECT rect{0, 0, width, height};
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOMOVE);
    pumpMessages();
}

// The AI header and strip fill the client area right of the left pane (at least 10 pixels).
void expectAiAreaFits(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(boxOf(app().aiHeader), (Box{580, 10, std::max<int>(client.right - 590, 10), 30}));
    EXPECT_EQ(boxOf(app().aiStrip), (Box{580, 34, 35, std::max<int>(client.bottom - 50, 10)}));
}

// The glyph buttons sit 14 pixels under the combo box's selection field.
void expectGlyphButtonsUnder(int fieldBottom) {
    EXPECT_EQ(boxOf(app().clearButton), (Box{528, fieldBottom + 14, 14, 14}));
    EXPECT_EQ(boxOf(app().pasteButton), (Box{546, fieldBottom + 14, 14, 14}));
}

void changeFont(HWND window, int px) {
    setContentFontSize(px);
    applyContentFont(window);
    layoutPromptPane(window);
    pumpMessages();
}

} // namespace

TEST_F(MainWindowTest, GeometryAtTheDefaultFontAndWhenResized) {
    ASSERT_NE(start(), nullptr);
    const AppState& state = app();
    const struct {
        HWND window;
        Box box;
        bool heightFixed; // a combo box's height is its list's, the system's business
    } table[] = {
        {state.promptHeader, {10, 10, 550, 30}, true}, {state.aiCombo, {50, 48, 510, 0}, false},
        {state.promptCombo, {50, 77, 510, 0}, false},  {state.sendButton, {50, 350, 510, 40}, true},
        {state.promptStrip, {10, 32, 35, 361}, true}, // 3 pixels below the send button
    };
    const int field = comboFieldBottom(state.promptCombo);
    ASSERT_GT(field, 77);
    // The edit box lies 32 pixels under the selection field (110 at least); its bottom stays at 340.
    const int editTop = std::max(field + 32, 110);
    const Box edit{50, editTop, 510, 340 - editTop};
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{1200, 700}, std::pair{560, 300}}) {
        SCOPED_TRACE(width);
        if (width) setClientSize(window_, width, height);
        for (const auto& row : table) {
            Box box = boxOf(row.window);
            if (!row.heightFixed) box.height = 0;
            EXPECT_EQ(box, row.box);
        }
        EXPECT_EQ(boxOf(state.inputEdit), edit);
        expectGlyphButtonsUnder(field);
        expectAiAreaFits(window_);
    }
    EXPECT_EQ(boxOf(state.aiHeader).width, 10); // narrower than 600
    setClientSize(window_, 1200, 700);

    // Minimised: a client area of nothing, the AI area at its 10-pixel least; restored, recomputed.
    ShowWindow(window_, SW_MINIMIZE);
    pumpMessages();
    ASSERT_TRUE(IsIconic(window_));
    RECT client{1, 1, 1, 1}, header{}, strip{};
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right + client.bottom, 0);
    GetWindowRect(state.aiHeader, &header);
    GetWindowRect(state.aiStrip, &strip);
    EXPECT_EQ(header.right - header.left, 10);
    EXPECT_EQ(strip.bottom - strip.top, 10);
    ShowWindow(window_, SW_RESTORE);
    pumpMessages();
    ASSERT_FALSE(IsIconic(window_));
    expectAiAreaFits(window_);
    EXPECT_GT(boxOf(state.aiHeader).width, 10);
}

TEST_F(MainWindowTest, FontChangesMoveThePromptPane) {
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    const int field13 = comboFieldBottom(state.promptCombo);
    const int editTop13 = boxOf(state.inputEdit).y;

    // Sizes below one pixel are ignored.
    HFONT before = state.contentFont.get();
    setContentFontSize(0);
    setContentFontSize(-5);
    EXPECT_EQ(state.contentFont.get(), before);
    EXPECT_EQ(state.live.fontSize, 13);

    changeFont(window_, 18);
    LOGFONTW font{};
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
    changeFont(window_, 9);
    const int field9 = comboFieldBottom(state.promptCombo);
    EXPECT_LT(field9, field18);
    EXPECT_EQ(boxOf(state.inputEdit), edit18);
    expectGlyphButtonsUnder(field9);

    // A huge font leaves the edit box its 50 pixels, below 340.
    changeFont(window_, 250);
    const Box editHuge = boxOf(state.inputEdit);
    if (comboFieldBottom(state.promptCombo) + 32 > 290) {
        EXPECT_EQ(editHuge.height, 50);
        EXPECT_GT(editHuge.y + editHuge.height, 340);
    }
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
    state.live.maxFavorites = 2;
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
}
