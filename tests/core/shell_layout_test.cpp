// Edge cases of the prompt pane layout, the favourites count and the command order; the
// window tests check the same geometry on the real windows.
#include "app/command_model.h"
#include "app/layout_model.h"
#include "favourites/favorites_model.h"

#include <gtest/gtest.h>

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
