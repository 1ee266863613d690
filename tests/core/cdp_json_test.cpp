#include "browser/chromium_loader/cdp_json.h"

#include "support.h"

#include <gtest/gtest.h>

// A script reaches the page unit for unit: what JSON may not hold raw is escaped, a surrogate
// pair goes over as its character, a lone surrogate as an escape.
TEST(CdpJson, StringsKeepEveryUnit) {
    // clang-format off
    const std::pair<std::u16string, std::string> cases[] = {
        {u"a\"b\\c/", R"("a\"b\\c/")"}, {u"\n\t\x01\x1f\x7f"s, R"("\u000a\u0009\u0001\u001f)" "\x7f\""},
        {u"a\0b"s, R"("a\u0000b")"}, {u"ä€\u2028😀", "\"\xC3\xA4\xE2\x82\xAC\xE2\x80\xA8\xF0\x9F\x98\x80\""},
        {u"x\xD83D", R"("x\ud83d")"}, {u"\xDE00x", R"("\ude00x")"}, {u"\xDE00\xD83D", R"("\ude00\ud83d")"},
        {u"\xD83D" u"a\xD83D\xDE00", "\"\\ud83da\xF0\x9F\x98\x80\""}, {u"", "\"\""},
    };
    // clang-format on
    for (const auto& [text, json] : cases)
        EXPECT_EQ(jsonString(text), json) << toUtf8(text);
}

// Messages end at each NUL, wherever the pipe's reads cut them.
TEST(CdpJson, MessagesAreCutAtTheirNul) {
    std::string pending;
    EXPECT_TRUE(takeMessages(pending, "{\"id\":").empty());
    EXPECT_EQ(takeMessages(pending, "1}\0{\"a\""s), std::vector<std::string>{"{\"id\":1}"});
    EXPECT_EQ(takeMessages(pending, ":2}\0\0{"s), (std::vector<std::string>{"{\"a\":2}", ""}));
    EXPECT_EQ(pending, "{");
}

// A member is found at its own level only, past strings and nested values that look like it.
TEST(CdpJson, MembersAtTheirOwnLevel) {
    const std::string_view reply =
        R"({"method":"x","params":{"id":1,"s":"}\"{,"},"list":[{"id":2},"]"], "id" : 42 ,"last":true})";
    EXPECT_EQ(jsonMember(reply, "id"), "42");
    EXPECT_EQ(jsonMember(reply, "params"), R"({"id":1,"s":"}\"{,"})");
    EXPECT_EQ(jsonMember(reply, "list"), R"([{"id":2},"]"])");
    EXPECT_EQ(jsonMember(reply, "last"), "true");
    EXPECT_EQ(jsonText(reply, "method"), "x");
    EXPECT_EQ(jsonMember(jsonMember(reply, "params").value(), "s"), R"("}\"{,")");
    for (std::string_view missing : {"s", "none"})
        EXPECT_EQ(jsonMember(reply, missing), std::nullopt) << missing;
    for (std::string_view broken : {R"({"id":)", R"({"id":"1)", R"(["id",1])", ""})
        EXPECT_EQ(jsonMember(broken, "id"), std::nullopt) << broken;
}
