#include "base/utf8.h"

#include "support.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

// Each result was observed with MultiByteToWideChar(CP_UTF8, 0, ...) on Windows.
TEST(Utf8, DecodesEveryKindOfBadSequenceAsWindowsDoes) {
    constexpr char16_t R = 0xFFFD;
    // clang-format off
    const std::pair<std::string, std::u16string> cases[] = {
        {"a\0\xC3\xA4\xE2\x82\xAC"s, u"a\0\u00E4\u20AC"s}, {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"\U0001F600\U0010FFFF"},
        {"\xEF\xBB\xBF\xEF\xBF\xBE", u"\uFEFF\uFFFE"}, {"\x80\x80", {R, R}}, {"\xC0\x80", {R, R}},
        {"\xE0\x80\x80", {R, R}}, {"\xED\xA0\x80", {R, R}}, {"\xF0\x80\x80\x80", {R, R, R}}, // overlong, surrogate
        {"\xF4\x90\x80\x80", {R, R, R}}, {"\xF5\x80\x80\x80", {R, R, R, R}}, {"\xE2\x82z", {R, u'z'}},
        {"\xF0\x9F\x98z", {R, u'z'}}, {"\xC3\xC3\xA4", {R, u'\u00E4'}}, {"\xE1\x80\xC0z", {R, R, u'z'}},
        {"\xFF\x40\x80", {R, u'@', R}}, {"\xE0\xA0\x80\x80-", {0x800, R, u'-'}},
        {"-\xED\xAF\xBF\xED\xBF\xBF-", {u'-', R, R, R, R, u'-'}},
    };
    const std::pair<std::string, std::u16string> atTheEnd[] = { // a cut sequence takes all that is left
        {"a\xE2\x82", {u'a', R}}, {"a\xC3", {u'a', R}}, {"a\xF0<b", {u'a', R}}, {"a\xF0<bc", {u'a', R, u'<', u'b', u'c'}},
        {"X\xC2\x80\xF0\x90", {u'X', 0x80, R}}};
    // clang-format on
    for (const auto& [bytes, text] : cases) {
        for (std::size_t length : {0, 1, 15, 16, 17, 31}) // inside and across the blocks of the ASCII path
            EXPECT_EQ(fromUtf8(std::string(length, 'x') + bytes + "x"),
                      std::u16string(length, u'x') + text + u"x");
        // Bad bytes are found where they begin; a U+FFFD written as such is none.
        const std::size_t bad = text.find(R);
        EXPECT_EQ(invalidUtf8At("xx" + bytes),
                  bad == std::u16string::npos ? bad : 2 + toUtf8(text.substr(0, bad)).size());
    }
    EXPECT_EQ(invalidUtf8At("\xEF\xBF\xBD-\xE2\x82\xAC-\xE2\x82"), 8u);
    for (const auto& [bytes, text] : atTheEnd)
        EXPECT_EQ(fromUtf8(std::string(16, 'x') + bytes), std::u16string(16, u'x') + text);
}

// "ANSI" files of Western European Windows.
TEST(Utf8, ReadsWindows1252AsWindowsDoes) {
    EXPECT_EQ(fromWindows1252("a\x80\x81\x8A\x9F\xA0\xE4\xFF"),
              u"a\u20AC\u0081\u0160\u0178\u00A0\u00E4\u00FF");
#ifdef _WIN32
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    std::wstring system(256, L'\0');
    MultiByteToWideChar(1252, 0, all.data(), 256, system.data(), 256);
    EXPECT_EQ(fromWindows1252(all), std::u16string(system.begin(), system.end()));
#endif
}

// Lone surrogates come back as U+FFFD. On Windows both ways are compared with the system's
// conversion, the way back over broken bytes too.
TEST(Utf8, RandomTextSurvivesBothWays) {
    std::mt19937 random(11);
    for (int round = 0; round < 30000; ++round) {
        std::u16string text;
        for (auto i = random() % 40; i > 0; --i) {
            const auto kind = random() % 3; // a run of a unit below 0x100, any unit, a surrogate
            text.append(kind ? 1 : random() % 20, char16_t(kind == 2 ? 0xD800 + random() % 0x800
                                                                     : random() % (kind ? 0x10000 : 0x100)));
        }
        const std::string bytes = toUtf8(text);
        ASSERT_EQ(fromUtf8(bytes), asRead(text, false));
#ifdef _WIN32
        std::string system(text.size() * 3, '\0');
        system.resize(WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(text.data()),
                                          int(text.size()), system.data(), int(system.size()), nullptr,
                                          nullptr));
        ASSERT_EQ(bytes, system);
        std::string broken =
            bytes.substr(0, random() % (bytes.size() + 1)) + bytes.substr(random() % (bytes.size() + 1));
        if (!broken.empty()) broken[random() % broken.size()] ^= char(random());
        std::wstring decoded(broken.size(), L'\0');
        decoded.resize(MultiByteToWideChar(CP_UTF8, 0, broken.data(), int(broken.size()), decoded.data(),
                                           int(decoded.size())));
        ASSERT_EQ(fromUtf8(broken), std::u16string(decoded.begin(), decoded.end())) << broken;
#endif
    }
}
