// A random library, saved and loaded again, is the same library apart from the documented
// exceptions: prompts with empty name, text and lasttext are dropped, a bare LF comes back
// as CR LF, an unpaired surrogate as U+FFFD.

#include "library/prompt_file.h"
#include "base/utf8.h"
#include "reference_reader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "library round trip: %s\n", what);
    std::abort();
}

// Units the file format treats specially, so that the fuzzer meets them often.
constexpr char16_t kSpecial[] = {u'&',   u'<',   u'>',   u'"',   u'\'',  u'\r',  u'\n', u'\0',  u';',
                                 u'/',   u'a',   u'1',   0x7F,   0x80,   0x7FF,  0x800, 0xD7FF, 0xD800,
                                 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFEFF, 0xFFFD, 0xFFFF};
// Pieces of markup, so that values hold what looks like tags and entities.
constexpr std::u16string_view kPieces[] = {u"<item>",       u"</item>", u"<name>",      u"</text>",
                                           u"<fav>1</fav>", u"&amp;",   u"&lt;",        u"&#38;",
                                           u"<prompts>",    u"\r\n",    u"\xD83D\xDE00"};

std::u16string value(FuzzedDataProvider& input) {
    std::u16string text;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    for (std::size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        switch (input.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            text.push_back(input.PickValueInArray(kSpecial));
            break;
        case 1:
            text.append(input.PickValueInArray(kPieces));
            break;
        case 2:
            text.push_back(static_cast<char16_t>(input.ConsumeIntegralInRange<int>(0x20, 0x7E)));
            break;
        default:
            text.push_back(input.ConsumeIntegral<char16_t>());
            break;
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    PromptLibrary library;
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, 12);
    for (std::size_t i = 0; i < count && input.remaining_bytes() > 0; ++i) {
        Prompt prompt;
        prompt.name = value(input);
        prompt.text = value(input);
        prompt.fav = input.ConsumeBool();
        prompt.lasttext = value(input);
        library.push_back(std::move(prompt));
    }

    const std::string document = serializePromptLibrary(library);
    check(document.starts_with("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n"),
          "the document doesn't start with the byte order mark, declaration and root");
    check(document.ends_with("</prompts>"), "the document doesn't end with the closing root tag");
    // Valid UTF-8 decodes and encodes back to the same bytes; anything else comes back changed.
    check(toUtf8(fromUtf8(document)) == document, "the document is not valid UTF-8");

    PromptLibrary loaded{{u"before", u"", false, u""}};
    check(parsePromptLibrary(document, loaded), "the saved library can't be read");
    check(loaded == reference::afterRoundTrip(library), "the library changed through a save and a load");
    return 0;
}
