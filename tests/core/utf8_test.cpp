#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr char16_t R = 0xFFFD;

// Each case was observed with MultiByteToWideChar(CP_UTF8, 0, ...) on Windows; under Wine the
// system conversion must give them too. The robustness tests compare with it on many more.
struct DecodeCase {
    std::string bytes;
    std::u16string text;
};

const DecodeCase kDecodeCases[] = {
    {"", u""},
    {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    {"\xC3\xA4\xE2\x82\xAC", u"\u00E4\u20AC"},
    {"\xF0\x9F\x98\x80", u"\U0001F600"},
    {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {"\xEF\xBB\xBFx", u"\uFEFFx"},
    {"a\x80z", {u'a', R, u'z'}},                      // stray continuation byte
    {"\x80\x80\x80", {R, R, R}},                      // one each
    {"a\xC0\x80z", {u'a', R, R, u'z'}},               // C0 and C1 are never leads
    {"a\xE0\x80\x80z", {u'a', R, R, u'z'}},           // overlong: lead and second byte go together
    {"a\xED\xA0\x80z", {u'a', R, R, u'z'}},           // an encoded surrogate likewise
    {"a\xF0\x80\x80\x80z", {u'a', R, R, R, u'z'}},    // overlong four-byte form
    {"a\xF4\x90\x80\x80z", {u'a', R, R, R, u'z'}},    // above U+10FFFF
    {"a\xF5\x80\x80\x80z", {u'a', R, R, R, R, u'z'}}, // F5..FF are never leads
    {"a\xE2\x82z", {u'a', R, u'z'}},                  // truncated: one for the lot
    {"a\xF0\x9F\x98z", {u'a', R, u'z'}},              //
    {"a\xC3\xC3\xA4z", {u'a', R, u'\u00E4', u'z'}},   // the breaking byte starts anew
    {"\xE1\x80\xC0z", {R, R, u'z'}},                  //
    {"a\xE2\x82", {u'a', R}},                         // cut off at the end
    {"a\xC3", {u'a', R}},                             //
    {"a\xE2<", {u'a', R}},                            // the end swallows what the lead announced
    {"a\xF0<b", {u'a', R}},                           //
    {"a\xF0<bc", {u'a', R, u'<', u'b', u'c'}},        // ... but only then
    {"X\xC2\x80\xF0\x90", {u'X', 0x80, R}},
    {"-\xED\xAF\xBF\xED\xBF\xBF-", {u'-', R, R, R, R, u'-'}}, // an encoded surrogate pair: four
    {"\xE0\xA0\x80\x80-", {0x800, R, u'-'}},                  // a stray continuation after a character
    {"\xFF\x40\x80", {R, u'@', R}},
    {"\xEF\xBB\xBF-\xEF\xBF\xBE", {0xFEFF, u'-', 0xFFFE}}, // noncharacters are kept
};

} // namespace

TEST(Utf8, DecodesLikeTheSystemIncludingEveryKindOfBadSequence) {
    for (const DecodeCase& c : kDecodeCases) {
        EXPECT_EQ(fromUtf8(c.bytes), c.text) << "input of " << c.bytes.size() << " bytes";
#ifdef _WIN32
        std::wstring system(c.bytes.size(), L'\0');
        system.resize(c.bytes.empty() ? 0
                                      : static_cast<std::size_t>(MultiByteToWideChar(
                                            CP_UTF8, 0, c.bytes.data(), static_cast<int>(c.bytes.size()),
                                            system.data(), static_cast<int>(system.size()))));
        EXPECT_EQ(std::u16string(system.begin(), system.end()), c.text) << "the system's conversion";
#endif
    }
    // The same inside and across the sixteen-byte blocks of the ASCII path.
    const std::string ascii(37, 'x');
    for (std::size_t at = 0; at <= ascii.size(); ++at) {
        std::string bytes = ascii;
        bytes.insert(at, "\xE2\x82\xAC\xFF");
        std::u16string expected(ascii.begin(), ascii.end());
        expected.insert(at, u"\u20AC\uFFFD");
        EXPECT_EQ(fromUtf8(bytes), expected) << "at " << at;
    }
}

TEST(Utf8, EncodesPairsAndReplacesUnpairedSurrogates) {
    EXPECT_EQ(toUtf8(u""), "");
    EXPECT_EQ(toUtf8(u"A\u00E4\u20AC\U0001F600"), "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(toUtf8(std::u16string{u'a', 0xD800, u'z'}), "a\xEF\xBF\xBDz");
    EXPECT_EQ(toUtf8(std::u16string{u'a', 0xDC00, u'z'}), "a\xEF\xBF\xBDz");
    EXPECT_EQ(toUtf8(std::u16string{u'a', 0xD800}), "a\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(std::u16string{0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(toUtf8(std::u16string{0xD800, 0xD800, 0xDC00}), "\xEF\xBF\xBD\xF0\x90\x80\x80");
    EXPECT_EQ(toUtf8(std::u16string(20, u'q') + u"\u00E4"), std::string(20, 'q') + "\xC3\xA4");
}

TEST(Utf8, EveryValidCodePointSurvivesBothWays) {
    std::u16string all;
    for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x3000 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c < 0x10000) {
            all.push_back(static_cast<char16_t>(c));
        } else {
            all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            all.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
}
