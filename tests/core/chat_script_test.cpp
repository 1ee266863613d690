#include "browser/chat_script.h"

#include <gtest/gtest.h>

namespace {

std::u16string tail() {
    return std::u16string(scriptTailFirst) + std::u16string(geminiHostName) +
           std::u16string(scriptTailSecond);
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
