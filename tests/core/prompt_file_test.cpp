#include "library/escape_utf8.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"

#include "../fuzz/reference_reader.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

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

// One item as the writer lays it out, from the already escaped and encoded values.
std::string item(std::string_view name, std::string_view text, bool fav, std::string_view lasttext) {
    return "  <item>\n    <name>" + std::string(name) + "</name>\n    <text>" + std::string(text) +
           "</text>\n    <fav>" + (fav ? "1" : "0") + "</fav>\n    <lasttext>" + std::string(lasttext) +
           "</lasttext>\n  </item>\n";
}

// The document as the plain definition gives it: escapeXml, then toUtf8, value by value.
std::string referenceDocument(const PromptLibrary& library) {
    std::string items;
    for (const Prompt& p : library)
        items +=
            item(toUtf8(escapeXml(p.name)), toUtf8(escapeXml(p.text)), p.fav, toUtf8(escapeXml(p.lasttext)));
    return doc(items);
}

// Runs of one kind of character, so that the writer's blocks of 8 and 16 units are wholly
// plain, wholly two-byte or mixed, and every kind meets every position and block boundary.
std::u16string randomValue(std::mt19937& random, std::size_t length) {
    static const std::vector<std::vector<std::u16string>> kinds = {
        {u"a", u"Z", u"0", u" ", u"\r\n", u"\t", u"\n", u"\r"},
        {u"\u00E4", u"\u00F6", u"\u00DF", u"\u00C4", u"\u07FF", u"\u0080"},
        {u"&", u"<", u">", u"\"", u"'"},
        {u"\u20AC", u"\u2013", u"\u0800", u"\uFFFF", u"\uFFFD"},
        {u"\U0001F600", u"\U00010000", u"\U0010FFFF"},
        {std::u16string(1, char16_t(0xD800)), std::u16string(1, char16_t(0xDBFF)),
         std::u16string(1, char16_t(0xDC00)), std::u16string(1, char16_t(0xDFFF))}}; // lone surrogates
    std::u16string value;
    while (value.size() < length) {
        const std::vector<std::u16string>& kind = kinds[random() % kinds.size()];
        for (std::size_t run = 1 + random() % 20; run > 0; --run)
            value += kind[random() % kind.size()];
    }
    value.resize(length);
    return value;
}

PromptLibrary randomLibrary(std::mt19937& random, std::size_t count, std::size_t longest) {
    PromptLibrary library(count);
    for (Prompt& p : library)
        p = {randomValue(random, random() % 40), randomValue(random, random() % longest), random() % 2 == 0,
             randomValue(random, random() % longest)};
    return library;
}

// The plain x86-64 build of the writer's loop in place of the one chosen for this processor.
struct PlainEncoder {
    EscapeEncoder previous = setEscapeEncoderForTesting(escape_utf8::putEscaped);
    ~PlainEncoder() { setEscapeEncoderForTesting(previous); }
};

} // namespace

TEST(PromptFileWriter, WritesAMixedLibraryByteForByte) {
    EXPECT_EQ(serializePromptLibrary({}), kBom + kHead + "</prompts>");
    EXPECT_EQ(serializePromptLibrary({}).size(), 62u);
    EXPECT_TRUE(parse(serializePromptLibrary({})).empty());

    const PromptLibrary library{
        prompt(u"Brief", u"Zeile 1\r\nZeile 2", true, u""),
        prompt(u"a<b & \"c\" 'd'>", u"\u00FCber \u20AC \U0001F600", false, u"x\ty"),
        prompt(u"", u"", false, std::u16string{u'e', char16_t(0xD800), u'f'}),
    };
    const std::string expected = doc(item("Brief", "Zeile 1\r\nZeile 2", true, "") +
                                     item("a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;",
                                          "\xC3\xBC"
                                          "ber \xE2\x82\xAC \xF0\x9F\x98\x80",
                                          false, "x\ty") +
                                     item("", "", false,
                                          "e\xEF\xBF\xBD"
                                          "f"));
    EXPECT_EQ(serializePromptLibrary(library), expected);
    // Read back: everything returns, the unpaired surrogate as U+FFFD.
    EXPECT_EQ(parse(expected), reference::afterRoundTrip(library));
    EXPECT_EQ(parse(expected)[2].lasttext, u"e\uFFFDf");

    EXPECT_EQ(escapeXml(u"&lt;"), u"&amp;lt;");
    EXPECT_EQ(escapeXml(u"\"'<>&"), u"&quot;&apos;&lt;&gt;&amp;");
    EXPECT_EQ(escapeXml(u"\t\r\n\x01\u00E4"), u"\t\r\n\x01\u00E4"); // only the five are escaped
}

// The writer's fast paths (blocks of 8 and 16 units, the SSSE3 build) against the plain
// definition, and the reader getting back what was written apart from the three exceptions:
// empty prompts dropped, bare LF read as CR LF, unpaired surrogates as U+FFFD.
TEST(PromptFileWriter, EveryBuildWritesWhatEscapeAndEncodeDefineAndTheReaderGetsItBack) {
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        const PromptLibrary library = randomLibrary(random, random() % 6, 1 + random() % 200);
        const std::string expected = referenceDocument(library);
        ASSERT_EQ(serializePromptLibrary(library), expected) << "round " << round;
        {
            PlainEncoder plain;
            ASSERT_EQ(serializePromptLibrary(library), expected) << "round " << round << ", plain build";
        }
        ASSERT_EQ(parse(expected), reference::afterRoundTrip(library)) << "round " << round;
    }
}

// A large document goes out in pieces: one value longer than a piece, and a surrogate pair at
// every position around where the first piece ends.
TEST(PromptFile, SavesAndLoadsThroughTheFileSystemAlsoInPieces) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts \u00E4.xml");
    std::mt19937 random(7);
    PromptLibrary library = randomLibrary(random, 400, 3000);
    std::u16string longValue = randomValue(random, 100000);
    for (int i = 0; i < 150000; ++i)
        longValue += u"\U0001F600";
    library.push_back({u"long", longValue + randomValue(random, 100000), true, u"x"});
    library.push_back({u"after", u"a&b", false, u""});
    const std::string expected = referenceDocument(library);
    ASSERT_GT(expected.size(), std::size_t{3} << 20);

    ASSERT_TRUE(savePromptFile(library, path));
    EXPECT_EQ(readWholeFile(path), expected);
    {
        PlainEncoder plain;
        ASSERT_TRUE(savePromptFile(library, path));
        EXPECT_EQ(readWholeFile(path), expected);
    }
    PromptLibrary loaded;
    ASSERT_TRUE(loadPromptFile(loaded, path));
    EXPECT_EQ(loaded, reference::afterRoundTrip(library));
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts \u00E4.xml"});

    // A missing file or one that holds no library leaves the library as it was.
    EXPECT_FALSE(loadPromptFile(loaded, dir.file(u"missing.xml")));
    writeBytes(path, "nothing here");
    EXPECT_FALSE(loadPromptFile(loaded, path));
    EXPECT_EQ(loaded, reference::afterRoundTrip(library));
}

TEST(PromptFileReader, IsLenientAboutLayoutOrderAndMissingParts) {
    const std::string canonical = serializePromptLibrary({prompt(u"n", u"t", true, u"l")});
    // No byte order mark, CR LF between elements: the same result.
    EXPECT_EQ(parse(canonical.substr(3)), parse(canonical));
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
    EXPECT_EQ(extractTag(u"<name>a", u"name"), u"");
    // An "<item>" without "</item>" ends the scan; the items before it are kept.
    EXPECT_EQ(parse("<item><name>a</name></item><item><name>b</name><item><name>c</name>"),
              (PromptLibrary{prompt(u"a")}));
}

TEST(PromptFileReader, DecidesWhatIsALibrary) {
    for (const std::string& bytes : {std::string(), kBom, std::string("<prompt></prompt>"),
                                     std::string("<prompts"), std::string("<item><fav>1</fav></item>")})
        EXPECT_FALSE(parses(bytes)) << bytes;
    // "<prompts>" without items empties the library; items without "<prompts>" are read.
    EXPECT_TRUE(parse("<prompts>").empty());
    EXPECT_TRUE(parse(doc("")).empty());
    EXPECT_EQ(parse("<item><name>a</name></item>"), (PromptLibrary{prompt(u"a")}));
    // Items with nothing in their three texts are dropped, favourites included.
    EXPECT_TRUE(
        parse(doc("<item><name></name><text></text><fav>1</fav><lasttext></lasttext></item>")).empty());
}

TEST(PromptFileReader, AppliesTheFavRule) {
    for (const char* yes : {"1", "01", "10", " 1 ", "TRUE", "true", "Yes", "yES", "x1x"})
        EXPECT_TRUE(parse(std::string("<item><name>a</name><fav>") + yes + "</fav></item>")[0].fav) << yes;
    for (const char* no :
         {"0", "false", "no", "", " true", "true ", "ja", "&#49;", "\xEF\xBC\x91", "tru\xC3\xA9"})
        EXPECT_FALSE(parse(std::string("<item><name>a</name><fav>") + no + "</fav></item>")[0].fav) << no;
}

TEST(PromptFileReader, DecodesEntitiesInOnePassAndMakesEveryLineBreakCrLf) {
    EXPECT_EQ(unescapeXml(u"&amp;lt;"), u"&lt;");
    EXPECT_EQ(unescapeXml(u"&quot;&apos;&gt;&lt;"), u"\"'><");
    EXPECT_EQ(unescapeXml(u"&#60;&#x3C;&nbsp;&lt&;&"), u"&#60;&#x3C;&nbsp;&lt&;&");
    EXPECT_EQ(parse("<item><name>&amp;lt;</name><text>a&amp;amp;&#65;&lt&</text></item>"),
              (PromptLibrary{prompt(u"&lt;", u"a&amp;&#65;&lt&")}));
    // The documented example both ways: a<b and the four characters &lt;.
    for (const std::u16string name : {u"a<b", u"&lt;"})
        EXPECT_EQ(parse(serializePromptLibrary({prompt(name)})), (PromptLibrary{prompt(name)}));

    EXPECT_EQ(unescapeXml(u"\n\n"), u"\r\n\r\n");
    EXPECT_EQ(unescapeXml(u"a\r\nb\rc\r\r\n"), u"a\r\nb\rc\r\r\n");
    EXPECT_EQ(unescapeXml(u"&amp;\n"), u"&\r\n");
    EXPECT_EQ(parse("<item><text>\na\nb\r\nc\rd\n\n</text></item>")[0].text, u"\r\na\r\nb\r\nc\rd\r\n\r\n");
    // CR LF is written as 0D 0A and a bare LF as 0A.
    EXPECT_NE(serializePromptLibrary({prompt(u"n", u"1\r\n2\n3")}).find("<text>1\r\n2\n3</text>"),
              std::string::npos);
}

TEST(PromptFileReader, MatchesTheStepByStepAlgorithmOnArbitraryInput) {
    constexpr std::string_view pieces[] = {"<item>",
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
        for (int i = static_cast<int>(random() % 40); i > 0; --i)
            bytes += pieces[random() % std::size(pieces)];
        PromptLibrary expected{prompt(u"before")}, actual{prompt(u"before")};
        const bool expectedOk =
            reference::parseLibrary(bytes, expected, [](std::string_view b) { return fromUtf8(b); });
        ASSERT_EQ(parsePromptLibrary(bytes, actual), expectedOk) << "round " << round;
        ASSERT_EQ(actual, expected) << "round " << round;
    }
}
