#include "base/utf8.h"

#include "base/utf8_sequence.h"

namespace {

// Bytes of the UTF-8 form of the units, unpaired surrogates counted as U+FFFD.
std::size_t utf8Length(const char16_t* p, const char16_t* end) {
    std::size_t length = 0;
    while (p < end) {
        const char16_t unit = *p++;
        if (unit < 0x80) {
            length += 1;
        } else if (unit < 0x800) {
            length += 2;
        } else if (unit >= 0xD800 && unit <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
            length += 4;
            ++p;
        } else {
            length += 3;
        }
    }
    return length;
}

} // namespace

std::string toUtf8(std::u16string_view text) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    std::string bytes(utf8Length(p, end), '\0');
    auto* out = reinterpret_cast<unsigned char*>(bytes.data());
    while (p < end) {
        const char16_t unit = *p++;
        if (unit < 0x80) {
            *out++ = static_cast<unsigned char>(unit);
        } else if (unit < 0x800) {
            *out++ = static_cast<unsigned char>(0xC0 | (unit >> 6));
            *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        } else if (unit >= 0xD800 && unit <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
            const char32_t c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (*p++ - 0xDC00);
            *out++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            // An unpaired surrogate is written as U+FFFD.
            const char16_t c = (unit >= 0xD800 && unit <= 0xDFFF) ? utf8_detail::kReplacement : unit;
            *out++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *out++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

std::u16string fromUtf8(std::string_view bytes) {
    // Never more units than bytes.
    std::u16string text(bytes.size(), u'\0');
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    char16_t* out = text.data();
    while (p < end) {
        const unsigned char byte = *p++;
        if (byte < 0x80) {
            *out++ = byte;
        } else {
            out = utf8_detail::decodeSequence(byte, p, end, true, out);
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

std::size_t invalidUtf8At(std::string_view bytes) {
    const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = begin + bytes.size();
    for (const auto* p = begin; p < end;) {
        const auto* const start = p;
        const unsigned char byte = *p++;
        if (byte < 0x80) continue;
        char16_t units[2];
        // A replacement character that stands in the bytes as such is no fault.
        if (utf8_detail::decodeSequence(byte, p, end, true, units) == units + 1 &&
            units[0] == utf8_detail::kReplacement &&
            std::string_view(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p - start)) !=
                "\xEF\xBF\xBD")
            return static_cast<std::size_t>(start - begin);
    }
    return std::string_view::npos;
}

std::u16string fromWindows1252(std::string_view bytes) {
    // 0x80 to 0x9F; the rest of the code page is Latin-1.
    static constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
    }
    return text;
}
