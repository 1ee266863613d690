#pragma once
// The settings record and the settings file prompt.cf (key=value lines, CR LF).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// A Windows COLORREF: 0x00BBGGRR, red in the low byte.
using ColorRef = std::uint32_t;

struct ColorPair {
    ColorRef textColor = 0x000000;
    ColorRef backgroundColor = 0xDCDCDC;
    bool operator==(const ColorPair&) const = default;
};

// The AI web chat: 0 ChatGPT, 1 Gemini, 2 Copilot; also the entry index in aiCombo.
using AiTarget = std::int32_t;

struct Settings {
    AiTarget ai = 0;
    std::int32_t promptIndex = 0;
    std::int32_t fontSize = -1;     // 0 or less: not set
    std::int32_t maxFavorites = -1; // 0 or less: not set
    bool hasPromptText = false;
    bool hasPromptBackground = false;
    bool hasFavoritesText = false;
    bool hasFavoritesBackground = false;
    bool hasAiText = false;
    bool hasAiBackground = false;
    ColorPair promptColors;
    ColorPair favoritesColors;
    ColorPair aiColors;
    bool operator==(const Settings&) const = default;
};

// The values the running program shows (AppState::live), which every store writes.
struct LiveSettings {
    std::int32_t fontSize = 0;
    std::int32_t maxFavorites = 5;
    ColorPair promptColors;
    ColorPair favoritesColors;
    ColorPair aiColors;
};

std::optional<ColorRef> parseColor(std::string_view text);
std::string formatColor(ColorRef color);

// The content of prompt.cf read into the record (lines end CR LF or LF).
Settings parseSettings(std::string_view text);

// The defaults when the file can't be opened.
Settings loadSettings(const std::u16string& path);
// Replaces the file's contents; true when it was written.
[[nodiscard]] bool saveSettings(const std::u16string& path, const Settings& settings);

// Read-modify-write: loads the file, overlays the live values, lets `change` replace
// the field the change is about, and writes the file back whole. True when it was written.
[[nodiscard]] bool storeSettings(const std::u16string& path, const LiveSettings& live,
                                 const std::function<void(Settings&)>& change);

// Stores the selected prompt's index, and the AI selection when aiCombo has one. True when
// the file was written.
[[nodiscard]] bool saveSelectedPromptIndex(const std::u16string& path, const LiveSettings& live,
                                           std::int32_t index, std::optional<AiTarget> aiSelection);

// Start-up: colours whose line was read replace the initial ones (AppState's before any file
// is read); font size 13 and favourite count 5 where not set.
LiveSettings startupSettingsFor(const Settings& loaded, const LiveSettings& initial);
// The record that start-up writes back: the loaded one with the values it applies.
Settings startupRecord(const Settings& loaded, const LiveSettings& applied);
// Start-up reads the file once: what it holds, the values applied, and whether writing it back
// at once succeeded.
struct StartupSettings {
    Settings loaded;
    LiveSettings applied;
    bool written = false;
};
StartupSettings applyStartupSettings(const std::u16string& path, const LiveSettings& initial);
