// Geometry of the main window and the favourites column, and the command order.
#include "app/command_model.h"
#include "app/layout_model.h"
#include "favourites/favorites_model.h"

#include <gtest/gtest.h>

TEST(MainWindowLayout, AiAreaFollowsTheClientRectangle) {
    EXPECT_EQ(aiHeaderBox(1600), (Box{580, 10, 1010, 30}));
    EXPECT_EQ(aiStripBox(900), (Box{580, 34, 35, 850}));
    // Narrower than 600 or minimised (zero client rectangle): never below 10.
    EXPECT_EQ(aiHeaderBox(590), (Box{580, 10, 10, 30}));
    EXPECT_EQ(aiHeaderBox(0), (Box{580, 10, 10, 30}));
    EXPECT_EQ(aiStripBox(0), (Box{580, 34, 35, 10}));
    EXPECT_EQ(aiStripBox(61), (Box{580, 34, 35, 11}));
}

TEST(MainWindowLayout, BrowserBoundsKeepTenPixelsAndMayInvert) {
    EXPECT_EQ(browserBoundsFor({0, 0, 1600, 900}), (Edges{620, 48, 1590, 890}));
    EXPECT_EQ(browserBoundsFor({0, 0, 0, 0}), (Edges{620, 48, -10, -10}));
}

TEST(MainWindowLayout, PromptStripEndsThreePixelsBelowTheSendButton) {
    const Box strip = promptStripBox(390);
    EXPECT_EQ(strip, (Box{10, 32, 35, 361}));
    EXPECT_EQ(strip.y + strip.height, 390 + 3);
}

TEST(MainWindowLayout, PromptPaneMovesTheEditBoxDownOnly) {
    // Default font: the selection field ends at 98, the edit box moves from 110 to 130, bottom kept.
    PromptPaneLayout layout = layoutPromptPaneFor(98, {50, 110, 560, 340});
    EXPECT_TRUE(layout.moveEdit);
    EXPECT_EQ(layout.edit, (Box{50, 130, 510, 210}));
    EXPECT_EQ(layout.clearButton, (Box{528, 112, 14, 14}));
    EXPECT_EQ(layout.pasteButton, (Box{546, 112, 14, 14}));
    // The buttons sit 4 pixels above a just-moved edit box.
    EXPECT_EQ(layout.clearButton.y + layout.clearButton.height + 4, layout.edit.y);

    // A smaller font afterwards: the buttons go up, the edit box stays.
    layout = layoutPromptPaneFor(90, {50, 130, 560, 340});
    EXPECT_FALSE(layout.moveEdit);
    EXPECT_EQ(layout.edit, (Box{50, 130, 510, 210}));
    EXPECT_EQ(layout.clearButton.y, 104);

    // A huge font: the edit box keeps 50 pixels, its bottom below 340.
    layout = layoutPromptPaneFor(300, {50, 130, 560, 340});
    EXPECT_EQ(layout.edit, (Box{50, 332, 510, 50}));
}

TEST(FavoritesColumn, GeometryUnderTheSendButton) {
    EXPECT_EQ(favoritesTop(390), 410);
    EXPECT_EQ(favoritesTop(std::nullopt), 400);
    const FavoriteColumn column = favoriteColumn(410, 3);
    EXPECT_EQ(column.header, (Box{10, 410, 550, 30}));
    EXPECT_EQ(column.strip, (Box{10, 434, 35, 119}));
    ASSERT_EQ(column.buttons.size(), 3u);
    EXPECT_EQ(column.buttons[0], (Box{50, 448, 510, 30}));
    EXPECT_EQ(column.buttons[1].y, 484);
    EXPECT_EQ(column.buttons[2].y, 520);
    EXPECT_TRUE(favoriteColumn(410, 0).buttons.empty());
}

TEST(FavoritesColumn, CountCaptionAndAreaColours) {
    EXPECT_EQ(favoriteButtonCount(7, 5), 5);
    EXPECT_EQ(favoriteButtonCount(3, 5), 3);
    EXPECT_EQ(favoriteButtonCount(0, 5), 0);
    EXPECT_EQ(favoriteButtonCount(150, 120), 120);
    EXPECT_EQ(favoriteCaption(u""), u"(ohne Name)");
    EXPECT_EQ(favoriteCaption(u"Übersetzen"), u"Übersetzen");

    const ColorPair prompt{1, 2}, favorites{3, 4}, ai{5, 6};
    EXPECT_EQ(&areaColors(1, prompt, favorites, ai), &prompt);
    EXPECT_EQ(&areaColors(2, prompt, favorites, ai), &favorites);
    EXPECT_EQ(&areaColors(3, prompt, favorites, ai), &ai);
    EXPECT_EQ(&areaColors(0, prompt, favorites, ai), &favorites);
    EXPECT_EQ(&areaColors(-7, prompt, favorites, ai), &favorites);
}

TEST(CommandDispatch, FirstMatchingRowWins) {
    EXPECT_EQ(commandAction(kClearId, 0, false), CommandAction::Clear);
    EXPECT_EQ(commandAction(kPasteId, 5, false), CommandAction::Paste);
    EXPECT_EQ(commandAction(8000, 0, false), CommandAction::Favorite);
    EXPECT_EQ(commandAction(8099, kSelectionChanged, false), CommandAction::Favorite);
    EXPECT_EQ(commandAction(8100, 0, false), CommandAction::None);
    EXPECT_EQ(commandAction(kAboutId, 0, false), CommandAction::About);
    EXPECT_EQ(commandAction(kSettingsId, 0, false), CommandAction::Settings);
    EXPECT_EQ(commandAction(kAiComboId, kSelectionChanged, false), CommandAction::SwitchChat);
    EXPECT_EQ(commandAction(kAiComboId, 3, false), CommandAction::None); // e.g. CBN_SETFOCUS
    EXPECT_EQ(commandAction(0, kSelectionChanged, true), CommandAction::SelectPrompt);
    EXPECT_EQ(commandAction(0, 7, true), CommandAction::None); // CBN_DROPDOWN
    // The edit box has id 0 too; its notifications (EN_CHANGE 0x300) do nothing.
    EXPECT_EQ(commandAction(0, 0x300, false), CommandAction::None);
    EXPECT_EQ(commandAction(0, kSelectionChanged, false), CommandAction::None);
    EXPECT_EQ(commandAction(kExportId, 0, false), CommandAction::Export);
    EXPECT_EQ(commandAction(kImportId, 0, false), CommandAction::Import);
    EXPECT_EQ(commandAction(kNewPromptId, 0, false), CommandAction::OpenEditor);
    EXPECT_EQ(commandAction(kEditPromptId, 0, false), CommandAction::OpenEditor);
    EXPECT_EQ(commandAction(kDeletePromptId, 0, false), CommandAction::DeletePrompt);
    EXPECT_EQ(commandAction(kSendId, 0, false), CommandAction::Send);
    EXPECT_EQ(commandAction(kSendId, kSelectionChanged, true), CommandAction::SelectPrompt);
}

TEST(PromptSelection, ComboAndStoredIndexFallBackToTheFirstPrompt) {
    EXPECT_EQ(promptComboSelection(-1, 3), 0);
    EXPECT_EQ(promptComboSelection(2, 3), 2);
    EXPECT_EQ(promptComboSelection(3, 3), 0);
    EXPECT_EQ(promptComboSelection(-1, 0), -1);
    EXPECT_EQ(promptComboSelection(0, 0), -1);
    EXPECT_EQ(storedPromptSelection(-3, 4), 0);
    EXPECT_EQ(storedPromptSelection(4, 4), 0);
    EXPECT_EQ(storedPromptSelection(3, 4), 3);
}
