#include "support.h"

#include "library/backups.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

TEST(PromptFile, WritesTheFormatByteForByteAndReadsItBackOrLeavesItOnFailure) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts \u00E4.xml");
    const PromptLibrary library{
        {u"Brief", u"Zeile 1\r\nZeile 2\nZeile 3", true, std::u16string{u'e', 0xD800, u'f'}},
        {u"a<b & \"c\" 'd'> &lt;", u"\u00FCber \u20AC \U0001F600", false, u"x\ty"},
        {u"", u"", true, u""}};
    const std::string head = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n";
    ASSERT_TRUE(savePromptFile(library, path));
    // clang-format off
    EXPECT_EQ(readBytes(path), head + "  <item>\n    <name>Brief</name>\n    <text>Zeile 1\r\nZeile 2\nZeile 3</text>\n"
        "    <fav>1</fav>\n    <lasttext>e\xEF\xBF\xBD" "f</lasttext>\n  </item>\n  <item>\n    <name>a&lt;b &amp; "
        "&quot;c&quot; &apos;d&apos;&gt; &amp;lt;</name>\n    <text>\xC3\xBC" "ber \xE2\x82\xAC \xF0\x9F\x98\x80</text>\n"
        "    <fav>0</fav>\n    <lasttext>x\ty</lasttext>\n  </item>\n  <item>\n    <name></name>\n    <text></text>\n"
        "    <fav>1</fav>\n    <lasttext></lasttext>\n  </item>\n</prompts>");
    // clang-format on
    PromptLibrary loaded;
    ASSERT_TRUE(loadPromptFile(loaded, path));
    EXPECT_EQ(loaded,
              (PromptLibrary{{u"Brief", u"Zeile 1\r\nZeile 2\r\nZeile 3", true, u"e\uFFFDf"}, library[1]}));
    EXPECT_FALSE(withFailingReplace([&] { return savePromptFile({}, path); }));
    EXPECT_FALSE(savePromptFile({}, dir.file(u"missing/prompts.xml")));
    EXPECT_TRUE(dir.entries() == 1 && loadPromptFile(loaded, path) && loaded.size() == 2); // all as it was
    ASSERT_TRUE(savePromptFile({}, path));
    EXPECT_EQ(readBytes(path), head + "</prompts>");

    // Runs of one kind of text make plain, two-byte and mixed blocks; round 0 fills the buffer.
    const std::u16string kinds[] = {u"a0\t",   u"\r\n\n",       u"\u00E4\u0080",
                                    u"&<>\"'", u"\u20AC\u2028", u"\U0001F600"};
    std::mt19937 random(2024);
    const auto text = [&](std::size_t length) {
        std::u16string value;
        for (const std::u16string* kind = kinds; value.size() < length; kind = &kinds[random() % 6])
            for (std::size_t run = random() % 20; run > 0; --run)
                value += (*kind)[random() % kind->size()];
        return value.substr(0, length);
    };
    for (int round = 0; round < 200; ++round) {
        PromptLibrary generated(round == 0 ? 1 : random() % 6);
        for (Prompt& p : generated)
            p = {text(random() % 40), text(round == 0 ? 400000 : random() % 300), random() % 2 == 0,
                 text(random() % 300)};
        ASSERT_TRUE(savePromptFile(generated, path));
        ASSERT_TRUE(readBytes(path) == expectedDocument(generated)) << "round " << round;
        // Every other load reads pieces smaller than most values.
        setFilePieceSizeForTesting(round % 2 ? 1 + random() % 200 : 0);
        ASSERT_TRUE(loadPromptFile(loaded, path));
        ASSERT_TRUE(loaded == afterRoundTrip(generated)) << "round " << round;
    }
    setFilePieceSizeForTesting(0);
}

TEST(PromptFile, ReadsByTheFilesRules) {
    const auto named = [](std::u16string name, std::u16string text = u"", bool fav = false) {
        return PromptLibrary{{std::move(name), std::move(text), fav, u""}};
    };
    const std::string yes =
        "<item><name>a</name><fav>x1x</fav></item><item><name>a</name><fav>TRUE</fav></item>"
        "<item><name>a</name><fav>yES</fav></item>";
    const std::optional<PromptLibrary> none;
    // clang-format off
    const std::pair<std::string, std::optional<PromptLibrary>> cases[] = {
        {"", none}, {"\xEF\xBB\xBF", none}, {"<item><fav>1</fav></item>", none}, {"\xFF\xFE<\0p\0r\0o\0m\0p\0t\0s\0>\0"s, none},
        {"<prompt><item id=\"1\"><name>a</name></item></prompt><prompts", none},
        {"<prompts>", PromptLibrary{}}, {"\xEF\xBB\xBF<prompts>\r\n<item>\r\n<name>n</name>\r\n</item>\r\n</prompts>", named(u"n")},
        {"junk<item><lasttext>l</lasttext><x>y</x><fav>1</fav><text>t</text><name>n</name></item>j<item><name>n</name></item>",
         PromptLibrary{{u"n", u"t", true, u"l"}, {u"n", u"", false, u""}}},
        {"<item><name >a</name><Name>b</Name><text>t</text></item>", named(u"", u"t")},
        {"<!-- <item><name>c</name></item> -->", named(u"c")}, {"<item><name><![CDATA[x]]></name></item>", named(u"<![CDATA[x]]>")},
        {"<item><name>a</name><item><name>b</name></item><text>lost</text></item>", named(u"a")},
        {"<item><name>first</name><name>second</name></item>", named(u"first")},
        {"<item></name><name>x</name><text> t </text></item>", named(u"", u" t ")},
        {"<item><name>a</name></item><item><name>b</name><item><name>c</name>", named(u"a")},
        {"<item><name>&amp;lt;&quot;&apos;&gt;&lt;</name><text>a&amp;amp;&#65;&lt&&nbsp;</text></item>",
         named(u"&lt;\"'><", u"a&amp;&#65;&lt&&nbsp;")},
        {"<item><text>\na\nb\r\nc\rd\n\n</text></item>", named(u"", u"\r\na\r\nb\r\nc\rd\r\n\r\n")},
        {"<item><name>a\xE2\x82</name><text>\xC3\xC3\xA4\xED\xA0\x80\xF0\x9F\x98\x80\xF4\x90</text></item>",
         named(u"a\uFFFD", u"\uFFFD\u00E4\uFFFD\uFFFD\U0001F600\uFFFD")},
        {"<item><name>0123456789abcdef0123\xC3\xA4&amp;\n456789abcdef&lt;</name></item>",
         named(u"0123456789abcdef0123\u00E4&\r\n456789abcdef<")},
        {"<item><name>a</name><fav> 1 </fav></item>" + yes, PromptLibrary(4, named(u"a", u"", true)[0])},
    };
    // clang-format on
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    const PromptLibrary before = named(u"untouched");
    PromptLibrary library;
    // The file is read in pieces: tiny ones cut every tag and value somewhere.
    for (const std::size_t piece : {0, 1, 2, 3, 5, 8, 13}) {
        setFilePieceSizeForTesting(piece);
        for (const auto& [bytes, expected] : cases) {
            writeBytes(path, bytes);
            library = before;
            EXPECT_EQ(loadPromptFile(library, path), expected.has_value()) << piece << ": " << bytes;
            EXPECT_EQ(library, expected.value_or(before)) << piece << ": " << bytes;
        }
        // Whether all of a file is in what was read: not for Notepad's "Unicode" and "ANSI" files
        // nor for an item cut off.
        for (const auto& [bytes, whole] : {std::pair{""s, true},
                                           {"<item><name>\xEF\xBF\xBD</name></item>"s, true},
                                           {"\xFF\xFE<\0p\0r\0o\0m\0p\0t\0s\0>\0"s, false},
                                           {"<item><name>M\xFCller</name></item>"s, false},
                                           {"<prompts><item><name>a</name></item><item><name>b"s, false}}) {
            writeBytes(path, bytes);
            bool read = !whole;
            (void)loadPromptFile(library, path, &read);
            EXPECT_EQ(read, whole) << piece << ": " << bytes;
        }
    }
    setFilePieceSizeForTesting(0);
    library = before;
    bool whole = false;
    EXPECT_FALSE(loadPromptFile(library, dir.file(u"missing.xml"), &whole));
    EXPECT_TRUE(library == before && whole);
    EXPECT_FALSE(loadPromptFile(library, dir.file(u""), &whole) || whole); // there, but not a file
#ifdef _WIN32
    // A program that holds the file open for writing doesn't keep it from being read.
    writeBytes(path, "<item><name>a</name></item>");
    const HANDLE writer = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_WRITE,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(writer != INVALID_HANDLE_VALUE && loadPromptFile(library, path) && library == named(u"a"));
    CloseHandle(writer);
#endif
    for (const char* no : {"0", "", " true", "yes ", "ja", "&#49;", "\xEF\xBC\x91", "tru\xC3\xA9"}) {
        writeBytes(path, "<item><name>a</name><fav>"s + no + "</fav></item>");
        EXPECT_TRUE(loadPromptFile(library, path) && !library[0].fav) << no;
    }
}

// The backup just made stays, also when the clock was set back since older ones were made.
TEST(Backups, TheOldestGoExceptTheOneJustMade) {
    const auto at = [](int year) { return datedFileName(kBackupPrefix, year, 12, 31, 23, 59, 59); };
    const std::vector<std::u16string> names{at(2099), u"prompts-backup-notes.xml", at(2020), at(2098),
                                            at(2097)};
    EXPECT_EQ(backupsBeyond(names, 2, at(2020)), (std::vector{at(2097), at(2098)}));
}
