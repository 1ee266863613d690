#include "support.h"

#include <gtest/gtest.h>

TEST(Settings, TheFileIsReadAppliedAtStartUpAndStoredWhole) {
    // Colours are HTML hex with red in the low byte; numbers read as the standard conversions do.
    for (const char* text : {"#FF8000", "FF8000", "ff8000", " #ff8000\t\r"})
        EXPECT_EQ(parseColor(text), ColorRef{0x000080FF}) << text;
    for (const char* text : {"", "#FFF", "##FF8000", "0xFF8000", "#FF80001", "#GG8000", "# FF8000"})
        EXPECT_EQ(parseColor(text), std::nullopt) << text;
    EXPECT_EQ(formatColor(0x00ABCDEF), "#EFCDAB");
    using Field = std::int32_t Settings::*;
    const Field ai = &Settings::ai, prompt = &Settings::promptIndex, sg = &Settings::fontSize,
                mfav = &Settings::maxFavorites;
    // clang-format off
    const std::tuple<std::string, Field, std::int32_t> cases[] = {
        {"ai=Gemini", ai, 1}, {"ai=Copilot", ai, 2}, {"ai=Copilot Gemini", ai, 1}, {"ai=Copilot\nai=chatgpt", ai, 0},
        {"ai=Copilot\n  ai=gemini  ", ai, 0}, {"ai=Copilot\nai = Gemini", ai, 2}, {"ai=Copilot\nAI=Gemini", ai, 2},
        {"prompt=-3", prompt, -3}, {"prompt=4\nprompt=x", prompt, 0}, {"sg=9\n  sg=14  \r", sg, 14}, {"sg= 14px", sg, 14},
        {"sg=+7", sg, 7}, {"sg=9\nsg=0", sg, 0}, {"sg=-4", sg, -4}, {"sg=9\nsg = 14", sg, 9}, {"sg=9\nSG=14", sg, 9},
        {"sg=9\nsg=abc", sg, -1}, {"sg=- 4", sg, -1}, {"sg=2147483648", sg, -1}, {"sg=2147483647", sg, 2147483647},
        {"sg=-2147483648", sg, -2147483647 - 1}, {"mfav=3", mfav, 3}, {"mfav=3\r\nmfav=x", mfav, -1},
        {"mfav=3\r\n\x1A\nmfav=4\r\n", mfav, 3}}; // text mode ends at Ctrl+Z
    // clang-format on
    TempDir dir;
    const std::u16string path = dir.file(u"prompt.cf");
    for (const auto& [text, field, value] : cases) {
        writeBytes(path, text);
        EXPECT_EQ(loadSettings(path).*field, value) << text;
    }

    // Start-up applies the file, colours only where their line is valid, and writes it back.
    LiveSettings initial;
    fs::remove(fs::path(path));
    LiveSettings applied = applyStartupSettings(path, initial).applied;
    EXPECT_EQ(std::tuple(applied.fontSize, applied.maxFavorites), std::tuple(13, 5));
    EXPECT_EQ(readBytes(path),
              "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\n"
              "favoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#DCDCDC\r\n");
    writeBytes(path, "ai=Copilot\nprompt=-3\nsg=40\nmfav=-2\nprompt_bf=#FF0000\r\nprompt_bf=#FFF\nai_sf=bad\n"
                     "favoriten_sf=#010203\nfavoriten_bf=#040506\nai_bf =#070809\nprompt_sf=#0A0B0C");
    initial.aiColors = {0x00ABCDEF, 0x00123456};
    applied = applyStartupSettings(path, initial).applied;
    EXPECT_EQ(std::tuple(applied.fontSize, applied.maxFavorites), std::tuple(40, 5));
    EXPECT_EQ(std::tuple(applied.promptColors, applied.favoritesColors, applied.aiColors),
              std::tuple(ColorPair{0x0C0B0A, 0x0000FF}, ColorPair{0x030201, 0x060504}, initial.aiColors));
    EXPECT_EQ(readBytes(path),
              "ai=Copilot\r\nprompt=-3\r\nsg=40\r\nmfav=5\r\nprompt_sf=#0A0B0C\r\nprompt_bf=#FF0000\r\n"
              "favoriten_sf=#010203\r\nfavoriten_bf=#040506\r\nai_sf=#EFCDAB\r\nai_bf=#563412\r\n");

    // Every store loads the file, lays the live values over it and writes it back whole.
    writeBytes(path, "# comment\nsg=20\nunknown=1\nsg=22\nai=Gemini\nprompt=3\nprompt_sf=#FFFFFF\n");
    const LiveSettings live{16, 7, {0x000001, 0x000002}, {0x000003, 0x000004}, {0x000005, 0x000006}};
    EXPECT_TRUE(storeSettings(path, live, [](Settings& s) { s.maxFavorites = 4; }));
    const std::string colours = "prompt_sf=#010000\r\nprompt_bf=#020000\r\nfavoriten_sf=#030000\r\n"
                                "favoriten_bf=#040000\r\nai_sf=#050000\r\nai_bf=#060000\r\n";
    EXPECT_EQ(readBytes(path), "ai=Gemini\r\nprompt=3\r\nsg=22\r\nmfav=4\r\n" + colours);
    writeBytes(path, "sg=0\nmfav=2\n");
    EXPECT_TRUE(storeSettings(path, live, [](Settings& s) { s.ai = 2; }));
    EXPECT_EQ(readBytes(path), "ai=Copilot\r\nprompt=0\r\nsg=16\r\nmfav=2\r\n" + colours);
    EXPECT_TRUE(saveSelectedPromptIndex(path, live, 5, std::nullopt));
    EXPECT_EQ(readBytes(path).substr(0, 22), "ai=Copilot\r\nprompt=5\r\n");
    EXPECT_TRUE(saveSelectedPromptIndex(path, live, 0, 1));
    const std::string before = readBytes(path);
    EXPECT_EQ(before.substr(0, 21), "ai=Gemini\r\nprompt=0\r\n");
    EXPECT_FALSE(
        withFailingReplace([&] { return storeSettings(path, live, nullptr) || saveSettings(path, {}); }));
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(dir.entries(), 1);
}
