#include "library/file_io.h"
#include "settings/settings.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

const std::string kFirstStartFile = "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                                    "prompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                                    "ai_sf=#000000\r\nai_bf=#DCDCDC\r\n";

bool failingReplace(const std::u16string&, const std::u16string&) {
    return false;
}

LiveSettings someLiveValues() {
    LiveSettings live;
    live.fontSize = 16;
    live.maxFavorites = 7;
    live.promptColors = {0x000001, 0x000002};
    live.favoritesColors = {0x000003, 0x000004};
    live.aiColors = {0x000005, 0x000006};
    return live;
}

} // namespace

TEST(SettingsText, TrimsAndConvertsColoursBothWays) {
    EXPECT_EQ(trimSpaces(" \t a b \r\n"), "a b");
    EXPECT_EQ(trimSpaces(" \t\r\n"), "");
    EXPECT_EQ(trimSpaces("\va\f"), "\va\f"); // only space, tab, CR and LF

    for (const char* text : {"#FF8000", "FF8000", "ff8000", " #ff8000\t"}) {
        EXPECT_EQ(parseColor(text), ColorRef{0x000080FF}) << text;
    }
    for (const char* text :
         {"", "#", "#FFF", "##FF8000", "0xFF8000", "#FF80001", "#GG8000", "# FF8000", "FF 800"}) {
        EXPECT_EQ(parseColor(text), std::nullopt) << text;
    }
    EXPECT_EQ(formatColor(0x000080FF), "#FF8000");
    EXPECT_EQ(formatColor(0), "#000000");
    EXPECT_EQ(formatColor(0xDCDCDC), "#DCDCDC");
    EXPECT_EQ(formatColor(0x00010203), "#030201");
    for (ColorRef c : {0x0u, 0x0A0B0Cu, 0xFFFFFFu, 0x123456u})
        EXPECT_EQ(parseColor(formatColor(c)), c);
}

TEST(SettingsFile, MissingOrEmptyGivesTheDefaults) {
    const Settings defaults = parseSettings("");
    EXPECT_EQ(defaults.ai, 0);
    EXPECT_EQ(defaults.promptIndex, 0);
    EXPECT_EQ(defaults.fontSize, -1);
    EXPECT_EQ(defaults.maxFavorites, -1);
    EXPECT_FALSE(defaults.hasPromptText || defaults.hasPromptBackground || defaults.hasFavoritesText ||
                 defaults.hasFavoritesBackground || defaults.hasAiText || defaults.hasAiBackground);
    EXPECT_EQ(defaults.promptColors, (ColorPair{0x000000, 0xDCDCDC}));
    EXPECT_EQ(defaults, Settings{});
    TempDir dir;
    EXPECT_EQ(loadSettings(dir.file(u"prompt.cf")), Settings{});
}

TEST(SettingsFile, ReadsTheAiWord) {
    // After an earlier ai=Copilot line: an ignored line leaves 2.
    const std::pair<const char*, AiTarget> cases[] = {{"ai=Gemini", 1},   {"ai=Google Gemini", 1},
                                                      {"ai=Copilot", 2},  {"ai=Copilot Gemini", 1},
                                                      {"ai=chatgpt", 0},  {"ai=", 0},
                                                      {"ai=xyz", 0},      {"  ai=gemini  ", 0},
                                                      {"ai = Gemini", 2}, {"AI=Gemini", 2}};
    for (const auto& [line, ai] : cases)
        EXPECT_EQ(parseSettings(std::string("ai=Copilot\n") + line).ai, ai) << line;
}

TEST(SettingsFile, ReadsNumbersLikeTheStandardConversion) {
    auto fontSize = [](const char* file) { return parseSettings(file).fontSize; };
    EXPECT_EQ(fontSize("  sg=14  \r\n"), 14);
    EXPECT_EQ(fontSize("sg= 14"), 14);
    EXPECT_EQ(fontSize("sg=14px"), 14);
    EXPECT_EQ(fontSize("sg=+7"), 7);
    EXPECT_EQ(fontSize("sg=0"), 0);
    EXPECT_EQ(fontSize("sg=-4"), -4);
    EXPECT_EQ(fontSize("sg=40"), 40);
    EXPECT_EQ(fontSize("sg = 14"), -1);
    EXPECT_EQ(fontSize("SG=14"), -1);
    EXPECT_EQ(fontSize("sg=abc"), -1);
    EXPECT_EQ(fontSize("sg=- 4"), -1);
    EXPECT_EQ(fontSize("sg=99999999999"), -1);
    EXPECT_EQ(fontSize("sg=2147483647"), 2147483647);
    EXPECT_EQ(fontSize("sg=2147483648"), -1);
    EXPECT_EQ(fontSize("sg=-2147483648"), -2147483647 - 1);
    // The last line wins, even a bad one over a good one.
    EXPECT_EQ(fontSize("sg=14\nsg=15"), 15);
    EXPECT_EQ(fontSize("sg=14\nsg=abc"), -1);
    EXPECT_EQ(parseSettings("mfav=3").maxFavorites, 3);
    EXPECT_EQ(parseSettings("mfav=x").maxFavorites, -1);
    EXPECT_EQ(parseSettings("prompt=-3").promptIndex, -3);
    EXPECT_EQ(parseSettings("prompt=4\nprompt=x").promptIndex, 0);
}

TEST(SettingsFile, ReadsColoursWithTheirPresenceFlags) {
    const Settings s = parseSettings("prompt_sf=#abcdef\n"
                                     "prompt_bf=#102030\r\nprompt_bf=#FFF\n"
                                     "favoriten_sf=#FF0000\n"
                                     "favoriten_bf=##FF8000\n"
                                     "ai_bf= 0xFF8000\n"
                                     "ai_sf =#123456\n");
    EXPECT_TRUE(s.hasPromptText);
    EXPECT_EQ(s.promptColors.textColor, 0xEFCDABu);
    EXPECT_TRUE(s.hasPromptBackground); // the later invalid line changes nothing
    EXPECT_EQ(s.promptColors.backgroundColor, 0x302010u);
    EXPECT_TRUE(s.hasFavoritesText);
    EXPECT_EQ(s.favoritesColors.textColor, 0x0000FFu);
    EXPECT_FALSE(s.hasFavoritesBackground);
    EXPECT_FALSE(s.hasAiText);
    EXPECT_FALSE(s.hasAiBackground);
    EXPECT_EQ(s.aiColors, ColorPair{});
    EXPECT_NE(serializeSettings(s).find("prompt_sf=#ABCDEF\r\n"), std::string::npos);
}

TEST(SettingsFile, WritesTheTenLinesWithCrLf) {
    Settings s;
    s.fontSize = 13;
    s.maxFavorites = 5;
    EXPECT_EQ(serializeSettings(s), kFirstStartFile);
    // Unset numbers leave their lines out; an unknown AI is written as ChatGPT.
    s.fontSize = 0;
    s.maxFavorites = -1;
    s.ai = 7;
    s.promptIndex = -3;
    EXPECT_EQ(serializeSettings(s),
              "ai=ChatGPT\r\nprompt=-3\r\nprompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\n"
              "favoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#DCDCDC\r\n");
    s.ai = 2;
    EXPECT_EQ(serializeSettings(s).substr(0, 12), "ai=Copilot\r\n");
    // What is written reads back as the same record, flags aside.
    Settings full = parseSettings("ai=Gemini\nprompt=4\nsg=18\nmfav=9\nprompt_sf=#010203\nai_bf=#FEDCBA\n");
    EXPECT_EQ(parseSettings(serializeSettings(full)).promptColors, full.promptColors);
    EXPECT_EQ(serializeSettings(parseSettings(serializeSettings(full))), serializeSettings(full));
    // LF-only and CR LF files read alike.
    std::string lf = kFirstStartFile;
    std::erase(lf, '\r');
    EXPECT_EQ(parseSettings(lf), parseSettings(kFirstStartFile));
}

TEST(SettingsStore, ReadModifyWriteKeepsTheFileToTheTenLines) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    writeBytes(path, "# comment\nsg=20\nunknown=1\nsg=22\nai=Gemini\nprompt=3\nprompt_sf=#FFFFFF\n");
    const LiveSettings live = someLiveValues();

    storeSettings(path, live, [](Settings& s) { s.maxFavorites = 4; });
    EXPECT_EQ(readBytes(path), "ai=Gemini\r\nprompt=3\r\nsg=22\r\nmfav=4\r\nprompt_sf=#010000\r\n"
                               "prompt_bf=#020000\r\nfavoriten_sf=#030000\r\nfavoriten_bf=#040000\r\n"
                               "ai_sf=#050000\r\nai_bf=#060000\r\n");

    // A font size that isn't set takes the live one; the change comes last.
    writeBytes(path, "sg=0\nmfav=2\n");
    storeSettings(path, live, [](Settings& s) { s.ai = 2; });
    Settings stored = loadSettings(path);
    EXPECT_EQ(stored.fontSize, 16);
    EXPECT_EQ(stored.maxFavorites, 2);
    EXPECT_EQ(stored.ai, 2);
    EXPECT_EQ(stored.aiColors, live.aiColors);

    // The selected prompt: the AI selection when there is one, else the stored one.
    saveSelectedPromptIndex(path, live, 5, std::nullopt);
    EXPECT_EQ(loadSettings(path).ai, 2);
    EXPECT_EQ(loadSettings(path).promptIndex, 5);
    saveSelectedPromptIndex(path, live, 0, 1);
    EXPECT_EQ(loadSettings(path).ai, 1);
    EXPECT_EQ(loadSettings(path).promptIndex, 0);
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompt.cf"});
}

TEST(SettingsStore, AFailedSaveLeavesTheOldFile) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    writeBytes(path, "sg=20\n");
    const ReplaceFileStep previous = setReplaceFileStepForTesting(failingReplace);
    EXPECT_FALSE(saveSettings(path, Settings{}));
    storeSettings(path, someLiveValues(), nullptr);
    setReplaceFileStepForTesting(previous);
    EXPECT_EQ(readBytes(path), "sg=20\n");
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompt.cf"});
}

TEST(SettingsStartup, AppliesTheFileAndWritesItBackAtOnce) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    LiveSettings initial; // AppState before any file: black on light grey, 5 favourites

    // First start: nothing there.
    StartupSettings applied = applyStartupSettings(path, initial);
    EXPECT_EQ(applied.fontSize, 13);
    EXPECT_EQ(applied.maxFavorites, 5);
    EXPECT_EQ(applied.promptColors, initial.promptColors);
    EXPECT_EQ(readBytes(path), kFirstStartFile);

    // Colours by presence flag; sizes that are not set become 13 and 5 and are written back.
    writeBytes(path, "ai=Copilot\nprompt=-3\nsg=0\nmfav=-2\nprompt_bf=#FF0000\nai_sf=bad\n");
    initial.aiColors.textColor = 0x00ABCDEF;
    applied = applyStartupSettings(path, initial);
    EXPECT_EQ(applied.fontSize, 13);
    EXPECT_EQ(applied.maxFavorites, 5);
    EXPECT_EQ(applied.promptColors, (ColorPair{0x000000, 0x0000FF}));
    EXPECT_EQ(applied.aiColors.textColor, 0x00ABCDEFu);
    EXPECT_EQ(applied.ai, 2);
    EXPECT_EQ(applied.promptIndex, -3);
    EXPECT_EQ(readBytes(path), "ai=Copilot\r\nprompt=-3\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                               "prompt_bf=#FF0000\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                               "ai_sf=#EFCDAB\r\nai_bf=#DCDCDC\r\n");

    // Values the settings window doesn't offer are taken as they are.
    writeBytes(path, "sg=40\nmfav=3\n");
    applied = applyStartupSettings(path, initial);
    EXPECT_EQ(applied.fontSize, 40);
    EXPECT_EQ(applied.maxFavorites, 3);
}
