#include "library/prompt_file.h"

#include "library/escape_utf8.h"
#include "base/file_io.h"
#include "base/utf8_sequence.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kDocumentHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n";
constexpr std::string_view kDocumentTail = "</prompts>";
constexpr std::string_view kItemHead = "  <item>\n";
constexpr std::string_view kItemTail = "  </item>\n";
constexpr std::string_view kNameOpen = "    <name>";
constexpr std::string_view kNameClose = "</name>\n";
constexpr std::string_view kTextOpen = "    <text>";
constexpr std::string_view kTextClose = "</text>\n";
constexpr std::string_view kFavSet = "    <fav>1</fav>\n";
constexpr std::string_view kFavClear = "    <fav>0</fav>\n";
constexpr std::string_view kLasttextOpen = "    <lasttext>";
constexpr std::string_view kLasttextClose = "</lasttext>\n";

// ---- Writer -------------------------------------------------------------------------------

// The encoding loop for this processor: the SSSE3 build where it has SSSE3.
EscapeEncoder chooseEncoder() {
#if defined(VBX_SSSE3_TWIN)
    // Started here, as this may run before libgcc's own constructor.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3")) return putEscapedSsse3;
#endif
    return escape_utf8::putEscaped;
}

const EscapeEncoder encoderInUse = chooseEncoder();

// Builds the document in a small buffer that is handed to the sink whenever it fills, so a
// save never holds a second copy of the library and the bytes are still in the cache when
// they are written.
class DocumentWriter {
  public:
    explicit DocumentWriter(const ByteSink& sink) : sink_(sink), buffer_(kCapacity) {}

    void put(std::string_view bytes) {
        if (kCapacity - used_ < bytes.size()) flush();
        if (kCapacity - used_ < bytes.size()) {
            ok_ = ok_ && sink_(bytes);
            return;
        }
        std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
        used_ += bytes.size();
    }

    // A value, escaped and encoded, the buffer handed on whenever it is full.
    void putEscaped(std::u16string_view text) {
        const char16_t* p = text.data();
        const char16_t* const end = p + text.size();
        for (;;) {
            char* const start = buffer_.data() + used_;
            used_ += static_cast<std::size_t>(encode_(p, end, start, buffer_.data() + kCapacity) - start);
            if (p == end) return;
            flush();
        }
    }

    bool finish() {
        flush();
        return ok_;
    }

    // False once the sink has refused a piece.
    bool ok() const { return ok_; }

  private:
    static constexpr std::size_t kCapacity = 256 * 1024;
    // The encoder stops kEscapeRoom bytes before the end; a buffer many times that keeps the
    // pieces handed to the sink big.
    static_assert(kCapacity > 4 * kEscapeRoom);

    void flush() {
        if (used_ > 0) ok_ = ok_ && sink_(std::string_view(buffer_.data(), used_));
        used_ = 0;
    }

    const ByteSink& sink_;
    const EscapeEncoder encode_ = encoderInUse;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

bool writePromptLibrary(const PromptLibrary& library, const ByteSink& sink) {
    DocumentWriter writer(sink);
    writer.put(kByteOrderMark);
    writer.put(kDocumentHead);
    for (const Prompt& prompt : library) {
        if (!writer.ok()) return false; // a failed write, or bytes that differ (fileHolds)
        writer.put(kItemHead);
        writer.put(kNameOpen);
        writer.putEscaped(prompt.name);
        writer.put(kNameClose);
        writer.put(kTextOpen);
        writer.putEscaped(prompt.text);
        writer.put(kTextClose);
        writer.put(prompt.fav ? kFavSet : kFavClear);
        writer.put(kLasttextOpen);
        writer.putEscaped(prompt.lasttext);
        writer.put(kLasttextClose);
        writer.put(kItemTail);
    }
    writer.put(kDocumentTail);
    return writer.finish();
}

// ---- Reader -------------------------------------------------------------------------------

enum Field { kName, kText, kFav, kLasttext, kFieldCount };
constexpr std::array<std::string_view, kFieldCount> kOpenTags = {"<name>", "<text>", "<fav>", "<lasttext>"};
constexpr std::array<std::string_view, kFieldCount> kCloseTags = {"</name>", "</text>", "</fav>",
                                                                  "</lasttext>"};
constexpr std::string_view kItemOpenTag = "<item>";
constexpr std::string_view kItemCloseTag = "</item>";

// The raw bytes of each element of one item block: from the end of the element's first opening
// tag to its first closing tag, or nothing when either is missing or the closing one comes first.
struct ItemFields {
    std::array<std::string_view, kFieldCount> raw;
    bool keep() const { return !raw[kName].empty() || !raw[kText].empty() || !raw[kLasttext].empty(); }
};

// The element whose name begins with the letter; the four initials differ.
int fieldByInitial(char c) {
    switch (c) {
    case 'n':
        return kName;
    case 't':
        return kText;
    case 'f':
        return kFav;
    case 'l':
        return kLasttext;
    default:
        return -1;
    }
}

// The first `c` in [p, end), or null. The C library's memchr is not used: some go byte by byte
// (Wine's does), and this search runs over the whole file.
const char* findByte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted));
        if (found != 0) return p + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    for (; p < end; ++p) {
        if (*p == c) return p;
    }
    return nullptr;
}

// Finds the "</item>" that ends the block whose "<item>" ends at `from`, noting the first
// opening and closing tag of each element on the way (one pass over the block). The tags
// are ASCII and hold no second "<", so none can reach past the block's end.
std::size_t scanItem(std::string_view text, std::size_t from, ItemFields& fields) {
    constexpr std::size_t npos = std::string_view::npos;
    std::array<std::size_t, kFieldCount> open, close;
    open.fill(npos);
    close.fill(npos);
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    for (const char* p = begin + from; p < end; ++p) {
        p = findByte(p, end, '<');
        if (!p) break;
        const std::string_view rest(p, static_cast<std::size_t>(end - p));
        const std::size_t at = static_cast<std::size_t>(p - begin);
        if (rest.size() < 5) break; // too short for any tag
        if (rest[1] == '/') {
            if (rest[2] == 'i' && rest.starts_with(kItemCloseTag)) {
                for (int f = 0; f < kFieldCount; ++f) {
                    // A closing tag before the opening one gives an empty value.
                    if (open[f] == npos || close[f] == npos || close[f] < open[f]) continue;
                    const std::size_t valueStart = open[f] + kOpenTags[f].size();
                    fields.raw[f] = text.substr(valueStart, close[f] - valueStart);
                }
                return at;
            }
            const int f = fieldByInitial(rest[2]);
            if (f >= 0 && close[f] == npos && rest.starts_with(kCloseTags[f])) close[f] = at;
        } else {
            const int f = fieldByInitial(rest[1]);
            if (f >= 0 && open[f] == npos && rest.starts_with(kOpenTags[f])) open[f] = at;
        }
    }
    return npos;
}

// Calls visit(fields) for every item block, in file order, as the scan of the bytes finds them,
// and returns how many bytes it is done with. Before the end of the file (`atEnd` false) a block
// or "<item>" tag that the bytes may not hold whole yet stays for the next call, with more bytes.
// At the end, an item begun and not finished sets `unfinished`.
template <typename Visit>
std::size_t forEachItem(std::string_view text, bool atEnd, Visit&& visit, bool* unfinished = nullptr) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const auto maybeCut = [&](const char* tag) {
        return !atEnd && static_cast<std::size_t>(end - tag) < kItemOpenTag.size();
    };
    std::size_t position = 0;
    for (;;) {
        const char* tag = findByte(begin + position, end, '<');
        while (tag && !maybeCut(tag) &&
               !std::string_view(tag, static_cast<std::size_t>(end - tag)).starts_with(kItemOpenTag))
            tag = findByte(tag + 1, end, '<');
        if (!tag) return text.size();
        const std::size_t itemStart = static_cast<std::size_t>(tag - begin);
        if (maybeCut(tag)) return itemStart;
        ItemFields fields;
        const std::size_t itemEnd = scanItem(text, itemStart + kItemOpenTag.size(), fields);
        if (itemEnd == std::string_view::npos) {
            if (!atEnd) return itemStart;
            if (unfinished) *unfinished = true;
            return text.size();
        }
        visit(fields);
        position = itemEnd + kItemCloseTag.size();
    }
}

bool equalsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase) {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerCase[i]) return false;
    }
    return true;
}

// A prompt is a favourite when its fav text holds a "1" anywhere or is "true" or "yes" in any
// case, as earlier versions wrote and read it. Decided on the raw bytes: a "1" byte is a "1"
// character, and "true"/"yes" can only be spelled in ASCII.
bool favFromRaw(std::string_view raw) {
    return !raw.empty() && (raw.find('1') != std::string_view::npos || equalsIgnoringAsciiCase(raw, "true") ||
                            equalsIgnoringAsciiCase(raw, "yes"));
}

// One element's raw bytes to its value in one pass: UTF-8 decoded as MultiByteToWideChar does,
// the five entities replaced (nothing else is an entity), and every line feed without its
// carriage return given one. This equals decoding the whole file first: the bytes around a
// value are ASCII tag characters, which a bad sequence never swallows, and the entities and
// line feeds are ASCII too.
// The value is decoded into `scratch`, which stays in the cache from field to field, and then
// copied into a string of exactly its length: the library's memory is written once, and none
// of it is left over for multi-byte sequences and entities.
// Bytes that are not UTF-8 set `replaced`; the three bytes of U+FFFD itself do not.
std::u16string decodeField(std::string_view raw, std::u16string& scratch, bool& replaced) {
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const auto* const end = p + raw.size();
    // Each byte gives one unit at most, a line feed without its carriage return two.
    const std::size_t most = 2 * raw.size();
    if (scratch.size() < most) scratch.resize(std::max(most, 2 * scratch.size()));
    char16_t* const first = scratch.data();
    char16_t* out = first;
    while (p < end) {
#if defined(__SSE2__)
        // Sixteen bytes at a time up to the next byte that needs a look. There is room:
        // each unread byte still has at least one unit of space.
        while (end - p >= 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            // A line feed right after a carriage return is copied as it is.
            const int afterReturn = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r'))) << 1 |
                                    (out != first && out[-1] == u'\r');
            const int bareLineFeeds =
                _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n'))) & ~afterReturn;
            const int special = _mm_movemask_epi8(chunk) |
                                _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('&'))) | bareLineFeeds;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(chunk, _mm_setzero_si128()));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8),
                             _mm_unpackhi_epi8(chunk, _mm_setzero_si128()));
            const int plain = special == 0 ? 16 : __builtin_ctz(static_cast<unsigned>(special));
            p += plain;
            out += plain;
            if (plain < 16) break;
        }
        if (p == end) break;
#endif
        const unsigned char byte = *p++;
        if (byte == '&') {
            const std::string_view rest(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));
            if (rest.starts_with("amp;")) {
                *out++ = u'&';
                p += 4;
            } else if (rest.starts_with("lt;")) {
                *out++ = u'<';
                p += 3;
            } else if (rest.starts_with("gt;")) {
                *out++ = u'>';
                p += 3;
            } else if (rest.starts_with("quot;")) {
                *out++ = u'"';
                p += 5;
            } else if (rest.starts_with("apos;")) {
                *out++ = u'\'';
                p += 5;
            } else {
                *out++ = u'&';
            }
        } else if (byte == '\n') {
            if (out == first || out[-1] != u'\r') *out++ = u'\r';
            *out++ = u'\n';
        } else if (byte < 0x80) {
            *out++ = byte;
        } else {
            const unsigned char* const lead = p - 1;
            out = utf8_detail::decodeSequence(byte, p, end, false, out);
            replaced |= out[-1] == utf8_detail::kReplacement && !(byte == 0xEF && p - lead == 3);
        }
    }
    return std::u16string(first, static_cast<std::size_t>(out - first));
}

// Without items, only a "<prompts>" tag makes the bytes a library; that also turns away every
// input too short to hold one.
bool hasLibraryTag(std::string_view bytes) {
    return bytes.find("<prompts>") != std::string_view::npos;
}

// Appends the block's prompt unless all of its values are empty.
void addPrompt(const ItemFields& fields, PromptLibrary& prompts, std::u16string& scratch, bool& replaced) {
    if (!fields.keep()) return;
    Prompt& prompt = prompts.emplace_back();
    prompt.name = decodeField(fields.raw[kName], scratch, replaced);
    prompt.text = decodeField(fields.raw[kText], scratch, replaced);
    prompt.fav = favFromRaw(fields.raw[kFav]);
    prompt.lasttext = decodeField(fields.raw[kLasttext], scratch, replaced);
}

} // namespace

bool parsePromptLibrary(std::string_view bytes, PromptLibrary& out) {
    std::string_view text = bytes;
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());

    // Counting first lets the list be allocated once, at its final size.
    std::size_t kept = 0;
    forEachItem(text, true, [&](const ItemFields& fields) { kept += fields.keep() ? 1 : 0; });
    PromptLibrary prompts;
    prompts.reserve(kept);
    std::u16string scratch;
    bool replaced = false;
    forEachItem(text, true, [&](const ItemFields& fields) { addPrompt(fields, prompts, scratch, replaced); });

    if (prompts.empty() && !hasLibraryTag(text)) return false;
    out = std::move(prompts);
    return true;
}

std::string promptDocument(const PromptLibrary& library) {
    std::string bytes;
    writePromptLibrary(library, [&bytes](std::string_view piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}

bool savePromptFile(const PromptLibrary& library, const std::u16string& path) {
    return writeFileAtomically(
        path, [&library](const ByteSink& sink) { return writePromptLibrary(library, sink); });
}

bool updatePromptFile(const PromptLibrary& library, const std::u16string& path) {
    return fileHolds(path, [&library](const ByteSink& sink) { return writePromptLibrary(library, sink); }) ||
           savePromptFile(library, path);
}

bool loadPromptFile(PromptLibrary& library, const std::u16string& path, bool* readWhole) {
    // The file is read twice in pieces, as parsePromptLibrary reads the bytes: counting, then
    // the prompts. A big library's file is never held whole, and its pieces stay in the cache.
    std::size_t kept = 0;
    PromptLibrary prompts;
    std::u16string scratch;
    bool replaced = false, unfinished = false;
    const bool read = readFileInPieces(path, 2, [&](int pass, std::string_view unread, bool atEnd) {
        if (pass == 0)
            return forEachItem(unread, atEnd,
                               [&](const ItemFields& fields) { kept += fields.keep() ? 1 : 0; });
        if (prompts.capacity() < kept) prompts.reserve(kept);
        return forEachItem(
            unread, atEnd, [&](const ItemFields& fields) { addPrompt(fields, prompts, scratch, replaced); },
            &unfinished);
    });
    if (!read) {
        if (readWhole) *readWhole = !pathExists(path);
        return false;
    }
    if (prompts.empty()) {
        const std::optional<std::string> bytes = readWholeFile(path);
        if (!bytes || !hasLibraryTag(*bytes)) {
            if (readWhole) *readWhole = bytes && bytes->empty();
            return false;
        }
    }
    if (readWhole) *readWhole = !replaced && !unfinished;
    library = std::move(prompts);
    return true;
}
