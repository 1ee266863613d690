// The writer's fast paths (blocks of 8 and 16 units, the SSSE3 build, the document going out
// in pieces) against the plain definition: escapeXml, then toUtf8, value by value.
#include "library/escape_utf8.h"
#include "library/file_io.h"
#include "library/prompt_file.h"
#include "library/utf8.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::string referenceDocument(const PromptLibrary& library) {
    std::string bytes = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n";
    for (const Prompt& p : library) {
        bytes += "  <item>\n    <name>" + toUtf8(escapeXml(p.name)) + "</name>\n    <text>" +
                 toUtf8(escapeXml(p.text)) + "</text>\n    <fav>" + (p.fav ? "1" : "0") +
                 "</fav>\n    <lasttext>" + toUtf8(escapeXml(p.lasttext)) + "</lasttext>\n  </item>\n";
    }
    return bytes + "</prompts>";
}

// Runs of one kind of character, so that blocks are wholly plain, wholly two-byte or
// mixed, and every kind meets every position in a block and every block boundary.
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
    for (Prompt& p : library) {
        p.name = randomValue(random, random() % 40);
        p.text = randomValue(random, random() % longest);
        p.fav = random() % 2;
        p.lasttext = randomValue(random, random() % longest);
    }
    return library;
}

// The plain x86-64 build of the loop in place of the one chosen for this processor.
struct PlainEncoder {
    EscapeEncoder previous = setEscapeEncoderForTesting(escape_utf8::putEscaped);
    ~PlainEncoder() { setEscapeEncoderForTesting(previous); }
};

} // namespace

TEST(PromptFileWriterPaths, EveryBuildWritesWhatEscapeAndEncodeDefine) {
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        const PromptLibrary library = randomLibrary(random, 1 + random() % 6, 1 + random() % 200);
        const std::string expected = referenceDocument(library);
        EXPECT_EQ(serializePromptLibrary(library), expected) << "round " << round;
        PlainEncoder plain;
        EXPECT_EQ(serializePromptLibrary(library), expected) << "round " << round << ", plain build";
    }
}

TEST(PromptFileWriterPaths, ASavedFileIsTheDocumentAlsoWhenItGoesOutInPieces) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    std::mt19937 random(7);
    // Several pieces' worth, with one value longer than a piece and a surrogate pair at every
    // position around where the first piece ends.
    PromptLibrary library = randomLibrary(random, 400, 3000);
    std::u16string longValue = randomValue(random, 100000);
    for (int i = 0; i < 150000; ++i)
        longValue += u"\U0001F600";
    longValue += randomValue(random, 100000);
    library.push_back({u"long", longValue, true, u"x"});
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
    EXPECT_EQ(loaded.size(), library.size());
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});
}

TEST(PromptFileWriterPaths, APieceByPieceWriteThatGivesUpLeavesTheFileAsItWas) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    ASSERT_TRUE(writeFileAtomically(path, "old"));
    EXPECT_FALSE(writeFileAtomically(path, [](const ByteSink& sink) { return sink("new, ") && false; }));
    EXPECT_EQ(readWholeFile(path), "old");
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});

    EXPECT_TRUE(writeFileAtomically(path, [](const ByteSink& sink) {
        return sink("first piece, ") && sink("") && sink("second piece");
    }));
    EXPECT_EQ(readWholeFile(path), "first piece, second piece");
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompts.xml"});
}
