#pragma once
// Decoding of one multi-byte UTF-8 sequence exactly as MultiByteToWideChar (CP_UTF8, no
// flags) does it, shared by fromUtf8 and the library file reader's field decoder.
//
// Rules, as observed from the system function:
// - A lead byte C2..DF, E0..EF or F0..F4 announces 1, 2 or 3 continuation bytes (80..BF);
//   any other non-ASCII byte is one U+FFFD on its own.
// - Continuation bytes are taken one by one; the first byte that doesn't fit ends the
//   sequence as one U+FFFD, and that byte is read again as the start of the next one.
// - An overlong form or a surrogate is noticed after the second byte (E0 80..9F, ED A0..BF,
//   F0 80..8F: the two bytes give one U+FFFD); a value above U+10FFFF is noticed before the
//   third byte is taken (F4 90..BF: the two bytes give one U+FFFD).
// - When the announced length runs past the end of the whole input, everything that is
//   left becomes a single U+FFFD.
// ASCII bytes are never swallowed by a bad sequence except in that last rule, which only
// touches the final three bytes of an input.

#include <cstdint>

namespace utf8_detail {

inline constexpr char16_t kReplacement = 0xFFFD;

// Continuation bytes announced by a lead byte 0x80..0xFF.
inline int continuationCount(unsigned char lead) {
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF5) return 3;
    return 0;
}

// Decodes the sequence whose lead byte (>= 0x80) is at p[-1]; p is advanced past the
// bytes it takes. `inputEnd` says whether `end` is the end of the whole input (the
// last rule above) or merely the end of a field that an ASCII byte follows. Writes one
// or two units and returns the new output position.
inline char16_t* decodeSequence(unsigned char lead, const unsigned char*& p, const unsigned char* end,
                                bool inputEnd, char16_t* out) {
    const int count = continuationCount(lead);
    if (count == 0) {
        *out = kReplacement;
        return out + 1;
    }
    if (inputEnd && end - p < count) {
        p = end;
        *out = kReplacement;
        return out + 1;
    }
    // A missing byte behaves like any byte that is not a continuation byte.
    auto next = [&]() -> unsigned { return p < end ? static_cast<unsigned>(*p ^ 0x80) : 0x40u; };
    static constexpr unsigned char kLeadMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t value = lead & kLeadMask[count];
    unsigned bits = 0;
    switch (count) {
    case 3:
        if ((bits = next()) >= 0x40) break;
        value = (value << 6) | bits;
        ++p;
        if (value < 0x10) break; // overlong four-byte form
        [[fallthrough]];
    case 2:
        if ((bits = next()) >= 0x40) break;
        value = (value << 6) | bits;
        if (value >= (0x110000 >> 6)) break; // above U+10FFFF
        ++p;
        if (value < 0x20) break;                                     // overlong three-byte form
        if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) break; // a surrogate
        [[fallthrough]];
    case 1:
        if ((bits = next()) >= 0x40) break;
        value = (value << 6) | bits;
        ++p;
        if (value >= 0x10000) {
            value -= 0x10000;
            out[0] = static_cast<char16_t>(0xD800 | (value >> 10));
            out[1] = static_cast<char16_t>(0xDC00 | (value & 0x3FF));
            return out + 2;
        }
        *out = static_cast<char16_t>(value);
        return out + 1;
    }
    *out = kReplacement;
    return out + 1;
}

} // namespace utf8_detail
