// The window-free parts of the main window: chat script, prompt pane, favourites.
#include "app/layout_model.h"
#include "browser/chat_script.h"
#include "favourites/favorites_model.h"
#include "library/prompt_library.h"

#include <gtest/gtest.h>

TEST(ChatScript, CarriesPromptAndInputAsOneSafeLiteral) {
    const std::u16string empty = chatScriptFor(u"", u"");
    const std::size_t open = empty.find(u"const text = '") + 14;
    EXPECT_EQ(empty.substr(open, 59), u"';   if (window.location.href.includes('gemini.google.com')");
    // clang-format off
    const std::u16string cases[][3] = { // prompt text, input text, the literal's content
        {u"Prompt", u"", u"Prompt"}, {u"", u"Eingabe", u"\\n\\nEingabe"}, {u"Sag's", u"a\r\nb", u"Sag\\'s\\n\\na\\nb"},
        {u"\t\"x\"\x01 \u00e4 \U0001F600 \u2028", u"", u"\t\"x\"\x01 \u00e4 \U0001F600 \u2028"}, {std::u16string(u"a\0b", 3), u"", u"a\\u0000b"},
        {u"a\\nb", u"", u"a\\\\nb"}, {u"\\'", u"", u"\\\\\\'"}, {u"\\\r\n", u"", u"\\\\\\n"}, {u"\n\r\n", u"", u"\\n\\n"},
        {u"a\rb\r", u"", u"a\\rb\\r"}, {u"a\r\r\nb", u"", u"a\\r\\nb"}, {u"a\r\n\rb", u"", u"a\\n\\rb"},
        {u"0123456789'bcdef0123456\\89\r", u"0123456\n", u"0123456789\\'bcdef0123456\\\\89\\n\\n0123456\\n"}};
    // clang-format on
    for (const auto& [text, input, literal] : cases)
        EXPECT_EQ(chatScriptFor(text, input), empty.substr(0, open) + literal + empty.substr(open));
}

TEST(MainWindow, PromptPaneMovesTheEditBoxDownOnly) {
    // clang-format off
    const std::tuple<int, Edges, bool, Box, int> panes[] = { // the edit box moves down only, keeping 50 pixels
        {98, {50, 110, 560, 340}, true, {50, 130, 510, 210}, 112}, {90, {50, 130, 560, 340}, false, {50, 130, 510, 210}, 104},
        {99, {50, 130, 560, 340}, true, {50, 131, 510, 209}, 113}, {300, {50, 130, 560, 340}, true, {50, 332, 510, 50}, 314}};
    // clang-format on
    for (const auto& [comboBottom, edit, moves, box, buttonTop] : panes) {
        const PromptPaneLayout layout = layoutPromptPaneFor(comboBottom, edit);
        EXPECT_EQ(std::tuple(layout.moveEdit, layout.edit, layout.clearButton, layout.pasteButton),
                  std::tuple(moves, box, Box{528, buttonTop, 14, 14}, Box{546, buttonTop, 14, 14}));
    }
}

TEST(Favourites, ButtonsFollowTheFlaggedPromptsUpToTheLimit) {
    PromptLibrary library(9);
    library[0].fav = library[4].fav = library[1].fav = library[8].fav = true;
    EXPECT_EQ(collectFavoriteIndices(library), (std::vector<int32_t>{0, 1, 4, 8}));
    library.erase(library.begin() + 2);
    EXPECT_EQ(collectFavoriteIndices(library), (std::vector<int32_t>{0, 1, 3, 7}));
    for (const auto& [count, limit, shown] :
         {std::array{7, 5, 5}, {5, 5, 5}, {3, 5, 3}, {0, 5, 0}, {150, 120, 100}})
        EXPECT_EQ(favoriteButtonCount(std::size_t(count), limit), shown);
    EXPECT_EQ(favoriteCaption(u"&A && B&"), u"&&A &&&& B&&");
    const ColorPair prompt, favorites, ai;
    for (const auto& [area, colours] :
         {std::pair{-7, &favorites}, {0, &favorites}, {1, &prompt}, {2, &favorites}, {3, &ai}})
        EXPECT_EQ(&areaColors(area, prompt, favorites, ai), colours);
}
