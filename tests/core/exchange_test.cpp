#include "tools/prompt_csv.h"
#include "tools/prompt_import.h"
#include "tools/prompt_json.h"

#include <gtest/gtest.h>

using namespace std::literals;

struct Case {
    PromptFormat format;
    std::string bytes;
    PromptLibrary expected; // when `error` is empty
    std::string error;      // the message begins with it
    CsvColumns columns = {};
};

// The one path by which the program and vbxtool read prompts from other files.
TEST(Exchange, ReadsEveryFormatOrNamesThePlaceOfTheFault) {
    constexpr auto csv = PromptFormat::Csv, json = PromptFormat::Json, xml = PromptFormat::Library;
    const std::string longText(148'000, 'x');
    // clang-format off
    const Case cases[] = {
        {csv, "\xEF\xBB\xBFText,x,FAV,name\r\n\"a \"\"q\"\",\nb\r\nc\",,TRUE,n1\r\n\r\n,,,\nt,,nein,n2\nt,,,\"\xC3\xA4\"",
         {{u"n1", u"a \"q\",\r\nb\r\nc", true, u""}, {u"n2", u"t", false, u""}, {u"\u00E4", u"t", false, u""}}, ""},
        // A German spreadsheet's "ANSI" with semicolons; names of other tools, blanks around them.
        {csv, "Titel ; INHALT;Favorit\r\nBr\xFC" "cke \x80;\"a;b\";WAHR\r\n", {{u"Br\u00FCcke \u20AC", u"a;b", true, u""}}, "(1252)"},
        {csv, "act\tprompt\tname\nLinux, Bash\t\"" + longText + "\"\tN\n", {{u"N", std::u16string(148'000, u'x'), false, u""}}, ""},
        {csv, "title, text\nT, \"b, c\" \n", {{u"T", u"b, c", false, u""}}, ""},
        {csv, "Frage;Antwort;fav\nq;a;\n", {{u"q", u"a", false, u""}}, "", {" frage ", "ANTWORT", ""}},
        {csv, "name,text\nn,t\n", {}, "line 1: the header row has no column \"Fav\"", {"", "", "Fav"}},
        {csv, "name,Name,text\nn,m,t\n", {}, "line 1: the column \"name\" is named twice"},
        {csv, "name,text,fav\nn,\"1\n2\",ja\nn,t,vielleicht\x01\xC3\xA4\n", {}, "line 4: fav is \"vielleicht\\x01\\xC3\\xA4\", not"},
        {csv, "name,fav\nn,1\n", {}, "line 1: the header row has no column for the text (text, prompt, content or inhalt)"},
        {csv, "name,text\nn,\"t\n", {}, "line 2: the quoted field"},
        {csv, "name,text\nn,\"t\"x\n", {}, "line 2: text after the closing quote"},
        {csv, "text,name\nt\n", {}, "line 2: the header row has 2 fields, this record 1"},
        {csv, "\xEF\xBB\xBFtext,name\nt,n\nt,\xC3\n", {}, "line 3: the field \"name\" is not valid UTF-8"},
        {csv, "text,name\nt,\n", {}, "line 2: the name is empty"},
        {json, "\xEF\xBB\xBF[{\"x\":1,\"text\":\"a\\nb\",\"name\":\"n\",\"lasttext\":null}]", {{u"n", u"a\r\nb", false, u""}}, ""},
        {json, "[{\"name\":\"n\",\"text\":\"t\"},{\"name\":\"n\"}]", {}, "element 1: \"text\" is missing"},
        {json, "[{\"name\":\"n\",\"text\":\"t\",\"fav\":1}]", {}, "element 0: \"fav\" is not true or false"},
        {json, "[{\"name\":\"a\",\"text\":\"b\",\"fav\":1e999}]", {}, "element 0: a number is too big"},
        {json, "[{\"name\":\"n\",\"text\":\"t\"},{\"name\":\"n\",\"text\":\"\xC3\"}]", {}, "element 1: parse error"},
        {json, "[{\"name\":\"n\",\"text\":\"t\"}", {}, "after element 0: parse error"},
        {json, "{\"name\":\"n\",\"text\":\"t\"}", {}, "the file holds no JSON array"},
        // Libraries are taken only when read whole; an empty item is dropped on purpose.
        {xml, "<prompts><item/><item><name>a</name></item><items/>\n<item></item></prompts>", {{u"a", u"", false, u""}}, ""},
        {xml, "<prompts>\n<item><name>a</name></item><item id=\"2\"><name>b</name></item>", {}, "line 2: an item here is not read"},
        {xml, "<prompts>\n<item><name>a</name>\n<item><name>b</name></item></item>", {}, "line 3: an item here is not read"},
        {xml, "<prompts><Item><name>a</name></Item></prompts>", {}, "line 1: an item here is not read"},
        {xml, "<prompts>\n\n<item><name>a</name></prompts>", {}, "line 3: an item begins here and never ends"},
        {xml, "<prompts>\n<item><name>\xE4</name></item>", {}, "line 2: bytes here are not UTF-8"},
        {xml, "<notes/>", {}, "the file holds no prompt library"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const PromptsRead read = readPrompts(c.bytes, c.format, c.columns);
        const std::string error = read.prompts ? (read.windows1252 ? "(1252)" : "") : describe(read.error);
        EXPECT_EQ(read.prompts.value_or(PromptLibrary{}), c.expected) << c.bytes.substr(0, 80);
        EXPECT_TRUE(error.starts_with(c.error)) << c.bytes.substr(0, 80) << " -> " << error;
    }
}

TEST(Exchange, ExportsReadBackAndDuplicatesAreAddedOnce) {
    const PromptLibrary library{{u"a\"\\/\t\u00E4\U0001F600", u"1\r\n2;,", true, u"l\r\n"},
                                {u"b", u"", false, u""}};
    ReadError error;
    EXPECT_EQ(promptsFromJson(promptsToJson(library), error), library);
    EXPECT_EQ(promptsToCsv({library[1], {u"x;y", u"\"q\"\r\nz", true, u""}}, ';'),
              "\xEF\xBB\xBFname;text;fav\r\nb;;0\r\n\"x;y\";\"\"\"q\"\"\r\nz\";1\r\n");
    for (const char separator : {',', ';', '\t'})
        EXPECT_EQ(promptsFromCsv(promptsToCsv(library, separator), error),
                  (PromptLibrary{{library[0].name, library[0].text, true, u""}, library[1]}));

    // Name and text count, apart: "ab" and "c" are not "a" and "bc".
    const auto p = [](const char16_t* name, const char16_t* text) { return Prompt{name, text, false, u""}; };
    const PromptLibrary incoming{{u"a", u"t", true, u"x"},
                                 p(u"a", u"u"),
                                 p(u"ab", u"c"),
                                 p(u"a", u"bc"),
                                 p(u"c", u"t"),
                                 p(u"c", u"t"),
                                 p(u"b", u"t")};
    EXPECT_EQ(promptsToAdd({p(u"a", u"t"), p(u"b", u"t"), p(u"ab", u"c")}, incoming),
              (PromptLibrary{incoming[1], incoming[3], incoming[4]}));
}
