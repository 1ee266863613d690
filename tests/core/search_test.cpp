// The search window's matching and order, and its case folding.
#include "library/prompt_search.h"

#include <gtest/gtest.h>

#include <random>

#ifdef _WIN32
#include "base/wide_text.h"
#endif

TEST(PromptSearch, EveryWordInNameOrTextNamesThatStartWithItFirst) {
    PromptLibrary library;
    for (const auto& [name, text] : {std::pair{u"Zusammenfassung", u"Fasse die Mail kurz zusammen"},
                                     {u"E-Mail schreiben", u"Schreibe eine höfliche Antwort"},
                                     {u"Mail kürzen", u"Kürze die E-Mail"},
                                     {u"Gmail Entwurf", u"Entwirf eine Antwort"},
                                     {u"Kurze Mail", u"Schreibe knapp"},
                                     {u"ÄRGER", u"Die STRAẞE ist gesperrt"}})
        library.push_back({name, text, false, {}});
    PromptSearchIndex index;
    indexPrompts(index, library);
    // clang-format off
    const std::pair<std::u16string, std::vector<std::int32_t>> cases[] = { // query, the prompts found
        {u"", {0, 1, 2, 3, 4, 5}}, {u" \t ", {0, 1, 2, 3, 4, 5}}, {u"mail", {2, 1, 4, 3, 0}}, {u"MAIL", {2, 1, 4, 3, 0}},
        {u"mail kurz", {4, 0}}, {u"kürz  MAIL", {2}}, {u"mail schreib", {1, 4}}, {u"antwort entw", {3}}, {u"ärger", {5}},
        {u"Ärger", {5}}, {u"strasse", {5}}, {u"STRAßE", {5}}, {u"mail zz", {}}, {u"e-mail", {1, 2}}};
    // clang-format on
    for (const auto& [query, found] : cases)
        EXPECT_EQ(searchPrompts(index, query), found) << std::string(query.begin(), query.end());
    indexPrompts(index, {library[5], library[2]}); // made anew, nothing of before left
    EXPECT_EQ(searchPrompts(index, u"mail"), std::vector<std::int32_t>{1});
    EXPECT_EQ(searchCountText(12, 30), u"12 von 30 Prompts");
    EXPECT_EQ(searchCountText(0, 1), u"0 von 1 Prompt");
}

// The search that compares eight places at once against a plain find, over short texts of few letters.
TEST(PromptSearch, FindsWhatAPlainFindFinds) {
    std::mt19937 random(5);
    for (int round = 0; round < 500; ++round) {
        PromptLibrary library(10);
        for (Prompt& prompt : library)
            for (auto units = random() % 40; units > 0; --units)
                prompt.text += u"abÄä"[random() % 4];
        const std::u16string word = library[0].text.substr(0, random() % 5) + u"a";
        PromptSearchIndex index;
        indexPrompts(index, library);
        std::vector<std::int32_t> found;
        for (std::int32_t i = 0; i < 10; ++i)
            if (foldCase(library[i].text).find(foldCase(word)) != std::u16string::npos) found.push_back(i);
        ASSERT_EQ(searchPrompts(index, word), found) << round;
    }
}

// Scripts a German user meets; on Windows, every unit of the ranges the table covers is the
// same as its folding and as its lower case for the system's comparison.
TEST(PromptSearch, FoldsCaseAsWindowsComparesIt) {
    EXPECT_EQ(foldCase(u"ÄÖÜ ẞß ŁÓDŹ ΣΟΦΊΑΣ ЖУРНАЛ ÀÉÎ ＡＢ"), u"äöü ssss łódź σοφίασ журнал àéî ａｂ");
#ifdef _WIN32
    for (const auto& [first, last] :
         {std::pair{0x0, 0x17F}, {0x386, 0x3CE}, {0x400, 0x52F}, {0x1E00, 0x1EFF}, {0xFF00, 0xFF5F}})
        for (int unit = first; unit <= last; ++unit) {
            const std::u16string one(1, static_cast<char16_t>(unit));
            std::u16string lower = one, folded = foldCase(one);
            LCMapStringEx(L"de-DE", LCMAP_LOWERCASE, wide(one), 1, reinterpret_cast<wchar_t*>(lower.data()),
                          1, nullptr, nullptr, 0);
            EXPECT_EQ(CompareStringEx(L"de-DE", NORM_IGNORECASE, wide(one), 1, wide(folded),
                                      static_cast<int>(folded.size()), nullptr, nullptr, 0),
                      CSTR_EQUAL)
                << std::hex << unit;
            EXPECT_EQ(foldCase(lower), folded) << std::hex << unit;
        }
#endif
}
