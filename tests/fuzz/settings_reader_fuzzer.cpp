// Any bytes as prompt.cf: loadSettings must not crash, must agree with the reading rules
// written out step by step, and what it read must come back the same through a save and a
// load (with every colour then present and unset numbers back at their fallbacks).

#include "settings/settings.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "settings reader: %s\n", what);
    std::abort();
}

std::string trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// The standard conversion, as std::stoi would do it: strtol, and no digit or a value
// outside the 32-bit range counts as a failure.
bool toInt(const std::string& text, std::int32_t& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long result = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || result < INT32_MIN || result > INT32_MAX) return false;
    value = static_cast<std::int32_t>(result);
    return true;
}

bool toColor(std::string_view text, ColorRef& color) {
    std::string value = trim(text);
    if (value.starts_with('#')) value.erase(0, 1);
    if (value.size() != 6 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long v = std::strtoul(value.c_str(), nullptr, 16);
    color = static_cast<ColorRef>(((v >> 16) & 0xFF) | (((v >> 8) & 0xFF) << 8) | ((v & 0xFF) << 16));
    return true;
}

Settings referenceParse(std::string_view bytes) {
    Settings s;
    // Text mode: Ctrl+Z ends the file.
    if (const std::size_t end = bytes.find('\x1A'); end != std::string_view::npos)
        bytes = bytes.substr(0, end);
    struct Color {
        const char* key;
        ColorRef* color;
        bool* present;
    };
    const Color colors[] = {{"prompt_sf=", &s.promptColors.textColor, &s.hasPromptText},
                            {"prompt_bf=", &s.promptColors.backgroundColor, &s.hasPromptBackground},
                            {"favoriten_sf=", &s.favoritesColors.textColor, &s.hasFavoritesText},
                            {"favoriten_bf=", &s.favoritesColors.backgroundColor, &s.hasFavoritesBackground},
                            {"ai_sf=", &s.aiColors.textColor, &s.hasAiText},
                            {"ai_bf=", &s.aiColors.backgroundColor, &s.hasAiBackground}};
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string line = trim(bytes.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        auto value = [&](std::size_t keyLength) { return line.substr(keyLength); };
        if (line.rfind("ai=", 0) == 0) {
            s.ai = line.find("Gemini") != std::string::npos    ? 1
                   : line.find("Copilot") != std::string::npos ? 2
                                                               : 0;
        } else if (line.rfind("prompt=", 0) == 0) {
            if (!toInt(value(7), s.promptIndex)) s.promptIndex = 0;
        } else if (line.rfind("sg=", 0) == 0) {
            if (!toInt(value(3), s.fontSize)) s.fontSize = -1;
        } else if (line.rfind("mfav=", 0) == 0) {
            if (!toInt(value(5), s.maxFavorites)) s.maxFavorites = -1;
        } else {
            for (const Color& c : colors) {
                const std::string key = c.key;
                if (line.rfind(key, 0) != 0) continue;
                ColorRef parsed = 0;
                if (toColor(value(key.size()), parsed)) {
                    *c.color = parsed;
                    *c.present = true;
                }
                break;
            }
        }
    }
    return s;
}

std::u16string scratchFile() {
    const std::string path = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                             std::string("/vbx-fuzz-") + std::to_string(getpid()) + ".cf";
    return std::u16string(path.begin(), path.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::u16string path = scratchFile();
    static const std::string narrowPath(path.begin(), path.end());
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(narrowPath, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const Settings loaded = loadSettings(path);
    check(loaded == referenceParse(bytes), "differs from the reading rules");
    check(loaded.ai >= 0 && loaded.ai <= 2, "ai outside 0..2");

    // Written and read back: the same record, with every colour present and a font size or
    // favourite count of 0 or less (whose line is left out) back at -1.
    check(saveSettings(path, loaded), "the settings file can't be written");
    Settings expected = loaded;
    expected.hasPromptText = expected.hasPromptBackground = expected.hasFavoritesText = true;
    expected.hasFavoritesBackground = expected.hasAiText = expected.hasAiBackground = true;
    if (expected.fontSize <= 0) expected.fontSize = -1;
    if (expected.maxFavorites <= 0) expected.maxFavorites = -1;
    check(loadSettings(path) == expected, "a read record changed through a save and a load");
    check(parseSettings(serializeSettings(loaded)) == expected, "serialize and parse disagree with the file");
    return 0;
}
