#pragma once
// For the core, crash and fuzz tests: files, a failing replace, the library format plainly.
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"
#include "settings/settings.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;
using namespace std::literals;

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vbx-test-" + std::to_string(std::random_device{}()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::u16string file(std::u16string_view name) const { return (path / fs::path(name)).u16string(); }
    std::ptrdiff_t entries() const { return std::distance(fs::directory_iterator(path), {}); }
};

inline void writeBytes(const std::u16string& path, std::string_view bytes) {
    std::ofstream(fs::path(path), std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}
inline std::string readBytes(const std::u16string& path) {
    return readWholeFile(path).value_or("(none)");
}

// What `save` returns when the step that replaces the file fails.
template <typename Save> bool withFailingReplace(Save&& save) {
    const ReplaceFileStep previous = setReplaceFileStepForTesting([](auto&, auto&) { return false; });
    const bool result = save();
    setReplaceFileStepForTesting(previous);
    return result;
}

// A value as read back: lone surrogates as U+FFFD, from a library bare line feeds as CR LF.
inline std::u16string asRead(std::u16string_view text, bool fromLibrary = true) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (fromLibrary && text[i] == u'\n' && (out.empty() || out.back() != u'\r')) out += u'\r';
        if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && (text[i + 1] & 0xFC00) == 0xDC00)
            out += text.substr(i++, 2);
        else
            out += (text[i] & 0xF800) == 0xD800 ? char16_t(0xFFFD) : text[i];
    }
    return out;
}

// prompts.xml for a library: each value with the five entities, then as UTF-8.
inline std::string expectedDocument(const PromptLibrary& library) {
    const auto value = [](std::u16string_view text) {
        static const std::u16string entities[] = {u"&amp;", u"&lt;", u"&gt;", u"&quot;", u"&apos;"};
        std::u16string escaped;
        for (const char16_t c : text)
            escaped += u"&<>\"'"sv.find(c) > 4 ? std::u16string(1, c) : entities[u"&<>\"'"sv.find(c)];
        return toUtf8(escaped);
    };
    std::string doc = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<prompts>\n";
    for (const Prompt& p : library)
        doc += "  <item>\n    <name>" + value(p.name) + "</name>\n    <text>" + value(p.text) +
               "</text>\n    <fav>" + (p.fav ? "1" : "0") + "</fav>\n    <lasttext>" + value(p.lasttext) +
               "</lasttext>\n  </item>\n";
    return doc + "</prompts>";
}

// What a save and a load give back: no prompt with three empty texts, values as read.
inline PromptLibrary afterRoundTrip(const PromptLibrary& library) {
    PromptLibrary result;
    for (const Prompt& p : library)
        if (!p.name.empty() || !p.text.empty() || !p.lasttext.empty())
            result.push_back({asRead(p.name), asRead(p.text), p.fav, asRead(p.lasttext)});
    return result;
}
