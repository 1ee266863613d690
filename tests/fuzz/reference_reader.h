#pragma once
// The library file's reading algorithm written out literally: decode the whole file first,
// then search the wide text for the tags. Slow and plain on purpose, so that the fast
// byte-level reader can be checked against it. The decoder is a parameter: fromUtf8 on
// every platform, the system's MultiByteToWideChar where there is one.

#include "library/prompt_file.h"

#include <string>
#include <string_view>

namespace reference {

inline bool equalsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lowerCase) {
    if (text.size() != lowerCase.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = (text[i] >= u'A' && text[i] <= u'Z') ? text[i] - u'A' + u'a' : text[i];
        if (c != lowerCase[i]) return false;
    }
    return true;
}

template <typename Decode> bool parseLibrary(std::string_view bytes, PromptLibrary& out, Decode&& decode) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::u16string text = decode(bytes);
    PromptLibrary list;
    for (std::size_t p = 0;;) {
        const std::size_t start = text.find(u"<item>", p);
        if (start == std::u16string::npos) break;
        const std::size_t end = text.find(u"</item>", start);
        if (end == std::u16string::npos) break;
        const std::u16string_view block(text.data() + start, end - start);
        Prompt item;
        item.name = unescapeXml(extractTag(block, u"name"));
        item.text = unescapeXml(extractTag(block, u"text"));
        item.lasttext = unescapeXml(extractTag(block, u"lasttext"));
        const std::u16string fav = extractTag(block, u"fav");
        item.fav =
            !fav.empty() && (fav.find(u'1') != std::u16string::npos ||
                             equalsIgnoringAsciiCase(fav, u"true") || equalsIgnoringAsciiCase(fav, u"yes"));
        if (!item.name.empty() || !item.text.empty() || !item.lasttext.empty())
            list.push_back(std::move(item));
        p = end + 7;
    }
    if (list.empty() && (text.size() < 9 || text.find(u"<prompts>") == std::u16string::npos)) return false;
    out = std::move(list);
    return true;
}

// What a value becomes after a save and a load: unpaired surrogates turn into U+FFFD and
// bare line feeds into CR LF.
inline std::u16string afterRoundTrip(std::u16string_view value) {
    std::u16string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char16_t c = value[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 &&
            value[i + 1] <= 0xDFFF) {
            result += {c, value[++i]};
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
        if (c == u'\n' && (result.empty() || result.back() != u'\r')) result.push_back(u'\r');
        result.push_back(c);
    }
    return result;
}

// The library as a save and a load give it back: values as above, prompts whose name, text
// and lasttext are all empty dropped.
inline PromptLibrary afterRoundTrip(const PromptLibrary& library) {
    PromptLibrary result;
    for (const Prompt& prompt : library) {
        if (prompt.name.empty() && prompt.text.empty() && prompt.lasttext.empty()) continue;
        result.push_back({afterRoundTrip(prompt.name), afterRoundTrip(prompt.text), prompt.fav,
                          afterRoundTrip(prompt.lasttext)});
    }
    return result;
}

} // namespace reference
