#include "base/file_io.h"
#include "settings/settings.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

const std::string kColorLines = "prompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\nfavoriten_sf=#000000\r\n"
                                "favoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#DCDCDC\r\n";
const std::string kFirstStartFile = "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\n" + kColorLines;

} // namespace

TEST(SettingsText, TrimsAndConvertsColoursBothWays) {
    EXPECT_EQ(trimSpaces(" \t a b \r\n"), "a b");
    EXPECT_EQ(trimSpaces(" \t\r\n"), "");
    EXPECT_EQ(trimSpaces("\va\f"), "\va\f"); // only space, tab, CR and LF
    for (const char* text : {"#FF8000", "FF8000", "ff8000", " #ff8000\t"})
        EXPECT_EQ(parseColor(text), ColorRef{0x000080FF}) << text;
    for (const char* text : {"", "#", "#FFF", "##FF8000", "0xFF8000", "#FF80001", "#GG8000", "# FF8000"})
        EXPECT_EQ(parseColor(text), std::nullopt) << text;
    EXPECT_EQ(formatColor(0x000080FF), "#FF8000");
    EXPECT_EQ(formatColor(0), "#000000");
    EXPECT_EQ(formatColor(0x00010203), "#030201");
}

TEST(SettingsFile, ReadsEachKeyAsTheStandardConversionsDo) {
    EXPECT_EQ(parseSettings(""), Settings{});
    TempDir dir;
    EXPECT_EQ(loadSettings(dir.file(u"prompt.cf")), Settings{});
    writeBytes(dir.file(u"prompt.cf"), "sg=14\r\n\x1Amfav=3\r\n"); // text mode stops at Ctrl+Z
    EXPECT_EQ(std::pair(loadSettings(dir.file(u"prompt.cf")).fontSize,
                        loadSettings(dir.file(u"prompt.cf")).maxFavorites),
              std::pair(14, -1));

    // After an earlier line of the same key: an ignored line leaves the earlier value.
    const std::pair<const char*, AiTarget> ai[] = {
        {"ai=Gemini", 1}, {"ai=Google Gemini", 1}, {"ai=Copilot Gemini", 1}, {"ai=chatgpt", 0}, {"ai=", 0},
        {"ai=xyz", 0},    {"  ai=gemini  ", 0},    {"ai = Gemini", 2},       {"AI=Gemini", 2}};
    for (const auto& [line, value] : ai)
        EXPECT_EQ(parseSettings(std::string("ai=Copilot\n") + line).ai, value) << line;

    const std::pair<const char*, std::int32_t> fontSizes[] = {{"  sg=14  \r", 14},
                                                              {"sg= 14", 14},
                                                              {"sg=14px", 14},
                                                              {"sg=+7", 7},
                                                              {"sg=0", 0},
                                                              {"sg=-4", -4},
                                                              {"sg = 14", 9},
                                                              {"SG=14", 9},
                                                              {"sg=abc", -1},
                                                              {"sg=- 4", -1},
                                                              {"sg=2147483648", -1},
                                                              {"sg=2147483647", 2147483647},
                                                              {"sg=-2147483648", -2147483647 - 1}};
    for (const auto& [line, value] : fontSizes)
        EXPECT_EQ(parseSettings(std::string("sg=9\n") + line).fontSize, value) << line;
    EXPECT_EQ(parseSettings("mfav=3").maxFavorites, 3);
    EXPECT_EQ(parseSettings("mfav=x").maxFavorites, -1);
    EXPECT_EQ(parseSettings("prompt=-3").promptIndex, -3);

    // Colours set their flag; a rejected line changes nothing, not even an earlier good one.
    const Settings s =
        parseSettings("prompt_sf=#abcdef\nprompt_bf=#102030\r\nprompt_bf=#FFF\nfavoriten_sf=#FF0000\n"
                      "favoriten_bf=##FF8000\nai_bf= 0xFF8000\nai_sf =#123456\n");
    EXPECT_TRUE(s.hasPromptText && s.hasPromptBackground && s.hasFavoritesText);
    EXPECT_FALSE(s.hasFavoritesBackground || s.hasAiText || s.hasAiBackground);
    EXPECT_EQ(s.promptColors, (ColorPair{0xEFCDAB, 0x302010}));
    EXPECT_EQ(s.favoritesColors.textColor, 0x0000FFu);
    EXPECT_EQ(s.aiColors, ColorPair{});
    EXPECT_NE(serializeSettings(s).find("prompt_sf=#ABCDEF\r\n"), std::string::npos);
}

TEST(SettingsFile, WritesTheTenLinesWithCrLf) {
    Settings s;
    s.fontSize = 13;
    s.maxFavorites = 5;
    EXPECT_EQ(serializeSettings(s), kFirstStartFile);
    std::string lf = kFirstStartFile;
    std::erase(lf, '\r');
    EXPECT_EQ(parseSettings(lf), parseSettings(kFirstStartFile));
    // Unset numbers leave their lines out; an unknown AI is written as ChatGPT.
    s.fontSize = 0;
    s.maxFavorites = -1;
    s.ai = 7;
    s.promptIndex = -3;
    EXPECT_EQ(serializeSettings(s), "ai=ChatGPT\r\nprompt=-3\r\n" + kColorLines);
    s.ai = 2;
    EXPECT_EQ(serializeSettings(s).substr(0, 12), "ai=Copilot\r\n");
}

TEST(SettingsStore, ReadModifyWriteKeepsTheFileToTheTenLines) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    writeBytes(path, "# comment\nsg=20\nunknown=1\nsg=22\nai=Gemini\nprompt=3\nprompt_sf=#FFFFFF\n");
    const LiveSettings live{16, 7, {0x000001, 0x000002}, {0x000003, 0x000004}, {0x000005, 0x000006}};
    storeSettings(path, live, [](Settings& s) { s.maxFavorites = 4; });
    EXPECT_EQ(readBytes(path), "ai=Gemini\r\nprompt=3\r\nsg=22\r\nmfav=4\r\nprompt_sf=#010000\r\n"
                               "prompt_bf=#020000\r\nfavoriten_sf=#030000\r\nfavoriten_bf=#040000\r\n"
                               "ai_sf=#050000\r\nai_bf=#060000\r\n");

    // A size that isn't set takes the live one; the change comes last.
    writeBytes(path, "sg=0\nmfav=2\n");
    storeSettings(path, live, [](Settings& s) { s.ai = 2; });
    const Settings stored = loadSettings(path);
    EXPECT_EQ(std::tuple(stored.fontSize, stored.maxFavorites, stored.ai), std::tuple(16, 2, 2));

    // The selected prompt: the AI selection when there is one, else the stored one.
    saveSelectedPromptIndex(path, live, 5, std::nullopt);
    EXPECT_EQ(std::pair(loadSettings(path).ai, loadSettings(path).promptIndex), std::pair(2, 5));
    saveSelectedPromptIndex(path, live, 0, 1);
    EXPECT_EQ(std::pair(loadSettings(path).ai, loadSettings(path).promptIndex), std::pair(1, 0));
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompt.cf"});

    // A save that fails at the replace leaves the old file and no temporary file.
    const std::string before = readBytes(path);
    {
        FailingReplace failing;
        EXPECT_FALSE(saveSettings(path, Settings{}));
        storeSettings(path, live, nullptr);
    }
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(dir.entries(), std::set<std::u16string>{u"prompt.cf"});
}

TEST(SettingsStartup, AppliesTheFileAndWritesItBackAtOnce) {
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    LiveSettings initial; // AppState before any file: black on light grey, 5 favourites

    LiveSettings applied = applyStartupSettings(path, initial);
    EXPECT_EQ(std::pair(applied.fontSize, applied.maxFavorites), std::pair(13, 5));
    EXPECT_EQ(readBytes(path), kFirstStartFile);

    // Colours by presence flag; sizes that are not set become 13 and 5 and are written back.
    writeBytes(path, "ai=Copilot\nprompt=-3\nsg=0\nmfav=-2\nprompt_bf=#FF0000\nai_sf=bad\n");
    initial.aiColors.textColor = 0x00ABCDEF;
    applied = applyStartupSettings(path, initial);
    EXPECT_EQ(std::pair(applied.fontSize, applied.maxFavorites), std::pair(13, 5));
    EXPECT_EQ(applied.promptColors, (ColorPair{0x000000, 0x0000FF}));
    EXPECT_EQ(applied.aiColors.textColor, 0x00ABCDEFu);
    EXPECT_EQ(readBytes(path), "ai=Copilot\r\nprompt=-3\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\n"
                               "prompt_bf=#FF0000\r\nfavoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\n"
                               "ai_sf=#EFCDAB\r\nai_bf=#DCDCDC\r\n");

    // Values the settings window doesn't offer are taken as they are.
    writeBytes(path, "sg=40\nmfav=3\n");
    applied = applyStartupSettings(path, initial);
    EXPECT_EQ(std::pair(applied.fontSize, applied.maxFavorites), std::pair(40, 3));
}
