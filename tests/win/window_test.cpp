// The real main window in this process: what it shows, writes and paints after each user action,
// and a long random run of the same actions.
#include "tests/win/driver.h"

#include "base/wide_text.h"
#include "library/prompt_file.h"
#include "base/utf8.h"
#include "settings/settings.h"

#include <gdiplus.h>

#include <random>

namespace {

// Windows as "text@x,y,width,height#id", combo box heights left out.
std::string layout(std::vector<HWND> windows) {
    std::string shown;
    for (HWND w : windows) {
        const Box b = box(w);
        const bool combo = w == app().aiCombo || w == app().promptCombo;
        for (int value : {b.x, b.y, b.width, combo ? 0 : b.height})
            shown += (shown.empty() || shown.back() == ' ' ? text(w) + "@" : ",") + std::to_string(value);
        shown += "#" + std::to_string(GetDlgCtrlID(w)) + (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE ? " " : "(hidden) ");
    }
    return shown;
}

} // namespace

TEST_F(Win, FirstStartMenuAndLayout) {
    write({prompt("kein"), prompt("F0", true), prompt("", true), prompt("F2", true), prompt("F3", true), prompt("F4", true), prompt("F5", true)});
    ASSERT_TRUE(start());
    EXPECT_EQ(read(u"prompt.cf"), "ai=ChatGPT\r\nprompt=0\r\nsg=13\r\nmfav=5\r\nprompt_sf=#000000\r\nprompt_bf=#DCDCDC\r\n"
                                  "favoriten_sf=#000000\r\nfavoriten_bf=#DCDCDC\r\nai_sf=#000000\r\nai_bf=#DCDCDC\r\n");
    std::string menu;
    HMENU bar = GetMenu(app().mainWindow);
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
        for (int j = -1; j < GetMenuItemCount(GetSubMenu(bar, i)); ++j) { // the bar's entry, then its items
            MENUITEMINFOW info{};
            info.cbSize = sizeof info, info.fMask = MIIM_FTYPE | MIIM_ID;
            GetMenuItemInfoW(j < 0 ? bar : GetSubMenu(bar, i), j < 0 ? i : j, TRUE, &info);
            wchar_t item[64]{};
            GetMenuStringW(bar, j < 0 ? i : info.wID, item, 64, j < 0 ? MF_BYPOSITION : MF_BYCOMMAND);
            menu += (j < 0 ? "" : std::to_string(info.wID)) + (info.fType & MFT_OWNERDRAW ? "=" : ":") + utf8(item) + " ";
        }
    EXPECT_EQ(menu, ":Datei 4001=Export Prompts 4002=Import Prompts :Prompts 3001=Prompt neu erstellen 3002=Prompt editieren 3003=Prompt löschen :Hilfe 7001=About 7002=Einstellungen ");
    const AppState& s = app();
    std::vector<HWND> all{s.aiHeader, s.aiStrip, s.promptHeader, s.aiCombo, s.promptCombo, s.inputEdit, s.clearButton,
                          s.pasteButton, s.sendButton, s.promptStrip, s.favHeader, s.favStrip, s.browserHint};
    all.insert(all.end(), s.favoriteButtons.begin(), s.favoriteButtons.end());
    EXPECT_EQ(layout(all), "AI@580,10,902,30#0 @580,34,35,804#0 Prompt@10,10,550,30#0 OpenAI ChatGPT@50,48,510,0#600 kein@50,77,510,0#0 @50,130,510,210#0 @528,112,14,14#9001 @546,112,14,14#9002 An KI senden@50,350,510,40#500 @10,32,35,361#0 Favoriten@10,410,550,30#0 @10,434,35,191#0 Für die KI-Ansicht wird die Microsoft Edge WebView2 Runtime benötigt.@620,48,862,796#0 F0@50,448,510,30#8000 (ohne Name)@50,484,510,30#8001 F2@50,520,510,30#8002 F3@50,556,510,30#8003 F4@50,592,510,30#8004 ");
    for (const auto& [n, ai] : {std::pair{800u, "AI@580,10,602,30#0 @580,34,35,204#0 "}, // windows of 1200 x 300
                                {160u, "AI@580,10,10,30#0 @580,34,35,364#0 "}}) {        // and 560 x 460 pixels
        act(Resize, n);
        EXPECT_EQ(layout({s.aiHeader, s.aiStrip}), ai) << n;
    }
    ShowWindow(app().mainWindow, SW_MINIMIZE), pump();
    EXPECT_EQ(layout({s.aiHeader, s.aiStrip}), "AI@580,10,10,30#0 @580,34,35,10#0 ");
}

TEST_F(Win, LibraryActionsShowAndStore) {
    write({prompt("A", false, "a"), prompt("B", true, "b"), prompt("C")});
    write(u"prompt.cf", "prompt=1\r\nai=Copilot\r\n");
    ASSERT_TRUE(start());
    const Step steps[] = {
        {kActs, 0, "[A,B,C]#1 \"b\" | A:tA:a B*:tB:b C:tC: | - | p=1 ai=2"}, {Type, 1, "[A,B,C]#1 \"für B ✓\" | A:tA:a B*:tB:b C:tC: | - | p=1 ai=2"}, {Choose, 2, "[A,B,C]#2 \"für B ✓\" | A:tA:a B*:tB:b C:tC:für B ✓ | - | p=2 ai=2"}, {Clear, 0, "[A,B,C]#2 \"\" | A:tA:a B*:tB:b C:tC: | - | p=2 ai=2"}, {Paste, 2, "[A,B,C]#2 \"Zeile 1\\nZeile 2 <&>\" | A:tA:a B*:tB:b C:tC:Zeile 1\\nZeile 2 <&> | - | p=2 ai=2"}, {Paste, 4, "[A,B,C]#2 \"Zeile 1\\nZeile 2 <&>\" | A:tA:a B*:tB:b C:tC:Zeile 1\\nZeile 2 <&> | - | p=2 ai=2"},
        {Type, 3, "[A,B,C]#2 \"\"x\" & 'y' 😀\" | A:tA:a B*:tB:b C:tC:Zeile 1\\nZeile 2 <&> | - | p=2 ai=2"}, {Send, 0, "[A,B,C]#2 \"\"x\" & 'y' 😀\" | A:tA:a B*:tB:b C:tC:\"x\" & 'y' 😀 | - | p=2 ai=2"}, {Type, 1, "[A,B,C]#2 \"für B ✓\" | A:tA:a B*:tB:b C:tC:\"x\" & 'y' 😀 | - | p=2 ai=2"}, {Favourite, 0, "[A,B,C]#2 \"für B ✓\" | A:tA:a B*:tB:b C:tC:\"x\" & 'y' 😀 | - | p=2 ai=2"}, {Choose, 1, "[A,B,C]#1 \"für B ✓\" | A:tA:a B*:tB:für B ✓ C:tC:\"x\" & 'y' 😀 | - | p=1 ai=2"}, {Delete, 1, "[A,B,C]#1 \"für B ✓\" | A:tA:a B*:tB:für B ✓ C:tC:\"x\" & 'y' 😀 | - | p=1 ai=2 | Prompt löschen: Möchten Sie den Prompt \"B\" wirklich löschen? 36"}, {Delete, 0, "[A,C]#0 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 | - | p=0 ai=2 | Prompt löschen: Möchten Sie den Prompt \"B\" wirklich löschen? 36"},
        {Export, 0, "[A,C]#0 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 | - | p=0 ai=2 | XML Files|*.xml|All Files|*.*| export.xml .xml 2058"}, {Export, 1, "[A,C]#0 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 | - | p=0 ai=2 | XML Files|*.xml|All Files|*.*| export.xml .xml 2058 | Export: Exportiert! 0"}, {Export, 2, "[A,C]#0 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 | - | p=0 ai=2 | XML Files|*.xml|All Files|*.*| export.xml .xml 2058 | Export: Die Datei \"~\\fehlt\\export.xml\" konnte nicht geschrieben werden. 16"}, {New, 0, "[A,C]#0 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 | - | p=0 ai=2"}, {New, 0, "[A,C]#0 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 | - | p=0 ai=2"}, {Save, 1, "[A,C,P1]#2 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 P1*:für B ✓: | - | p=0 ai=2"},
        {Edit, 0, "[A,C,P1]#2 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 P1*:für B ✓: | - | p=0 ai=2"}, {Save, 2, "[A,C,P2]#2 \"a\" | A:tA:a C:tC:\"x\" & 'y' 😀 P2:Zeile 1\\nZeile 2 <&>: | - | p=0 ai=2"}, {Choose, 1, "[A,C,P2]#1 \"a\" | A:tA:a C:tC:a P2:Zeile 1\\nZeile 2 <&>: | - | p=1 ai=2"}, {Edit, 0, "[A,C,P2]#1 \"a\" | A:tA:a C:tC:a P2:Zeile 1\\nZeile 2 <&>: | - | p=1 ai=2"}, {Choose, 0, "[A,C,P2]#0 \"a\" | A:tA:a C:tC:a P2:Zeile 1\\nZeile 2 <&>: | - | p=0 ai=2"}, {Delete, 0, "[C,P2]#0 \"a\" | C:tC:a P2:Zeile 1\\nZeile 2 <&>: | - | p=0 ai=2 | Prompt löschen: Möchten Sie den Prompt \"A\" wirklich löschen? 36"},
        {Save, 0, "[C,P2]#0 \"a\" | C:tC:a P2:Zeile 1\\nZeile 2 <&>: | - | p=0 ai=2"}, {Edit, 0, "[C,P2]#0 \"a\" | C:tC:a P2:Zeile 1\\nZeile 2 <&>: | - | p=0 ai=2"}, {Delete, 0, "[P2]#0 \"\" | P2:Zeile 1\\nZeile 2 <&>: | - | p=0 ai=2 | Prompt löschen: Möchten Sie den Prompt \"C\" wirklich löschen? 36"}, {Save, 3, "[P2,P3]#1 \"\" | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀: | - | p=0 ai=2"}, {Type, 2, "[P2,P3]#1 \"Zeile 1\\nZeile 2 <&>\" | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀: | - | p=0 ai=2"}, {Restart, 0, "[P2,P3]#1 \"Zeile 1\\nZeile 2 <&>\" | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀:Zeile 1\\nZeile 2 <&> | - | p=1 ai=2"},
        {Import, 0, "[P2,P3]#1 \"Zeile 1\\nZeile 2 <&>\" | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀:Zeile 1\\nZeile 2 <&> | - | p=1 ai=2 | XML|*.xml|  . 4104"}, {Edit, 0, "[P2,P3]#1 \"Zeile 1\\nZeile 2 <&>\" | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀:Zeile 1\\nZeile 2 <&> | - | p=1 ai=2"}, {Import, 5, "[I0,I1]#0 \"alt\" | I0:tI0:alt I1*:tI1: | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀:Zeile 1\\nZeile 2 <&> | p=0 ai=2 | XML|*.xml|  . 4104"}, {Save, 0, "[I0,I1,P3]#2 \"alt\" | I0:tI0:alt I1*:tI1: P3*:\"x\" & 'y' 😀: | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀:Zeile 1\\nZeile 2 <&> | p=0 ai=2"}, {Import, 3, "[I0,I1,P3]#2 \"alt\" | I0:tI0:alt I1*:tI1: P3*:\"x\" & 'y' 😀: | P2:Zeile 1\\nZeile 2 <&>: P3*:\"x\" & 'y' 😀:Zeile 1\\nZeile 2 <&> | p=0 ai=2 | XML|*.xml|  . 4104"}, {Import, 2, "[]#-1 \"\" | | I0:tI0:alt I1*:tI1: P3*:\"x\" & 'y' 😀: | p=0 ai=2 | XML|*.xml|  . 4104"},
        {Delete, 0, "[]#-1 \"\" | | I0:tI0:alt I1*:tI1: P3*:\"x\" & 'y' 😀: | p=0 ai=2"}, {Clear, 0, "[]#-1 \"\" | | I0:tI0:alt I1*:tI1: P3*:\"x\" & 'y' 😀: | p=0 ai=2"}, {Send, 0, "[]#-1 \"\" | | I0:tI0:alt I1*:tI1: P3*:\"x\" & 'y' 😀: | p=0 ai=2"},
    };
    for (int i = 0; const auto& step : steps) {
        act(step.act, step.n);
        EXPECT_EQ(state(), step.expected) << "step " << i++;
    }
}

TEST_F(Win, SettingsReachEveryWindowAndTheFile) {
    write({prompt("F0", true), prompt("F1", true), prompt("F2", true), prompt("F3", true), prompt("F4", true), prompt("F5", true), prompt("F6", true)});
    write(u"prompt.cf", "ai=Gemini\r\nprompt=4\r\n");
    ASSERT_TRUE(start());
    const AppState& s = app();
    for (int id : {7001, 7002, 3001})
        command(id);
    const std::size_t windows = windowCount();
    for (int id : {7001, 7002, 3001}) // brings the open one forward
        command(id);
    EXPECT_EQ(windowCount(), windows);
    EXPECT_EQ(layout({s.aboutWindow, s.settingsWindow, s.editorWindow}), "About@296,258,600,300#0 Einstellungen@316,278,320,540#0 Neu@196,158,600,600#0 ");
    const Step steps[] = {{kActs, 0, "edit, clear at 130, 112; 5 buttons; fonts 0 13 | ai=Gemini\\nprompt=4\\nsg=13\\nmfav=5\\nprompt_sf=#000000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#DCDCDC\\n"}, {Font, 9, "edit, clear at 136, 118; 5 buttons; fonts 0 18 | ai=Gemini\\nprompt=4\\nsg=18\\nmfav=5\\nprompt_sf=#000000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#DCDCDC\\n"}, {Count, 6, "edit, clear at 136, 118; 7 buttons; fonts 0 18 | ai=Gemini\\nprompt=4\\nsg=18\\nmfav=20\\nprompt_sf=#000000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#DCDCDC\\n"}, {Font, 0, "edit, clear at 136, 107; 7 buttons; fonts 0 9 | ai=Gemini\\nprompt=4\\nsg=9\\nmfav=20\\nprompt_sf=#000000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#DCDCDC\\n"},
                 {Colour, 11, "edit, clear at 136, 107; 7 buttons; fonts 0 9 | ai=Gemini\\nprompt=4\\nsg=9\\nmfav=20\\nprompt_sf=#000000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#102030\\n"}, {Colour, 0, "edit, clear at 136, 107; 7 buttons; fonts 0 9 | ai=Gemini\\nprompt=4\\nsg=9\\nmfav=20\\nprompt_sf=#FF0000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#102030\\n"}, {Colour, 13, "edit, clear at 136, 107; 7 buttons; fonts 0 9 | ai=Gemini\\nprompt=4\\nsg=9\\nmfav=20\\nprompt_sf=#FF0000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#DCDCDC\\nai_sf=#000000\\nai_bf=#102030\\n"}, {Colour, 27, "edit, clear at 136, 107; 7 buttons; fonts 0 9 | ai=Gemini\\nprompt=4\\nsg=9\\nmfav=20\\nprompt_sf=#FF0000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#C8E6C8\\nai_sf=#000000\\nai_bf=#102030\\n"}, {Colour, 21, "edit, clear at 136, 107; 7 buttons; fonts 0 9 | ai=Gemini\\nprompt=4\\nsg=9\\nmfav=20\\nprompt_sf=#FF0000\\nprompt_bf=#DCDCDC\\nfavoriten_sf=#000000\\nfavoriten_bf=#C8E6C8\\nai_sf=#000000\\nai_bf=#102030\\n"}};
    for (const auto& step : steps) {
        act(step.act, step.n);
        std::set<int> heights; // of every control's font, 0 for none
        for (HWND owner : {s.mainWindow, s.aboutWindow, s.settingsWindow, s.editorWindow})
            for (HWND c = GetWindow(owner, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (c == s.browserHint) continue; // shown as the program starts, without a view
                LOGFONTW font{};
                GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
                heights.insert(-font.lfHeight);
            }
        std::string shown = "edit, clear at " + std::to_string(box(s.inputEdit).y) + ", " + std::to_string(box(s.clearButton).y) +
                            "; " + std::to_string(s.favoriteButtons.size()) + " buttons; fonts";
        for (int h : heights)
            shown.append(" ").append(std::to_string(h));
        EXPECT_EQ(flat(shown + " | " + read(u"prompt.cf")), step.expected);
        EXPECT_EQ(box(s.inputEdit).y + box(s.inputEdit).height, 340);
        EXPECT_EQ(windowCount(), windows);
    }
}

TEST_F(Win, PaintedAreasAndScreenshot) {
    write({prompt("Zusammenfassen", true, "Bitte diesen Absatz kürzen."), prompt("Übersetzen", true), prompt("Code prüfen"), prompt("", true)});
    write(u"prompt.cf", "prompt_sf=#FFFFFF\r\nprompt_bf=#102030\r\nfavoriten_bf=#C8E6C8\r\nai_bf=#C8DCF0\r\n");
    ASSERT_TRUE(start(SW_MAXIMIZE));
    RedrawWindow(app().mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame; // the window's own surface, frame and menu bar included
    GetWindowRect(app().mainWindow, &frame);
    HDC screen = GetWindowDC(app().mainWindow), shot = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, frame.right - frame.left, frame.bottom - frame.top);
    SelectObject(shot, bitmap);
    BitBlt(shot, 0, 0, frame.right - frame.left, frame.bottom - frame.top, screen, 0, 0, SRCCOPY);
    const AppState& s = app();
    for (const auto& [window, colour] : {std::pair{s.promptHeader, RGB(0x10, 0x20, 0x30)}, {s.promptStrip, RGB(0x10, 0x20, 0x30)},
                                         {s.favHeader, RGB(0xC8, 0xE6, 0xC8)}, {s.favStrip, RGB(0xC8, 0xE6, 0xC8)},
                                         {s.aiHeader, RGB(0xC8, 0xDC, 0xF0)}, {s.aiStrip, RGB(0xC8, 0xDC, 0xF0)}}) {
        RECT r;
        GetWindowRect(window, &r);
        OffsetRect(&r, -frame.left, -frame.top);
        EXPECT_EQ(GetPixel(shot, r.right - 3, (r.top + r.bottom) / 2), colour);
        bool caption = false; // in the text colour, white in the prompt header only
        for (int x = r.left + 10; x < std::min(r.left + 100, r.right - 3); ++x)
            caption |= GetPixel(shot, x, (r.top + r.bottom) / 2) == RGB(255, 255, 255);
        EXPECT_EQ(caption, window == s.promptHeader);
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    const std::string folder = "Z:" + std::string(getenv("VBX_BINARY_DIR") ? getenv("VBX_BINARY_DIR") : "/tmp") + "/screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_EQ(Gdiplus::Bitmap(bitmap, nullptr).Save(wide(fromUtf8(folder + "/main_window.png")), &png, nullptr), Gdiplus::Ok);
    ReleaseDC(app().mainWindow, screen), DeleteDC(shot), DeleteObject(bitmap);
}

// Random actions from a fixed seed (VBX_SEED picks another, 0 a random one); both files must hold what the program holds after each
// one, and the GDI objects and windows must not grow from one checkpoint to the next.
TEST_F(Win, RandomActions) {
    unsigned seed = getenv("VBX_SEED") ? atoi(getenv("VBX_SEED")) : 7;
    if (seed == 0) seed = std::random_device{}();
    const int length = getenv("VBX_STEPS") ? atoi(getenv("VBX_STEPS")) : 600;
    printf("seed %u (VBX_SEED repeats the run, VBX_STEPS sets its length)\n", seed);
    std::mt19937 random(seed);
    write(PromptLibrary(12, prompt("P", true, "alt")));
    ASSERT_TRUE(start(SW_SHOWNORMAL));
    std::size_t objects = 0, count = 0;
    for (int step = 1; step <= length && !HasFailure(); ++step) {
        const Act action = step % 500 == 0 ? Restart : Act(random() % Restart);
        act(action, random());
        RedrawWindow(app().mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        const AppState& s = app();
        PromptLibrary stored; // both files as the program holds them
        EXPECT_TRUE(read(u"prompts.xml") == "-" || (loadPromptFile(stored, path(u"prompts.xml")) && stored == s.library))
            << "step " << step << ", action " << action;
        Settings expected = parseSettings(read(u"prompt.cf"));
        expected.ai = SendMessageW(s.aiCombo, CB_GETCURSEL, 0, 0);
        std::tie(expected.fontSize, expected.maxFavorites) = std::tie(s.live.fontSize, s.live.maxFavorites);
        std::tie(expected.promptColors, expected.favoritesColors, expected.aiColors) = std::tie(s.live.promptColors, s.live.favoritesColors, s.live.aiColors);
        EXPECT_EQ(read(u"prompt.cf"), serializeSettings(expected)) << "step " << step << ", action " << action;
        if (step % 100) continue;
        act(Shut, 0), act(Shut, 1), act(Shut, 2);
        if (!objects) std::tie(objects, count) = std::tuple(gdiCount(), windowCount());
        EXPECT_LE(gdiCount(), objects) << "GDI objects and DCs at step " << step;
        EXPECT_LE(windowCount(), count) << "windows at step " << step;
    }
}
