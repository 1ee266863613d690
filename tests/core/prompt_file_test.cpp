#include "library/file_io.h"
#include "library/prompt_file.h"
#include "library/utf8.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n";

Prompt prompt(std::u16string name, std::u16string text = u"", bool fav = false,
              std::u16string lasttext = u"") {
    return Prompt{std::move(name), std::move(text), fav, std::move(lasttext)};
}

PromptLibrary parse(std::string_view bytes) {
    PromptLibrary library{prompt(u"untouched")};
    EXPECT_TRUE(parsePromptLibrary(bytes, library)) << bytes;
    return library;
}

bool parses(std::string_view bytes) {
    PromptLibrary library{prompt(u"untouched")};
    const bool ok = parsePromptLibrary(bytes, library);
    if (!ok) {
        EXPECT_EQ(library, PromptLibrary{prompt(u"untouched")}) << "a failed read changed the library";
    }
    return ok;
}

std::string doc(std::string_view items) {
    return kBom + kHead + std::string(items) + "</prompts>";
}

// The reading algorithm as written down, step by step on the decoded text.
bool referenceParse(std::string_view bytes, PromptLibrary& out) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == kBom) bytes.remove_prefix(3);
    const std::u16string text = fromUtf8(bytes);
    auto equalsIgnoringCase = [](std::u16string_view a, std::u16string_view lower) {
        if (a.size() != lower.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const char16_t c = (a[i] >= u'A' && a[i] <= u'Z') ? a[i] - u'A' + u'a' : a[i];
            if (c != lower[i]) return false;
        }
        return true;
    };
    PromptLibrary list;
    for (std::size_t p = 0;;) {
        const std::size_t start = text.find(u"<item>", p);
        if (start == std::u16string::npos) break;
        const std::size_t end = text.find(u"</item>", start);
        if (end == std::u16string::npos) break;
        const std::u16string_view block(text.data() + start, end - start);
        Prompt item;
        item.name = unescapeXml(extractTag(block, u"name"));
        item.text = unescapeXml(extractTag(block, u"text"));
        item.lasttext = unescapeXml(extractTag(block, u"lasttext"));
        const std::u16string fav = extractTag(block, u"fav");
        item.fav = !fav.empty() && (fav.find(u'1') != std::u16string::npos ||
                                    equalsIgnoringCase(fav, u"true") || equalsIgnoringCase(fav, u"yes"));
        if (!item.name.empty() || !item.text.empty() || !item.lasttext.empty()) list.push_back(item);
        p = end + 7;
    }
    if (list.empty() && (text.size() < 9 || text.find(u"<prompts>") == std::u16string::npos)) return false;
    out = list;
    return true;
}

} // namespace

TEST(PromptFileWriter, WritesTheEmptyLibraryAsSixtyTwoBytes) {
    const std::string bytes = serializePromptLibrary({});
    EXPECT_EQ(bytes, kBom + kHead + "</prompts>");
    EXPECT_EQ(bytes.size(), 62u);
    EXPECT_TRUE(parse(bytes).empty());
}

TEST(PromptFileWriter, WritesAMixedLibraryByteForByte) {
    const PromptLibrary library{
        prompt(u"Brief", u"Zeile 1\r\nZeile 2", true, u""),
        prompt(u"a<b & \"c\" 'd'>", u"\u00FCber \u20AC \U0001F600", false, u"x\ty"),
        prompt(u"", u"", false, std::u16string{u'e', char16_t(0xD800), u'f'}),
    };
    const std::string expected = kBom + kHead +
                                 "  <item>\n"
                                 "    <name>Brief</name>\n"
                                 "    <text>Zeile 1\r\nZeile 2</text>\n"
                                 "    <fav>1</fav>\n"
                                 "    <lasttext></lasttext>\n"
                                 "  </item>\n"
                                 "  <item>\n"
                                 "    <name>a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;</name>\n"
                                 "    <text>\xC3\xBC"
                                 "ber \xE2\x82\xAC \xF0\x9F\x98\x80</text>\n"
                                 "    <fav>0</fav>\n"
                                 "    <lasttext>x\ty</lasttext>\n"
                                 "  </item>\n"
                                 "  <item>\n"
                                 "    <name></name>\n"
                                 "    <text></text>\n"
                                 "    <fav>0</fav>\n"
                                 "    <lasttext>e\xEF\xBF\xBD"
                                 "f</lasttext>\n"
                                 "  </item>\n"
                                 "</prompts>";
    EXPECT_EQ(serializePromptLibrary(library), expected);

    // Read back: everything returns, the unpaired surrogate as U+FFFD.
    PromptLibrary back = parse(expected);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], library[0]);
    EXPECT_EQ(back[1], library[1]);
    EXPECT_EQ(back[2].lasttext, u"e\uFFFDf");
}

TEST(PromptFileWriter, EscapesOnlyTheFiveCharacters) {
    EXPECT_EQ(escapeXml(u"a<b"), u"a&lt;b");
    EXPECT_EQ(escapeXml(u"&lt;"), u"&amp;lt;");
    EXPECT_EQ(escapeXml(u"\"'<>&"), u"&quot;&apos;&lt;&gt;&amp;");
    EXPECT_EQ(escapeXml(u"\t\r\n\x01\u00E4"), u"\t\r\n\x01\u00E4");
    // Long values take the block paths of the writer and are cut into slices; it must agree
    // with escapeXml + toUtf8 wherever a pair, an entity or a two-byte character falls.
    std::u16string text;
    for (int i = 0; i < 60000; ++i) {
        text += (i % 37 == 0) ? u"<&\u00E4\U0001F600" : (i % 5 == 0) ? u"\U0001F600\u00FCber" : u"plain";
    }
    EXPECT_EQ(serializePromptLibrary({prompt(text)}),
              doc("  <item>\n    <name>" + toUtf8(escapeXml(text)) +
                  "</name>\n    <text></text>\n    <fav>0</fav>\n    <lasttext></lasttext>\n  </item>\n"));
}

TEST(PromptFileReader, IsLenientAboutLayoutOrderAndMissingParts) {
    const std::string canonical = serializePromptLibrary({prompt(u"n", u"t", true, u"l")});
    // No byte order mark, CR LF between elements, odd indentation: the same result.
    std::string noBom = canonical.substr(3);
    EXPECT_EQ(parse(noBom), parse(canonical));
    std::string crlf;
    for (char c : canonical)
        crlf += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(parse(crlf), parse(canonical));

    // Other order, other elements, text outside items, no declaration, no "<prompts>".
    EXPECT_EQ(
        parse("junk<item><lasttext>l</lasttext><x>y</x><fav>1</fav><text>t</text><name>n</name></item>junk"),
        (PromptLibrary{prompt(u"n", u"t", true, u"l")}));
    // Missing elements are empty, a missing fav is false.
    EXPECT_EQ(parse("<item><text>only</text></item>"), (PromptLibrary{prompt(u"", u"only")}));
    // Equal names stay separate prompts, in file order.
    EXPECT_EQ(parse("<item><name>a</name><text>1</text></item><item><name>a</name><text>2</text></item>"),
              (PromptLibrary{prompt(u"a", u"1"), prompt(u"a", u"2")}));
}

TEST(PromptFileReader, IsStricterThanXml) {
    // Attributes, blanks in tags and other spelling hide a tag.
    EXPECT_FALSE(parses("<prompt><item id=\"1\"><name>a</name></item></prompt>"));
    EXPECT_EQ(parse("<prompts><item><name >a</name><Name>b</Name><text>t</text></item>"),
              (PromptLibrary{prompt(u"", u"t")}));
    // Comments and CDATA are not recognised.
    EXPECT_EQ(parse("<!-- <item><name>c</name></item> -->"), (PromptLibrary{prompt(u"c")}));
    EXPECT_EQ(parse("<item><name><![CDATA[x]]></name></item>"), (PromptLibrary{prompt(u"<![CDATA[x]]>")}));
    // An item ends at the first "</item>"; the first of two elements counts.
    EXPECT_EQ(parse("<item><name>a</name><item><name>b</name></item><text>lost</text></item>"),
              (PromptLibrary{prompt(u"a")}));
    EXPECT_EQ(parse("<item><name>first</name><name>second</name></item>"), (PromptLibrary{prompt(u"first")}));
    // A closing tag before the opening one gives an empty value; values are not trimmed.
    EXPECT_EQ(parse("<item></name><name>x</name><text> t </text></item>"),
              (PromptLibrary{prompt(u"", u" t ")}));
    EXPECT_EQ(extractTag(u"<item><name> &lt; </name></name>", u"name"), u" &lt; ");
    EXPECT_EQ(extractTag(u"</name><name>a</name>", u"name"), u"");
    EXPECT_EQ(extractTag(u"<name>a", u"name"), u"");
    // An "<item>" without "</item>" ends the scan; the items before it are kept.
    EXPECT_EQ(parse("<item><name>a</name></item><item><name>b</name><item><name>c</name>"),
              (PromptLibrary{prompt(u"a")}));
}

TEST(PromptFileReader, DecidesWhatIsALibrary) {
    EXPECT_FALSE(parses(""));
    EXPECT_FALSE(parses(kBom));
    EXPECT_FALSE(parses("<prompt></prompt>"));
    EXPECT_FALSE(parses("<prompts"));
    // A file in UTF-16 shows no ASCII tag at all.
    std::string utf16;
    for (char c : doc("<item><name>a</name></item>"))
        utf16 += std::string{c, '\0'};
    EXPECT_FALSE(parses("\xFF\xFE" + utf16));
    // "<prompts>" without items empties the library; items without "<prompts>" are read.
    EXPECT_TRUE(parse("<prompts>").empty());
    EXPECT_TRUE(parse(doc("")).empty());
    EXPECT_EQ(parse("<item><name>a</name></item>"), (PromptLibrary{prompt(u"a")}));
    // Items with nothing in their three texts are dropped, favourites included.
    EXPECT_TRUE(
        parse(doc("<item><name></name><text></text><fav>1</fav><lasttext></lasttext></item>")).empty());
    EXPECT_FALSE(parses("<item><fav>1</fav></item>"));
}

TEST(PromptFileReader, AppliesTheFavRule) {
    for (const char* yes : {"1", "01", "10", " 1 ", "TRUE", "true", "Yes", "yES", "x1x"}) {
        EXPECT_TRUE(parse(std::string("<item><name>a</name><fav>") + yes + "</fav></item>")[0].fav) << yes;
    }
    for (const char* no :
         {"0", "false", "no", "", " true", "true ", "ja", "&#49;", "\xEF\xBC\x91", "tru\xC3\xA9"}) {
        EXPECT_FALSE(parse(std::string("<item><name>a</name><fav>") + no + "</fav></item>")[0].fav) << no;
    }
}

TEST(PromptFileReader, DecodesEntitiesInOnePass) {
    EXPECT_EQ(unescapeXml(u"a&lt;b"), u"a<b");
    EXPECT_EQ(unescapeXml(u"&amp;lt;"), u"&lt;");
    EXPECT_EQ(unescapeXml(u"&amp;amp;"), u"&amp;");
    EXPECT_EQ(unescapeXml(u"&quot;&apos;&gt;"), u"\"'>");
    EXPECT_EQ(unescapeXml(u"&#60;&#x3C;&nbsp;&lt&;&"), u"&#60;&#x3C;&nbsp;&lt&;&");
    EXPECT_EQ(parse("<item><name>&amp;lt;</name><text>a&amp;amp;&#65;&lt&</text></item>"),
              (PromptLibrary{prompt(u"&lt;", u"a&amp;&#65;&lt&")}));
    // The documented example both ways: a<b and the four characters &lt;.
    for (const std::u16string name : {u"a<b", u"&lt;"}) {
        EXPECT_EQ(parse(serializePromptLibrary({prompt(name)})), (PromptLibrary{prompt(name)}));
    }
}

TEST(PromptFileReader, MakesEveryLineBreakCrLf) {
    EXPECT_EQ(unescapeXml(u"a\nb"), u"a\r\nb");
    EXPECT_EQ(unescapeXml(u"\n\n"), u"\r\n\r\n");
    EXPECT_EQ(unescapeXml(u"a\r\nb\rc\r\r\n"), u"a\r\nb\rc\r\r\n");
    EXPECT_EQ(unescapeXml(u"&amp;\n"), u"&\r\n");
    EXPECT_EQ(parse("<item><text>\na\nb\r\nc\rd\n\n</text></item>")[0].text, u"\r\na\r\nb\r\nc\rd\r\n\r\n");
    // CR LF is written as 0D 0A and comes back unchanged; a bare LF comes back as CR LF.
    const std::string bytes = serializePromptLibrary({prompt(u"n", u"1\r\n2\n3")});
    EXPECT_NE(bytes.find("<text>1\r\n2\n3</text>"), std::string::npos);
    EXPECT_EQ(parse(bytes)[0].text, u"1\r\n2\r\n3");
}

TEST(PromptFileReader, MatchesTheStepByStepAlgorithmOnArbitraryInput) {
    const char* const pieces[] = {"<item>",
                                  "</item>",
                                  "<name>",
                                  "</name>",
                                  "<text>",
                                  "</text>",
                                  "<fav>",
                                  "</fav>",
                                  "<lasttext>",
                                  "</lasttext>",
                                  "<prompts>",
                                  "<",
                                  ">",
                                  "/",
                                  "1",
                                  "Yes",
                                  "a",
                                  "&amp;",
                                  "&lt;",
                                  "&",
                                  "amp;",
                                  "\n",
                                  "\r",
                                  "\r\n",
                                  "\xC3\xA4",
                                  "\xC3",
                                  "\xE2\x82",
                                  "\xF0\x9F\x98\x80",
                                  "\xED\xA0\x80",
                                  "\xFF",
                                  "\xEF\xBB\xBF",
                                  "&quot;\n&apos;",
                                  "long enough for the block paths"};
    std::mt19937 random(4711);
    for (int round = 0; round < 30000; ++round) {
        std::string bytes;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            bytes += pieces[random() % std::size(pieces)];
        PromptLibrary expected{prompt(u"before")}, actual{prompt(u"before")};
        const bool expectedOk = referenceParse(bytes, expected);
        ASSERT_EQ(parsePromptLibrary(bytes, actual), expectedOk) << "round " << round;
        ASSERT_EQ(actual, expected) << "round " << round;
    }
}

TEST(PromptFileReader, GetsBackWhatTheWriterWroteApartFromTheThreeExceptions) {
    auto bareLineFeedsToCrLf = [](const std::u16string& s) {
        std::u16string crlf;
        for (std::size_t i = 0; i < s.size(); ++i)
            crlf += (s[i] == u'\n' && (i == 0 || s[i - 1] != u'\r')) ? u"\r\n" : s.substr(i, 1);
        return crlf;
    };
    std::mt19937 random(99);
    const std::u16string alphabet = u"ab <>&\"'\r\n\t\u00E4\u20AC\uFFFF";
    for (int round = 0; round < 300; ++round) {
        PromptLibrary library(random() % 5), expected;
        for (Prompt& p : library) {
            for (std::u16string* s : {&p.name, &p.text, &p.lasttext}) {
                for (std::size_t n = random() % 30; n > 0; --n)
                    *s += alphabet[random() % alphabet.size()];
                if (random() % 4 == 0) *s += u"\U0001F600";
            }
            p.fav = random() % 2;
            if (p.name.empty() && p.text.empty() && p.lasttext.empty()) continue;
            expected.push_back({bareLineFeedsToCrLf(p.name), bareLineFeedsToCrLf(p.text), p.fav,
                                bareLineFeedsToCrLf(p.lasttext)});
        }
        EXPECT_EQ(parse(serializePromptLibrary(library)), expected);
    }
}

TEST(PromptFile, SavesAndLoadsThroughTheFileSystem) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts \u00E4.xml");
    const PromptLibrary library{prompt(u"n", u"t\r\n", true, u"l"), prompt(u"zwei")};
    EXPECT_TRUE(savePromptFile(library, path));
    EXPECT_EQ(readBytes(path), serializePromptLibrary(library));

    PromptLibrary loaded{prompt(u"old")};
    EXPECT_TRUE(loadPromptFile(loaded, path));
    EXPECT_EQ(loaded, library);

    // A missing file or one that holds no library leaves the library as it was.
    EXPECT_FALSE(loadPromptFile(loaded, dir.file(u"missing.xml")));
    writeBytes(path, "nothing here");
    EXPECT_FALSE(loadPromptFile(loaded, path));
    EXPECT_EQ(loaded, library);
}
