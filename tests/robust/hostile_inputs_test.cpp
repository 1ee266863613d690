// Hostile inputs for the library and settings files: huge values, a million items, a million
// settings lines, UTF-16, random bytes, non-ASCII paths. Nothing may crash, the file formats'
// rules must hold, and the times are printed for three sizes each so that linear growth can be
// seen (nothing is timed in an assertion).

#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"
#include "settings/settings.h"

#include "core/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

namespace {

// Sanitizer builds (about ten times slower) run the same cases on a fifth of the data.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kShrink = 5;
#else
constexpr std::size_t kShrink = 1;
#endif

std::vector<std::size_t> sizes(std::initializer_list<std::size_t> full) {
    std::vector<std::size_t> result;
    for (const std::size_t size : full)
        result.push_back(size / kShrink);
    return result;
}

template <typename F> double seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, double amount, const char* unit, double seconds) {
    std::printf("[hostile] %-42s %8.1f %-8s %8.3f s  %9.3f ms per %s\n", what, amount, unit, seconds,
                amount > 0 ? seconds * 1000 / amount : 0.0, unit);
    std::fflush(stdout);
}

} // namespace

TEST(HostileInputs, AMillionItemsSurviveASaveAndALoad) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    for (const std::size_t count : sizes({250'000, 500'000, 1'000'000})) {
        PromptLibrary library(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::u16string number = fromUtf8(std::to_string(i));
            library[i] = {u"Prompt " + number, u"Text & more " + number, i % 7 == 0,
                          i % 3 ? u"" : u"Eingabe"};
        }
        double save = seconds([&] { ASSERT_TRUE(savePromptFile(library, path)); });
        PromptLibrary loaded;
        const double load = seconds([&] { ASSERT_TRUE(loadPromptFile(loaded, path)); });
        EXPECT_EQ(loaded.size(), count);
        EXPECT_TRUE(loaded == library);
        report("library: save items", count / 1000.0, "k items", save);
        report("library: load items", count / 1000.0, "k items", load);
    }
}

TEST(HostileInputs, AUtf16LibraryIsNotALibrary) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    const std::u16string text = u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<prompts>\n  <item>\n"
                                u"    <name>Name</name>\n    <text>Text</text>\n  </item>\n</prompts>";
    for (const bool littleEndian : {true, false}) {
        std::string bytes;
        for (const char16_t c : text)
            bytes += {static_cast<char>(littleEndian ? c & 0xFF : c >> 8),
                      static_cast<char>(littleEndian ? c >> 8 : c & 0xFF)};
        writeBytes(path, bytes);
        PromptLibrary library{{u"kept", u"", false, u""}};
        EXPECT_FALSE(loadPromptFile(library, path)); // no "<item>" and no "<prompts>" in its bytes
        EXPECT_TRUE(library == (PromptLibrary{{u"kept", u"", false, u""}}));
    }
}

TEST(HostileInputs, AMillionSettingsLinesAreReadLastLineWins) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    constexpr std::string_view keys[] = {
        "ai=",        "prompt=",       "sg=",           "mfav=",  "prompt_sf=",
        "prompt_bf=", "favoriten_sf=", "favoriten_bf=", "ai_sf=", "ai_bf="};
    for (const std::size_t lines : sizes({250'000, 500'000, 1'000'000})) {
        std::string text;
        text.reserve(lines * 24);
        for (std::size_t i = 0; i < lines; ++i) {
            text += keys[i % std::size(keys)];
            char value[16];
            if (i % std::size(keys) == 0) {
                text += i % 3 == 0 ? "Gemini" : "Copilot";
            } else if (i % std::size(keys) < 4) {
                text += std::to_string(i % 1000);
            } else {
                std::snprintf(value, sizeof value, "#%06X", static_cast<unsigned>(i & 0xFFFFFF));
                text += value;
            }
            text += i % 2 ? "\r\n" : "  \n";
        }
        writeBytes(path, text);
        Settings settings;
        const double load = seconds([&] { settings = loadSettings(path); });
        // The last line of each key decides.
        const Settings expected = parseSettings(text.substr(text.size() - 400));
        EXPECT_TRUE(settings == expected) << lines << " lines";
        report("settings: load lines", lines / 1000.0, "k lines", load);
    }
}

TEST(HostileInputs, HugeAndBrokenSettingsFilesGiveTheRulesResult) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    for (const std::size_t megabytes : sizes({10, 25, 50})) {
        // One line of many megabytes: blanks, then the value, after the key.
        writeBytes(path, "sg=" + std::string(megabytes << 20, ' ') + "17\nprompt_bf=" +
                             std::string(megabytes << 20, '\t') + "#FF0000\nmfav=" + std::string(64, '9'));
        Settings settings;
        const double load = seconds([&] { settings = loadSettings(path); });
        EXPECT_EQ(settings.fontSize, 17);
        EXPECT_TRUE(settings.hasPromptBackground);
        EXPECT_EQ(settings.promptColors.backgroundColor, 0x0000FFu);
        EXPECT_EQ(settings.maxFavorites, -1); // far outside the 32-bit range
        report("settings: load two long lines of", megabytes * 2.0, "MB", load);
    }

    // UTF-16: no line begins with a key's bytes, so every value is the default.
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string_view("ai=Gemini\r\nsg=18\r\nprompt_bf=#FF0000\r\n"))
        utf16 += {c, '\0'};
    writeBytes(path, utf16);
    EXPECT_TRUE(loadSettings(path) == Settings{});

    // Random bytes: whatever lines happen to match; compared with the plain parse of the text
    // up to the first Ctrl+Z, which ends a file read in text mode.
    std::mt19937 random(9);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(1 << 16, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 4 ? random() % 128 : random());
        if (round % 2) bytes.insert(random() % bytes.size(), "\nsg=15\n\x1A\nsg=16\n");
        writeBytes(path, bytes);
        EXPECT_TRUE(loadSettings(path) == parseSettings(bytes.substr(0, bytes.find('\x1A'))));
    }
}

TEST(HostileInputs, FoldersAndFilesWithNonAsciiNamesWork) {
    TempDir dir;
    const std::u16string folder = dir.file(u"Pr\u00F6mpts \u20AC \u65E5\u672C\u8A9E \U0001F600 \u0391\u03A9");
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(folder)));
    const std::u16string path = folder + u"/b\u00FCcher \u00DF.xml";
    const PromptLibrary library{{u"\u00C4rger", u"\u20AC", true, u"\U0001F600"}};
    ASSERT_TRUE(savePromptFile(library, path));
    PromptLibrary loaded;
    ASSERT_TRUE(loadPromptFile(loaded, path));
    EXPECT_TRUE(loaded == library);
    Settings settings;
    settings.fontSize = 17;
    const std::u16string settingsPath = folder + u"/pr\u00F6mpt \u20AC.cf";
    ASSERT_TRUE(saveSettings(settingsPath, settings));
    EXPECT_EQ(loadSettings(settingsPath).fontSize, 17);
    // The names on disk are the ones asked for, not mangled ones.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(path)));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(settingsPath)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(folder)), {}), 2);
}

TEST(HostileInputs, AFolderInPlaceOfTheFileIsNeitherReadNorReplaced) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompts.xml");
    ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(path)));
    PromptLibrary library{{u"kept", u"", false, u""}};
    EXPECT_FALSE(loadPromptFile(library, path));
    EXPECT_FALSE(savePromptFile(library, path));
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(path)));
    EXPECT_EQ(dir.entries().size(), 1u); // no temporary file left beside it
}
