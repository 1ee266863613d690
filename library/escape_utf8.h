#pragma once
// Internal to the library file writer: a value XML-escaped (the five entities) and encoded as
// UTF-8 in one pass, without a wide copy. prompt_file.cpp includes it built for plain x86-64
// (SSE2), prompt_file_ssse3.cpp built with SSSE3, whose byte shuffle encodes eight units of one-
// and two-byte characters (the umlauts) at once; the same loop for two instruction sets,
// chosen when the program runs. The SSSE3 build is what brings the save of a big library
// within 1.5 times the disk's own write+fsync+rename time (bench/library_bench).

#include "base/utf8_sequence.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSSE3__)
#include <tmmintrin.h>
#endif

// Encodes units from p while p < end and at least kEscapeRoom bytes are left before
// `limit`; advances p and returns the new output position. Stops between two units, never
// inside a surrogate pair.
using EscapeEncoder = char* (*)(const char16_t*& p, const char16_t* end, char* out, char* limit);
inline constexpr std::ptrdiff_t kEscapeRoom = 32;

// The SSSE3 build of the loop (prompt_file_ssse3.cpp); only for processors that have it.
char* putEscapedSsse3(const char16_t*& p, const char16_t* end, char* out, char* limit);

// An anonymous namespace in a header, on purpose: each of the two files that include this gets
// its own copy of every function, built with its own instruction set. As ordinary inline
// functions they would be one function to the linker, which keeps either build, and the SSSE3
// one would then run on processors without SSSE3.
namespace {
namespace escape_utf8 {

constexpr std::string_view entityFor(char16_t c) {
    switch (c) {
    case u'&':
        return "&amp;";
    case u'<':
        return "&lt;";
    case u'>':
        return "&gt;";
    case u'"':
        return "&quot;";
    case u'\'':
        return "&apos;";
    default:
        return {};
    }
}

constexpr bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The bytes of every character below U+0040 as written: itself, or its entity. One 8-byte
// copy and a length beat a branch per entity.
struct LowCharacters {
    char text[0x40][8];
    unsigned char length[0x40];
};

constexpr LowCharacters makeLowCharacters() {
    LowCharacters table{};
    for (int c = 0; c < 0x40; ++c) {
        const std::string_view entity = entityFor(static_cast<char16_t>(c));
        if (entity.empty()) {
            table.text[c][0] = static_cast<char>(c);
            table.length[c] = 1;
        } else {
            for (std::size_t i = 0; i < entity.size(); ++i)
                table.text[c][i] = entity[i];
            table.length[c] = static_cast<unsigned char>(entity.size());
        }
    }
    return table;
}

inline constexpr LowCharacters kLowCharacters = makeLowCharacters();

static_assert(std::endian::native == std::endian::little, "putUnit stores its bytes as one word");

// One unit, or a surrogate pair, escaped and encoded; advances p. Writes 8 bytes, of which
// 1 to 6 count. Apart from surrogates there is no branch: the mix of entities, umlauts and
// other characters that ends up here would mispredict most of them.
inline char* putUnit(const char16_t*& p, const char16_t* end, char* out) {
    const std::uint32_t c = *p++;
    if (c - 0xD800 < 0x800) {
        if (c < 0xDC00 && p < end && isLowSurrogate(*p)) {
            const std::uint32_t code = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
            out[0] = static_cast<char>(0xF0 | (code >> 18));
            out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out[3] = static_cast<char>(0x80 | (code & 0x3F));
            return out + 4;
        }
        // An unpaired surrogate is written as U+FFFD.
        out[0] = static_cast<char>(0xEF);
        out[1] = static_cast<char>(0xBF);
        out[2] = static_cast<char>(0xBD);
        return out + 3;
    }
    // The bytes little-endian in one word, the first byte lowest.
    const std::uint64_t two = (0xC0 | (c >> 6)) | ((0x80 | (c & 0x3F)) << 8);
    const std::uint64_t three =
        (0xE0 | (c >> 12)) | ((0x80 | ((c >> 6) & 0x3F)) << 8) | ((0x80 | (c & 0x3F)) << 16);
    std::uint64_t low;
    std::memcpy(&low, kLowCharacters.text[c & 0x3F], 8);
    std::uint64_t bytes = c < 0x800 ? two : three;
    std::size_t length = c < 0x800 ? 2 : 3;
    bytes = c < 0x80 ? c : bytes;
    length = c < 0x80 ? 1 : length;
    bytes = c < 0x40 ? low : bytes;
    length = c < 0x40 ? kLowCharacters.length[c & 0x3F] : length;
    std::memcpy(out, &bytes, 8);
    return out + length;
}

#if defined(__SSE2__)
// Lanes that hold one of the five escaped characters.
inline __m128i escapedLanes(__m128i units) {
    __m128i special = _mm_cmpeq_epi16(units, _mm_set1_epi16('&'));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16('<')));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16('>')));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16('"')));
    return _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16('\'')));
}

// Lanes whose unit is below `bound` (a power of two up to 0x8000), as all-ones.
inline __m128i lanesBelow(__m128i units, unsigned bound) {
    const __m128i high = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0x10000 - bound)));
    return _mm_cmpeq_epi16(high, _mm_setzero_si128());
}
#endif

#if defined(__SSSE3__)
// For each pattern of ASCII lanes among eight units of one- and two-byte characters: the
// shuffle that drops the unused second byte of every ASCII lane, and the bytes it keeps.
struct TwoByteShuffles {
    alignas(16) unsigned char shuffle[256][16];
    unsigned char length[256];
};

constexpr TwoByteShuffles makeTwoByteShuffles() {
    TwoByteShuffles table{};
    for (int mask = 0; mask < 256; ++mask) {
        int length = 0;
        for (int lane = 0; lane < 8; ++lane) {
            table.shuffle[mask][length++] = static_cast<unsigned char>(2 * lane);
            if (!(mask & (1 << lane)))
                table.shuffle[mask][length++] = static_cast<unsigned char>(2 * lane + 1);
        }
        table.length[mask] = static_cast<unsigned char>(length);
        for (int i = length; i < 16; ++i)
            table.shuffle[mask][i] = 0x80;
    }
    return table;
}

inline constexpr TwoByteShuffles kTwoByteShuffles = makeTwoByteShuffles();

// Eight units below U+0800, none escaped, to their 8 to 16 UTF-8 bytes; `asciiMask` has a
// bit for each lane to be written as one byte. Stores 16 bytes.
inline char* putTwoByteBlock(__m128i units, int asciiMask, char* out) {
    // Every lane as two bytes, lead first: C0 | u >> 6, 80 | u & 3F; ASCII lanes keep u.
    const __m128i ascii = lanesBelow(units, 0x80);
    const __m128i lead = _mm_or_si128(_mm_srli_epi16(units, 6), _mm_set1_epi16(0xC0));
    const __m128i trail = _mm_or_si128(_mm_and_si128(units, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80));
    const __m128i pairs = _mm_or_si128(lead, _mm_slli_epi16(trail, 8));
    const __m128i lanes = _mm_or_si128(_mm_and_si128(ascii, units), _mm_andnot_si128(ascii, pairs));
    const __m128i shuffle =
        _mm_load_si128(reinterpret_cast<const __m128i*>(kTwoByteShuffles.shuffle[asciiMask]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(lanes, shuffle));
    return out + kTwoByteShuffles.length[asciiMask];
}

// Bytes (units packed with saturation, so a unit above 0xFF is 0xFF) that are one of the
// five escaped characters: & and ' are 0x26 and 0x27, < and > are 0x3C and 0x3E.
inline __m128i escapedBytes(__m128i bytes) {
    const __m128i ampOrApos = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x01)), _mm_set1_epi8(0x27));
    const __m128i angles = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x02)), _mm_set1_epi8(0x3E));
    const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x22));
    return _mm_or_si128(_mm_or_si128(ampOrApos, angles), quote);
}

// Sixteen units: both blocks at once when neither holds an escaped character or a unit from
// U+0800 up, which is the common case for European text; otherwise the units before the
// first such one, then that one alone.
inline char* putSixteen(const char16_t*& p, const char16_t* end, char* out) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i bytes = _mm_packus_epi16(first, second);
    const int asciiMask = ~_mm_movemask_epi8(bytes);
    // Units from U+0800 up have a non-zero value above bit 10; adding 0x7F saturated sets the
    // top bit of exactly those bytes.
    const __m128i wide = _mm_adds_epu8(
        _mm_packus_epi16(_mm_srli_epi16(first, 11), _mm_srli_epi16(second, 11)), _mm_set1_epi8(0x7F));
    const int attention = _mm_movemask_epi8(_mm_or_si128(escapedBytes(bytes), wide));
    if (attention == 0) {
        out = putTwoByteBlock(first, asciiMask & 0xFF, out);
        out = putTwoByteBlock(second, (asciiMask >> 8) & 0xFF, out);
        p += 16;
        return out;
    }
    const int stop = __builtin_ctz(static_cast<unsigned>(attention));
    if (stop >= 8) {
        p += 8;
        return putTwoByteBlock(first, asciiMask & 0xFF, out);
    }
    if (stop > 0) {
        // The lanes from `stop` on count as single bytes and are dropped again.
        out = putTwoByteBlock(first, (asciiMask | (0xFF << stop)) & 0xFF, out) - (8 - stop);
        p += stop;
    }
    return putUnit(p, end, out);
}
#endif

inline char* putEscaped(const char16_t*& p, const char16_t* end, char* out, char* limit) {
    while (p < end && limit - out >= kEscapeRoom) {
#if defined(__SSSE3__)
        if (end - p >= 16) {
            out = putSixteen(p, end, out);
            continue;
        }
#endif
#if defined(__SSE2__)
        if (end - p >= 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i ascii = lanesBelow(units, 0x80);
            const int stop = _mm_movemask_epi8(
                _mm_or_si128(escapedLanes(units), _mm_xor_si128(ascii, _mm_set1_epi16(-1))));
            // The packed bytes are right up to the first unit that needs a look.
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
            const int plain = stop == 0 ? 8 : __builtin_ctz(static_cast<unsigned>(stop)) / 2;
            p += plain;
            out += plain;
            if (plain < 8) out = putUnit(p, end, out);
            continue;
        }
#endif
        out = putUnit(p, end, out);
    }
    return out;
}

} // namespace escape_utf8
} // namespace
