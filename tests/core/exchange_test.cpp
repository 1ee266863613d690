#include "tools/prompt_csv.h"
#include "tools/prompt_json.h"

#include <gtest/gtest.h>

using Reader = std::optional<PromptLibrary> (*)(std::string_view, std::string&);
struct Case {
    Reader read;
    std::string bytes;
    PromptLibrary expected; // when `error` is empty
    std::string error;      // the message begins with it
};

TEST(Exchange, ReadsCsvAndJsonOrNamesThePlaceOfTheFault) {
    const auto csv = promptsFromCsv;
    const auto json = promptsFromJson;
    // clang-format off
    const Case cases[] = {
        {csv, "\xEF\xBB\xBFText,x,FAV,name\r\n\"a \"\"q\"\",\nb\r\nc\",,TRUE,n1\r\n\r\n,,,\nt,,nein,n2\nt,,,\"\xC3\xA4\"",
         {{u"n1", u"a \"q\",\r\nb\r\nc", true, u""}, {u"n2", u"t", false, u""}, {u"\u00E4", u"t", false, u""}}, ""},
        {csv, "name,text,fav\nn,\"1\n2\",ja\nn,t,vielleicht\n", {}, "line 4: fav is \"vielleicht\""},
        {csv, "name,fav\nn,1\n", {}, "line 1: the header row has no column \"text\""},
        {csv, "name,text\nn,\"t\n", {}, "line 2: the quoted field"},
        {csv, "name,text\nn,\"t\"x\n", {}, "line 2: text after the closing quote"},
        {csv, "text,name\nt\n", {}, "line 2: the header row has 2 fields, this record 1"},
        {csv, "text,name\nt,n\nt,\xC3\n", {}, "line 3: the field \"name\" is not valid UTF-8"},
        {csv, "text,name\nt,\n", {}, "line 2: the name is empty"},
        {json, "\xEF\xBB\xBF[{\"x\":1,\"text\":\"a\\nb\",\"name\":\"n\",\"lasttext\":null}]", {{u"n", u"a\r\nb", false, u""}}, ""},
        {json, "[{\"name\":\"n\",\"text\":\"t\"},{\"name\":\"n\"}]", {}, "element 1: \"text\" is missing"},
        {json, "[{\"name\":\"n\",\"text\":\"t\",\"fav\":1}]", {}, "element 0: \"fav\" is not true or false"},
        {json, "[{\"name\":\"n\",\"text\":\"t\"},{\"name\":\"n\",\"text\":\"\xC3\"}]", {}, "element 1: parse error"},
        {json, "[{\"name\":\"n\",\"text\":\"t\"}", {}, "after element 0: parse error"},
        {json, "{\"name\":\"n\",\"text\":\"t\"}", {}, "the file holds no JSON array"},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string error;
        const std::optional<PromptLibrary> read = c.read(c.bytes, error);
        EXPECT_EQ(read.has_value(), c.error.empty()) << c.bytes << " -> " << error;
        EXPECT_EQ(read.value_or(PromptLibrary{}), c.expected) << c.bytes;
        EXPECT_TRUE(error.starts_with(c.error)) << c.bytes << " -> " << error;
    }

    // An export reads back as it was.
    const PromptLibrary library{{u"a\"\\/\t\u00E4\U0001F600", u"1\r\n2", true, u"l\r\n"},
                                {u"b", u"", false, u""}};
    std::string error;
    EXPECT_EQ(promptsFromJson(promptsToJson(library), error), library);
}
