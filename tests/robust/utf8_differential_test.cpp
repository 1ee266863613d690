// Our UTF-8 conversion against the system's own, WideCharToMultiByte and MultiByteToWideChar
// with CP_UTF8 and no flags, on several hundred thousand generated strings: lone and reversed
// surrogates, invalid, overlong, out-of-range and truncated byte sequences, stray
// continuation bytes, and ASCII runs that cross the blocks of the fast paths. The library
// reader is compared too, against the reading algorithm run on the system's decoding.
//
// Under Wine the system conversion is Wine's. Where Windows' own results are known (the
// fixed cases below, each observed on Windows), Wine gives the same; see the last test.

#include "library/prompt_file.h"
#include "library/utf8.h"

#include "fuzz/reference_reader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

std::u16string systemDecode(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()), length);
    return text;
}

std::string systemEncode(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::string hex(std::string_view bytes) {
    std::string out;
    char part[4];
    for (const unsigned char b : bytes) {
        std::snprintf(part, sizeof part, "%02X ", b);
        out += part;
    }
    return out;
}

std::string hex(std::u16string_view text) {
    std::string out;
    char part[6];
    for (const char16_t c : text) {
        std::snprintf(part, sizeof part, "%04X ", static_cast<unsigned>(c));
        out += part;
    }
    return out;
}

std::string encodePoint(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
        out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
    } else {
        out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    return out;
}

class Generator {
  public:
    explicit Generator(unsigned seed) : random_(seed) {}

    unsigned below(unsigned n) { return static_cast<unsigned>(random_() % n); }

    // One piece of a byte string, picked from the kinds of sequence that decoders get wrong.
    std::string bytePiece() {
        switch (below(12)) {
        case 0: // a run of ASCII, long enough to reach into the sixteen-byte blocks
            return std::string(below(40), static_cast<char>('a' + below(26)));
        case 1: // a valid character of one to four bytes
            return encodePoint(validPoint());
        case 2: // a surrogate encoded as if it were a character
            return encodePoint(0xD800 + below(0x800));
        case 3: { // an overlong form of a small value
            const char32_t c = below(2) ? below(0x80) : below(0x800);
            switch (below(3)) {
            case 0:
                return {static_cast<char>(0xC0 | (c >> 6 & 0x1)), static_cast<char>(0x80 | (c & 0x3F))};
            case 1:
                return {'\xE0', static_cast<char>(0x80 | (c >> 6 & 0x1F)),
                        static_cast<char>(0x80 | (c & 0x3F))};
            default:
                return {'\xF0', static_cast<char>(0x80 | (c >> 12 & 0x0F)),
                        static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
            }
        }
        case 4: // above U+10FFFF, or a lead byte that never starts a sequence
            return {static_cast<char>(below(2) ? 0xF4 : 0xF5 + below(11)),
                    static_cast<char>(0x90 + below(0x30)), static_cast<char>(0x80 + below(0x40)),
                    static_cast<char>(0x80 + below(0x40))};
        case 5: { // a valid sequence cut short
            const std::string whole = encodePoint(0x80 + below(0x10FF80 - 0x80));
            return whole.substr(0, 1 + below(static_cast<unsigned>(whole.size() - 1)));
        }
        case 6: // stray continuation bytes
            return std::string(1 + below(3), static_cast<char>(0x80 + below(0x40)));
        case 7: // the bytes around the boundaries of every range
        {
            static constexpr unsigned char edges[] = {
                0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC,
                0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFB, 0xFC, 0xFE, 0xFF, '<'};
            return std::string(1, static_cast<char>(edges[below(sizeof edges)]));
        }
        case 8: // the byte order mark and the noncharacters
            return below(2) ? "\xEF\xBB\xBF" : encodePoint(below(2) ? 0xFFFE : 0xFFFF);
        case 9: // markup of the library file
            return below(2) ? "<item>" : "</name>";
        default: // noise
            return std::string(1, static_cast<char>(below(256)));
        }
    }

    std::string bytes() {
        std::string out;
        const unsigned pieces = below(4) == 0 ? below(60) : below(10);
        for (unsigned i = 0; i < pieces; ++i)
            out += bytePiece();
        return out;
    }

    // One piece of a UTF-16 string.
    std::u16string widePiece() {
        switch (below(8)) {
        case 0:
            return std::u16string(below(20), static_cast<char16_t>(u'a' + below(26)));
        case 1: { // a character, paired if it needs two units
            const char32_t c = validPoint();
            if (c < 0x10000) return std::u16string(1, static_cast<char16_t>(c));
            return {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                    static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
        }
        case 2: // a lone high or low surrogate
            return std::u16string(1, static_cast<char16_t>(0xD800 + below(0x800)));
        case 3: // a reversed pair
            return {static_cast<char16_t>(0xDC00 + below(0x400)),
                    static_cast<char16_t>(0xD800 + below(0x400))};
        case 4: { // the units around the boundaries
            static constexpr char16_t edges[] = {0x0000, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF,
                                                 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFEFF,
                                                 0xFFFD, 0xFFFE, 0xFFFF, u'&'};
            return std::u16string(1, edges[below(std::size(edges))]);
        }
        default:
            return std::u16string(1, static_cast<char16_t>(below(0x10000)));
        }
    }

    std::u16string wide() {
        std::u16string out;
        const unsigned pieces = below(4) == 0 ? below(60) : below(10);
        for (unsigned i = 0; i < pieces; ++i)
            out += widePiece();
        return out;
    }

  private:
    char32_t validPoint() {
        for (;;) {
            char32_t c;
            switch (below(4)) {
            case 0:
                c = below(0x80);
                break;
            case 1:
                c = 0x80 + below(0x780);
                break;
            case 2:
                c = 0x800 + below(0xF800);
                break;
            default:
                c = 0x10000 + below(0x100000);
                break;
            }
            if (c < 0xD800 || c > 0xDFFF) return c;
        }
    }

    std::mt19937 random_;
};

constexpr int kStrings = 300'000;

} // namespace

TEST(Utf8Differential, DecodingAgreesWithMultiByteToWideChar) {
    Generator generate(1);
    int differences = 0;
    std::size_t bytesSeen = 0;
    for (int i = 0; i < kStrings; ++i) {
        const std::string bytes = generate.bytes();
        bytesSeen += bytes.size();
        const std::u16string ours = fromUtf8(bytes);
        const std::u16string system = systemDecode(bytes);
        if (ours != system && ++differences <= 10) {
            ADD_FAILURE() << "bytes " << hex(bytes) << "\n ours   " << hex(ours) << "\n system "
                          << hex(system);
        }
    }
    std::printf("[differential] MultiByteToWideChar: %d strings, %zu bytes, %d differences\n", kStrings,
                bytesSeen, differences);
    EXPECT_EQ(differences, 0);
}

TEST(Utf8Differential, EncodingAgreesWithWideCharToMultiByte) {
    Generator generate(2);
    int differences = 0;
    std::size_t unitsSeen = 0;
    for (int i = 0; i < kStrings; ++i) {
        const std::u16string text = generate.wide();
        unitsSeen += text.size();
        const std::string ours = toUtf8(text);
        const std::string system = systemEncode(text);
        if (ours != system && ++differences <= 10) {
            ADD_FAILURE() << "units " << hex(text) << "\n ours   " << hex(ours) << "\n system "
                          << hex(system);
        }
    }
    std::printf("[differential] WideCharToMultiByte: %d strings, %zu units, %d differences\n", kStrings,
                unitsSeen, differences);
    EXPECT_EQ(differences, 0);
}

// The reader decodes each value on its own; the algorithm decodes the whole file first.
TEST(Utf8Differential, TheReaderAgreesWithTheAlgorithmOnTheSystemDecoding) {
    Generator generate(3);
    constexpr std::string_view markup[] = {"<item>",    "</item>", "<name>", "</name>",    "<text>",
                                           "</text>",   "<fav>",   "</fav>", "<lasttext>", "</lasttext>",
                                           "<prompts>", "&amp;",   "&lt;",   "\n",         "\r\n"};
    int differences = 0;
    constexpr int kDocuments = 30'000;
    for (int i = 0; i < kDocuments; ++i) {
        std::string bytes = generate.below(2) ? "\xEF\xBB\xBF" : "";
        const unsigned pieces = generate.below(40);
        for (unsigned p = 0; p < pieces; ++p)
            bytes += generate.below(2) ? std::string(markup[generate.below(std::size(markup))])
                                       : generate.bytePiece();
        const PromptLibrary before{{u"before", u"", false, u""}};
        PromptLibrary ours = before, system = before;
        const bool oursRead = parsePromptLibrary(bytes, ours);
        const bool systemRead = reference::parseLibrary(bytes, system, systemDecode);
        if ((oursRead != systemRead || !(ours == system)) && ++differences <= 10) {
            ADD_FAILURE() << "document " << hex(bytes);
        }
    }
    std::printf("[differential] library reader on the system decoding: %d documents, %d differences\n",
                kDocuments, differences);
    EXPECT_EQ(differences, 0);
}

// Results that Windows itself gives for MultiByteToWideChar(CP_UTF8, 0); Wine and our
// conversion must both give them.
TEST(Utf8Differential, KnownWindowsResultsHoldForWineAndForUs) {
    constexpr char16_t R = 0xFFFD;
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"-\xED\xA0\x80-", {u'-', R, R, u'-'}},                   // an encoded surrogate: two replacements
        {"-\xED\xAF\xBF\xED\xBF\xBF-", {u'-', R, R, R, R, u'-'}}, // an encoded surrogate pair: four
        {"-\xF4\x90\x80\x80-", {u'-', R, R, R, u'-'}},            // above U+10FFFF: three
        {"-\xF7\xBF\xBF\xBF-", {u'-', R, R, R, R, u'-'}},         // F5..FF never lead: four
        {"-\xC0\xAD-", {u'-', R, R, u'-'}},                       // overlong two-byte form
        {"-\xE0\x80\xAD-", {u'-', R, R, u'-'}},                   // overlong three-byte form: two
        {"-\xF0\x80\x80\xAD-", {u'-', R, R, R, u'-'}},            // overlong four-byte form: three
        {"\xC2-", {R, u'-'}},                                     // truncated, then ASCII
        {"\xE0\xA0-", {R, u'-'}},                                 //
        {"\xF0\x90\x80-", {R, u'-'}},                             //
        {"\xE0\xA0\x80\x80-", {0x800, R, u'-'}},                  // a stray continuation after a character
        {"\xFF\x40\x80", {R, u'@', R}},                           //
        {"X\xC2", {u'X', R}},                                     // truncated at the very end
        {"X\xC2\x80\xF0\x90", {u'X', 0x80, R}},                   // two bytes of four at the end: one
        {"X\xC2\x80\xF0\x90\x80", {u'X', 0x80, R}},               // three of four at the end: one
        {"\xEF\xBB\xBF-\xEF\xBF\xBE", {0xFEFF, u'-', 0xFFFE}},    // kept as they are
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hex(systemDecode(c.bytes)), hex(c.text)) << "Wine, bytes " << hex(c.bytes);
        EXPECT_EQ(hex(fromUtf8(c.bytes)), hex(c.text)) << "ours, bytes " << hex(c.bytes);
    }
}
