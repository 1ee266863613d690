#include "browser/chat_script.h"

#include <gtest/gtest.h>

TEST(ChatScript, PiecesHaveTheirFixedLengths) {
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
}

TEST(ChatScript, EachEscapingPass) {
    EXPECT_EQ(escapeForScriptLiteral(u""), u"");
    EXPECT_EQ(escapeForScriptLiteral(u"plain text"), u"plain text");
    EXPECT_EQ(escapeForScriptLiteral(u"a\\nb"), u"a\\\\nb"); // backslash doubled, not a line break
    EXPECT_EQ(escapeForScriptLiteral(u"a'b"), u"a\\'b");
    EXPECT_EQ(escapeForScriptLiteral(u"a\r\nb"), u"a\\nb"); // CR LF is one line feed
    EXPECT_EQ(escapeForScriptLiteral(u"a\nb\n\n"), u"a\\nb\\n\\n");
    EXPECT_EQ(escapeForScriptLiteral(u"\\\\"), u"\\\\\\\\");
    EXPECT_EQ(escapeForScriptLiteral(u"''"), u"\\'\\'");
    // Everything else passes unchanged.
    EXPECT_EQ(escapeForScriptLiteral(u"\t\"x\"\x01 \u00e4 \U0001F600"), u"\t\"x\"\x01 \u00e4 \U0001F600");
}

TEST(ChatScript, PassesRunInOrderAndNeverDoubleTheirOwnBackslashes) {
    // Backslash then apostrophe: the first pass doubles the backslash, the second escapes the apostrophe.
    EXPECT_EQ(escapeForScriptLiteral(u"\\'"), u"\\\\\\'");
    // An escaped-looking apostrophe stays an apostrophe after unescaping.
    EXPECT_EQ(escapeForScriptLiteral(u"it\\'s"), u"it\\\\\\'s");
    // Backslash before a real line break.
    EXPECT_EQ(escapeForScriptLiteral(u"\\\r\n"), u"\\\\\\n");
    EXPECT_EQ(escapeForScriptLiteral(u"\\\n"), u"\\\\\\n");
    // LF CR LF: the pair goes first, then the lone LF.
    EXPECT_EQ(escapeForScriptLiteral(u"\n\r\n"), u"\\n\\n");
}

namespace {

std::u16string replaceEvery(std::u16string text, std::u16string_view pattern, std::u16string_view by) {
    for (std::size_t at = text.find(pattern); at != std::u16string::npos;
         at = text.find(pattern, at + by.size()))
        text.replace(at, pattern.size(), by);
    return text;
}

} // namespace

// The escaping is one pass with a fast path over plain runs: it must give exactly what the
// five replacements give one after the other, wherever the special units fall.
TEST(ChatScript, OnePassEqualsTheFiveReplacementsInTurn) {
    const std::u16string alphabet = u"ab\\'\r\n\u00e4\U0001F600";
    std::uint32_t state = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::u16string text;
        const std::size_t length = static_cast<std::size_t>(round % 41);
        for (std::size_t i = 0; i < length; ++i) {
            state = state * 1103515245u + 12345u;
            // Mostly plain letters, so the runs between escapes vary in length.
            const std::uint32_t pick = (state >> 16) % 24;
            text += pick < alphabet.size() ? alphabet[pick] : u'x';
        }
        std::u16string expected = replaceEvery(text, u"\\", u"\\\\");
        expected = replaceEvery(expected, u"'", u"\\'");
        expected = replaceEvery(expected, u"\r\n", u"\\n");
        expected = replaceEvery(expected, u"\n", u"\\n");
        expected = replaceEvery(expected, u"\r", u"\\r");
        ASSERT_EQ(escapeForScriptLiteral(text), expected) << "round " << round;
        ASSERT_EQ(buildChatScript(text),
                  std::u16string(scriptHead) + expected + std::u16string(scriptTailFirst) +
                      std::u16string(geminiHostName) + std::u16string(scriptTailSecond));
    }
}

TEST(ChatScript, LoneCarriageReturnIsEscaped) {
    EXPECT_EQ(escapeForScriptLiteral(u"a\rb"), u"a\\rb");
    EXPECT_EQ(escapeForScriptLiteral(u"\r"), u"\\r");
    EXPECT_EQ(escapeForScriptLiteral(u"a\r\r\nb"), u"a\\r\\nb");
    EXPECT_EQ(escapeForScriptLiteral(u"a\r\n\rb\r"), u"a\\n\\rb\\r");
    // No raw line terminator of any kind is left in an escaped text.
    const std::u16string escaped = escapeForScriptLiteral(u"x\r\ny\rz\n\r\r\n'\\");
    EXPECT_EQ(escaped.find_first_of(u"\r\n"), std::u16string::npos);
}

TEST(ChatScript, MessageJoinsInputWithTwoLineFeedsOnlyWhenThereIsInput) {
    EXPECT_EQ(joinChatMessage(u"Prompt", u""), u"Prompt");
    EXPECT_EQ(joinChatMessage(u"Prompt", u"Eingabe"), u"Prompt\n\nEingabe");
    EXPECT_EQ(joinChatMessage(u"", u"Eingabe"), u"\n\nEingabe");
    EXPECT_EQ(joinChatMessage(u"", u""), u"");
    // The input's own CR LF breaks stay for the escaping to turn into line feeds.
    EXPECT_EQ(joinChatMessage(u"P\r\n", u"a\r\nb"), u"P\r\n\n\na\r\nb");
}

TEST(ChatScript, ScriptIsHeadEscapedMessageAndTail) {
    const std::u16string tail =
        std::u16string(scriptTailFirst) + std::u16string(geminiHostName) + std::u16string(scriptTailSecond);
    EXPECT_EQ(buildChatScript(u""), std::u16string(scriptHead) + tail);
    EXPECT_EQ(chatScriptFor(u"Sag's", u"a\r\nb"), std::u16string(scriptHead) + u"Sag\\'s\\n\\na\\nb" + tail);
    EXPECT_EQ(chatScriptFor(u"x", u"").size(), 603u + 1u + 40u + 17u + 775u);
}

TEST(ChatScript, StartAddresses) {
    EXPECT_EQ(aiStartAddress(0), u"https://chatgpt.com/");
    EXPECT_EQ(aiStartAddress(1), u"https://gemini.google.com/app");
    EXPECT_EQ(aiStartAddress(2), u"https://copilot.microsoft.com/");
    EXPECT_EQ(aiStartAddress(3), aiStartAddress(0));
    EXPECT_EQ(aiStartAddress(-1), aiStartAddress(0));
    // The Gemini page's address contains the host name the script tests for.
    EXPECT_NE(aiStartAddress(1).find(geminiHostName), std::u16string_view::npos);

    EXPECT_EQ(chatAddressForSelection(1), aiStartAddress(1));
    EXPECT_EQ(chatAddressForSelection(2), aiStartAddress(2));
    EXPECT_EQ(chatAddressForSelection(0), aiStartAddress(0));
    EXPECT_FALSE(chatAddressForSelection(-1));
    EXPECT_FALSE(chatAddressForSelection(3));
}
