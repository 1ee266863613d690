#include "browser/chat_script.h"

#include <gtest/gtest.h>

namespace {

std::u16string tail() {
    return std::u16string(scriptTailFirst) + std::u16string(geminiHostName) +
           std::u16string(scriptTailSecond);
}

std::u16string replaceEvery(std::u16string text, std::u16string_view pattern, std::u16string_view by) {
    for (std::size_t at = text.find(pattern); at != std::u16string::npos;
         at = text.find(pattern, at + by.size()))
        text.replace(at, pattern.size(), by);
    return text;
}

} // namespace

TEST(ChatScript, IsHeadEscapedMessageAndTailOfFixedLengths) {
    EXPECT_EQ(scriptHead.size(), 603u);
    EXPECT_EQ(scriptTailFirst.size(), 40u);
    EXPECT_EQ(geminiHostName.size(), 17u);
    EXPECT_EQ(scriptTailSecond.size(), 775u);
    // The head opens the literal that the first tail piece closes.
    EXPECT_TRUE(scriptHead.ends_with(u"const text = '"));
    EXPECT_TRUE(scriptTailFirst.starts_with(u"';"));
    EXPECT_TRUE(scriptTailFirst.ends_with(u"includes('"));
    EXPECT_TRUE(scriptTailSecond.starts_with(u"')) {"));
    EXPECT_TRUE(scriptTailSecond.ends_with(u"}, 800); } })();"));

    EXPECT_EQ(buildChatScript(u""), std::u16string(scriptHead) + tail());
    EXPECT_EQ(chatScriptFor(u"Sag's", u"a\r\nb"),
              std::u16string(scriptHead) + u"Sag\\'s\\n\\na\\nb" + tail());
}

TEST(ChatScript, EscapesBackslashApostropheAndEveryLineBreakInThatOrder) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"", u""},
        {u"\t\"x\"\x01 \u00e4 \U0001F600", u"\t\"x\"\x01 \u00e4 \U0001F600"}, // unchanged
        {u"a\\nb", u"a\\\\nb"},        // backslash doubled, not a line break
        {u"''", u"\\'\\'"},            //
        {u"\\'", u"\\\\\\'"},          // the apostrophe's new backslash is not doubled
        {u"a\r\nb", u"a\\nb"},         // CR LF is one line feed
        {u"\\\r\n", u"\\\\\\n"},       //
        {u"a\nb\n\n", u"a\\nb\\n\\n"}, //
        {u"\n\r\n", u"\\n\\n"},        // the pair goes first, then the lone LF
        {u"a\rb\r", u"a\\rb\\r"},      // a lone CR
        {u"a\r\r\nb", u"a\\r\\nb"},    //
        {u"a\r\n\rb", u"a\\n\\rb"},    //
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(escapeForScriptLiteral(text), escaped);

    // The one pass with its fast path over plain runs gives exactly what the five replacements
    // give one after the other, wherever the special units fall.
    const std::u16string alphabet = u"ab\\'\r\n\u00e4\U0001F600";
    std::uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::u16string text;
        for (int i = round % 41; i > 0; --i) {
            state = state * 1103515245u + 12345u;
            const std::uint32_t pick = (state >> 16) % 24; // mostly plain letters
            text += pick < alphabet.size() ? alphabet[pick] : u'x';
        }
        std::u16string expected = replaceEvery(text, u"\\", u"\\\\");
        expected = replaceEvery(expected, u"'", u"\\'");
        expected = replaceEvery(expected, u"\r\n", u"\\n");
        expected = replaceEvery(expected, u"\n", u"\\n");
        expected = replaceEvery(expected, u"\r", u"\\r");
        ASSERT_EQ(buildChatScript(text), std::u16string(scriptHead) + expected + tail()) << "round " << round;
        ASSERT_EQ(expected.find_first_of(u"\r\n"), std::u16string::npos);
    }
}

TEST(ChatScript, MessageJoinsInputWithTwoLineFeedsOnlyWhenThereIsInput) {
    EXPECT_EQ(joinChatMessage(u"Prompt", u""), u"Prompt");
    EXPECT_EQ(joinChatMessage(u"", u"Eingabe"), u"\n\nEingabe");
    EXPECT_EQ(joinChatMessage(u"", u""), u"");
    // The input's own CR LF breaks stay for the escaping to turn into line feeds.
    EXPECT_EQ(joinChatMessage(u"P\r\n", u"a\r\nb"), u"P\r\n\n\na\r\nb");
}

TEST(ChatScript, StartAddresses) {
    EXPECT_EQ(aiStartAddress(0), u"https://chatgpt.com/");
    EXPECT_EQ(aiStartAddress(1), u"https://gemini.google.com/app");
    EXPECT_EQ(aiStartAddress(2), u"https://copilot.microsoft.com/");
    EXPECT_EQ(aiStartAddress(3), aiStartAddress(0));
    EXPECT_EQ(aiStartAddress(-1), aiStartAddress(0));
    // The Gemini page's address contains the host name the script tests for.
    EXPECT_NE(aiStartAddress(1).find(geminiHostName), std::u16string_view::npos);
    for (int selection : {0, 1, 2})
        EXPECT_EQ(chatAddressForSelection(selection), aiStartAddress(selection));
    EXPECT_FALSE(chatAddressForSelection(-1));
    EXPECT_FALSE(chatAddressForSelection(3));
}
