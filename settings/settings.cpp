#include "settings/settings.h"

#include "base/file_io.h"

#include <array>
#include <limits>

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool isTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The standard text-to-int conversion: blanks skipped, a sign, digits, the rest ignored;
// nothing when no digit is read or the number leaves the 32-bit range.
std::optional<std::int32_t> parseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digits = i;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (i == digits) return std::nullopt;
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view aiWord(AiTarget ai) {
    switch (ai) {
    case 1:
        return "Gemini";
    case 2:
        return "Copilot";
    default:
        return "ChatGPT";
    }
}

// The six colour lines: key, where the colour lives in each record, and its presence flag.
struct ColorSlot {
    std::string_view key;
    ColorPair Settings::*pair;
    ColorPair LiveSettings::*livePair;
    ColorRef ColorPair::*color;
    bool Settings::*present;
};

constexpr std::array<ColorSlot, 6> kColorSlots = {{
    {"prompt_sf=", &Settings::promptColors, &LiveSettings::promptColors, &ColorPair::textColor,
     &Settings::hasPromptText},
    {"prompt_bf=", &Settings::promptColors, &LiveSettings::promptColors, &ColorPair::backgroundColor,
     &Settings::hasPromptBackground},
    {"favoriten_sf=", &Settings::favoritesColors, &LiveSettings::favoritesColors, &ColorPair::textColor,
     &Settings::hasFavoritesText},
    {"favoriten_bf=", &Settings::favoritesColors, &LiveSettings::favoritesColors, &ColorPair::backgroundColor,
     &Settings::hasFavoritesBackground},
    {"ai_sf=", &Settings::aiColors, &LiveSettings::aiColors, &ColorPair::textColor, &Settings::hasAiText},
    {"ai_bf=", &Settings::aiColors, &LiveSettings::aiColors, &ColorPair::backgroundColor,
     &Settings::hasAiBackground},
}};

void applyLine(std::string_view line, Settings& settings) {
    if (line.starts_with("ai=")) {
        settings.ai = line.find("Gemini") != std::string_view::npos    ? 1
                      : line.find("Copilot") != std::string_view::npos ? 2
                                                                       : 0;
        return;
    }
    struct NumberKey {
        std::string_view key;
        std::int32_t Settings::*field;
        std::int32_t fallback;
    };
    static constexpr NumberKey kNumberKeys[] = {{"prompt=", &Settings::promptIndex, 0},
                                                {"sg=", &Settings::fontSize, -1},
                                                {"mfav=", &Settings::maxFavorites, -1}};
    for (const NumberKey& number : kNumberKeys) {
        if (line.starts_with(number.key)) {
            settings.*number.field = parseInt(line.substr(number.key.size())).value_or(number.fallback);
            return;
        }
    }
    for (const ColorSlot& slot : kColorSlots) {
        if (line.starts_with(slot.key)) {
            // A rejected colour changes nothing, so an earlier valid line of the key stays.
            if (const std::optional<ColorRef> color = parseColor(line.substr(slot.key.size()))) {
                settings.*slot.pair.*slot.color = *color;
                settings.*slot.present = true;
            }
            return;
        }
    }
}

// Every store writes what the program shows: its colours, and its font size and favourite
// count where the file has none of its own. The file's other lines stay as they were.
void overlayLiveValues(Settings& settings, const LiveSettings& live) {
    if (settings.fontSize <= 0) settings.fontSize = live.fontSize;
    if (settings.maxFavorites <= 0) settings.maxFavorites = live.maxFavorites;
    settings.promptColors = live.promptColors;
    settings.favoritesColors = live.favoritesColors;
    settings.aiColors = live.aiColors;
    for (const ColorSlot& slot : kColorSlots)
        settings.*slot.present = true;
}

} // namespace

namespace {

std::string trimSpaces(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

} // namespace

std::optional<ColorRef> parseColor(std::string_view text) {
    const std::string trimmed = trimSpaces(text);
    std::string_view digits = trimmed;
    if (digits.empty()) return std::nullopt;
    if (digits.front() == '#') digits.remove_prefix(1);
    if (digits.size() != 6) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    const std::uint32_t red = (value >> 16) & 0xFF;
    const std::uint32_t green = (value >> 8) & 0xFF;
    const std::uint32_t blue = value & 0xFF;
    return red | (green << 8) | (blue << 16);
}

std::string formatColor(ColorRef color) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "#";
    for (const unsigned shift : {0u, 8u, 16u}) {
        const unsigned byte = (color >> shift) & 0xFF;
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

Settings parseSettings(std::string_view text) {
    Settings settings;
    while (!text.empty()) {
        const std::size_t lineFeed = text.find('\n');
        const std::string line = trimSpaces(text.substr(0, lineFeed));
        text.remove_prefix(lineFeed == std::string_view::npos ? text.size() : lineFeed + 1);
        if (!line.empty()) applyLine(line, settings);
    }
    return settings;
}

namespace {

std::string serializeSettings(const Settings& settings) {
    std::string text;
    auto line = [&](std::string_view key, std::string_view value) {
        text.append(key).append(value).append(kLineEnd);
    };
    line("ai=", aiWord(settings.ai));
    line("prompt=", std::to_string(settings.promptIndex));
    if (settings.fontSize > 0) line("sg=", std::to_string(settings.fontSize));
    if (settings.maxFavorites > 0) line("mfav=", std::to_string(settings.maxFavorites));
    for (const ColorSlot& slot : kColorSlots)
        line(slot.key, formatColor(settings.*slot.pair.*slot.color));
    return text;
}

} // namespace

Settings loadSettings(const std::u16string& path) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) return Settings{};
    // Read as Windows text mode reads: Ctrl+Z ends the text. (Its CR LF to LF translation
    // needs no step of its own, as every line is trimmed of CR.)
    const std::string_view text(*bytes);
    return parseSettings(text.substr(0, text.find('\x1A')));
}

bool saveSettings(const std::u16string& path, const Settings& settings) {
    return writeFileAtomically(path, serializeSettings(settings));
}

bool storeSettings(const std::u16string& path, const LiveSettings& live,
                   const std::function<void(Settings&)>& change) {
    Settings settings = loadSettings(path);
    overlayLiveValues(settings, live);
    if (change) change(settings);
    return saveSettings(path, settings);
}

bool saveSelectedPromptIndex(const std::u16string& path, const LiveSettings& live, std::int32_t index,
                             std::optional<AiTarget> aiSelection) {
    Settings settings = loadSettings(path);
    if (aiSelection) settings.ai = *aiSelection;
    settings.promptIndex = index;
    overlayLiveValues(settings, live);
    return saveSettings(path, settings);
}

LiveSettings startupSettingsFor(const Settings& loaded, const LiveSettings& initial) {
    LiveSettings applied;
    applied.promptColors = initial.promptColors;
    applied.favoritesColors = initial.favoritesColors;
    applied.aiColors = initial.aiColors;
    // Only colours whose line was read replace the initial ones.
    for (const ColorSlot& slot : kColorSlots) {
        if (loaded.*slot.present) applied.*slot.livePair.*slot.color = loaded.*slot.pair.*slot.color;
    }
    applied.fontSize = loaded.fontSize > 0 ? loaded.fontSize : 13;
    applied.maxFavorites = loaded.maxFavorites > 0 ? loaded.maxFavorites : 5;
    return applied;
}

Settings startupRecord(const Settings& loaded, const LiveSettings& applied) {
    Settings record = loaded;
    record.fontSize = applied.fontSize;
    record.maxFavorites = applied.maxFavorites;
    record.promptColors = applied.promptColors;
    record.favoritesColors = applied.favoritesColors;
    record.aiColors = applied.aiColors;
    return record;
}

StartupSettings applyStartupSettings(const std::u16string& path, const LiveSettings& initial) {
    StartupSettings start{loadSettings(path), {}, false};
    start.applied = startupSettingsFor(start.loaded, initial);
    start.written = saveSettings(path, startupRecord(start.loaded, start.applied));
    return start;
}
