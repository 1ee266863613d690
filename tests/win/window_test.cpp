// The real main window in this process: what it shows, writes and paints after each user action,
// and a long random run of the same actions.
#include "tests/win/driver.h"

#include <random>
#include <set>

namespace {

// Windows as "text@x,y,width,height#id", combo box heights left out.
std::string layout(std::vector<HWND> windows) {
    std::string shown;
    for (HWND w : windows) {
        const Box b = box(w);
        const bool combo = w == mainChildren().aiCombo || w == mainChildren().promptCombo;
        shown += text(w) + "@" + std::to_string(b.x) + "," + std::to_string(b.y) + "," +
                 std::to_string(b.width) + "," + std::to_string(combo ? 0 : b.height) + "#" +
                 std::to_string(GetDlgCtrlID(w)) +
                 (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE ? " " : "(hidden) ");
    }
    return shown;
}

} // namespace

TEST_F(Win, FirstStartMenuAndLayout) {
    write({prompt("kein"), prompt("F0", true), prompt("", true), prompt("F2", true), prompt("F3", true),
           prompt("F4", true), prompt("F5", true)});
    ASSERT_TRUE(start());
    std::string menu; // the bar's entries, then their items: id, "=" when the program draws it, text
    HMENU bar = GetMenu(app().mainWindow);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        wchar_t item[64]{};
        GetMenuStringW(bar, i, item, 64, MF_BYPOSITION);
        menu += ":" + utf8(item) + " ";
        for (int j = 0; j < GetMenuItemCount(GetSubMenu(bar, i)); ++j) {
            const UINT id = GetMenuItemID(GetSubMenu(bar, i), j);
            GetMenuStringW(bar, id, item, 64, MF_BYCOMMAND);
            menu += std::to_string(id) + (GetMenuState(bar, id, MF_BYCOMMAND) & MF_OWNERDRAW ? "=" : ":") +
                    utf8(item) + " ";
        }
    }
    EXPECT_EQ(menu, ":Datei 4001=Export Prompts 4002=Import Prompts 4003=Prompts hinzufügen… :Prompts "
                    "3001=Prompt neu erstellen "
                    "3002=Prompt editieren 3003=Prompt löschen 3004=Prompt suchen… :Hilfe 7001=About "
                    "7002=Einstellungen ");
    const MainChildren& c = mainChildren();
    std::vector<HWND> all{c.aiHeader,  c.aiStrip,     c.promptHeader, c.aiCombo,    c.promptCombo,
                          c.inputEdit, c.clearButton, c.pasteButton,  c.sendButton, c.promptStrip,
                          c.favHeader, c.favStrip,    browserHint()};
    all.insert(all.end(), favoriteButtons().begin(), favoriteButtons().end());
    EXPECT_EQ(layout(all),
              "AI@580,10,902,30#0 @580,34,35,804#0 Prompt@10,10,550,30#0 OpenAI ChatGPT@50,48,510,0#600 "
              "kein@50,77,510,0#0 @50,130,510,210#0 @528,112,14,14#9001 @546,112,14,14#9002 "
              "An KI senden@50,350,510,40#500 @10,32,35,361#0 Favoriten@10,410,550,30#0 "
              "@10,434,35,191#0 Für die KI-Ansicht wird die Datei WebView2Loader.dll neben Verbarix.exe "
              "benötigt.@620,48,862,796#0 F0@50,448,510,30#8000 (ohne Name)@50,484,510,30#8001 "
              "F2@50,520,510,30#8002 F3@50,556,510,30#8003 F4@50,592,510,30#8004 ");
    // Windows of 1200 x 300 and 560 x 460 pixels, then minimized.
    act("Resize", 800);
    EXPECT_EQ(layout({c.aiHeader, c.aiStrip}), "AI@580,10,602,30#0 @580,34,35,204#0 ");
    act("Resize", 160);
    EXPECT_EQ(layout({c.aiHeader, c.aiStrip}), "AI@580,10,10,30#0 @580,34,35,364#0 ");
    ShowWindow(app().mainWindow, SW_MINIMIZE);
    pump();
    EXPECT_EQ(layout({c.aiHeader, c.aiStrip}), "AI@580,10,10,30#0 @580,34,35,10#0 ");
}

// $1 to $3 stand for the typed texts (see Win::changed).
TEST_F(Win, LibraryActionsShowAndStore) {
    write({prompt("A", false, "a"), prompt("B", true, "b"), prompt("C")});
    write(u"prompt.cf", "prompt=1\r\nai=Copilot\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(state(), "list=[A,B,C] sel=1 in=\"b\" xml=[A:a B*:b C] bak=[] p=1 ai=2");
    // clang-format off
    play({
        {"Type", 1, "in=\"$1\""}, {"Choose", 2, "sel=2 xml=[A:a B*:b C:$1] p=2"}, {"Clear", 0, "in=\"\" xml=[A:a B*:b C]"},
        {"Paste", 2, "in=\"$2\" xml=[A:a B*:b C:$2]"}, {"Paste", 4, ""}, {"Type", 3, "in=\"$3\""}, {"Send", 0, "xml=[A:a B*:b C:$3]"},
        {"Type", 1, "in=\"$1\""}, {"Favourite", 0, ""}, {"Choose", 1, "sel=1 xml=[A:a B*:$1 C:$3] p=1"},
        {"Delete", 1, "| Prompt löschen: Möchten Sie den Prompt \"B\" wirklich löschen? 36"},
        {"Delete", 0, "list=[A,C] sel=0 in=\"a\" xml=[A:a C:$3] p=0 | Prompt löschen: Möchten Sie den Prompt \"B\" wirklich löschen? 36"},
        {"Export", 0, "| XML Files|*.xml|All Files|*.*| export.xml .xml 2058"},
        {"Export", 1, "| XML Files|*.xml|All Files|*.*| export.xml .xml 2058 | Export: Exportiert! 0"},
        {"Export", 2, "| XML Files|*.xml|All Files|*.*| export.xml .xml 2058 | Export: Die Datei \"~\\fehlt\\export.xml\" konnte nicht geschrieben werden. 16"},
        {"New", 0, ""}, {"New", 0, ""}, {"Save", 0, "| Prompt speichern: Bitte geben Sie einen Namen oder einen Text ein. 48 (foreign owner)"}, {"Save", 1, "list=[A,C,P1] sel=2 xml=[A:a C:$3 P1*=$1]"}, {"Edit", 0, ""},
        {"Save", 2, "list=[A,C,P2] xml=[A:a C:$3 P2=$2]"}, {"Choose", 1, "sel=1 xml=[A:a C:a P2=$2] p=1"}, {"Edit", 0, ""},
        {"Choose", 0, "sel=0 p=0"}, {"Delete", 0, "list=[C,P2] xml=[C:a P2=$2] | Prompt löschen: Möchten Sie den Prompt \"A\" wirklich löschen? 36"},
        {"Save", 0, ""}, {"Edit", 0, ""},
        {"Delete", 0, "list=[P2] in=\"\" xml=[P2=$2] | Prompt löschen: Möchten Sie den Prompt \"C\" wirklich löschen? 36"},
        {"Save", 3, "list=[P2,P3] sel=1 xml=[P2=$2 P3*=$3]"}, {"Type", 2, "in=\"$2\""}, {"Restart", 0, "xml=[P2=$2 P3*=$3:$2] p=1"},
        {"Import", 0, "| XML|*.xml|  . 4104"}, {"Edit", 0, ""},
        {"Import", 5, "list=[I0,I1] sel=0 in=\"alt\" xml=[I0:alt I1*] bak=[2] p=0 " + importAsked("Die 2 Prompts der Bibliothek durch 2 Prompts")},
        {"Save", 0, "list=[I0,I1,P3] sel=2 xml=[I0:alt I1* P3*=$3]"}, {"Import", 3, "| XML|*.xml|  . 4104"},
        {"Import", 2, "list=[] sel=-1 in=\"\" xml=[] bak=[2 3] " + importAsked("Die 3 Prompts der Bibliothek durch 0 Prompts")}, {"Delete", 0, ""}, {"Clear", 0, ""},
        {"Send", 0, ""},
    }, [&] { return state(); });
    // clang-format on
}

// The search window shows the core's order, follows a deletion while open and picks through the
// prompt list (so the typed text goes to the prompt picked); Ctrl+Enter is in the browser tests.
TEST_F(Win, SearchWindowPicksThroughThePromptList) {
    write({prompt("Zusammenfassen"),
           {u"Code prüfen", u"Prüfe und übersetze", false, u""},
           prompt("Mail übersetzen"),
           prompt("Übersetzen")});
    ASSERT_TRUE(start());
    state();
    // clang-format off
    play({
        {"Search", 1, "search=[Übersetzen,Mail übersetzen,Code prüfen] 3 von 4 Prompts"}, {"Type", 1, "in=\"$1\""},
        {"Pick", 2, "sel=2 xml=[Zusammenfassen Code prüfen=Prüfe und übersetze Mail übersetzen:$1 Übersetzen] p=2 search="},
        {"Search", 0, "search=[Zusammenfassen,Code prüfen,Mail übersetzen,Übersetzen] 4 von 4 Prompts"},
        {"Delete", 0, "list=[Zusammenfassen,Code prüfen,Übersetzen] sel=0 in=\"\" xml=[Zusammenfassen Code prüfen=Prüfe und übersetze Übersetzen] p=0 "
                      "search=[Zusammenfassen,Code prüfen,Übersetzen] 3 von 3 Prompts | Prompt löschen: Möchten Sie den Prompt \"Mail übersetzen\" wirklich löschen? 36"},
        {"Search", 1, "search=[Übersetzen,Code prüfen] 2 von 3 Prompts"}, {"Pick", 3, "sel=2 p=2 search="},
        {"Search", 3, "search=[] 0 von 3 Prompts"}, {"Pick", 0, ""}, {"Pick", 4, "search="},
    }, [&] { return state(); });
    // clang-format on
}

// Ctrl+V takes a long text whole, into the input box as into the editor's fields.
TEST_F(Win, LongTextsArePastedWhole) {
    ASSERT_TRUE(start());
    command(3001);
    HWND editor = app().editorWindow, name = FindWindowExW(editor, nullptr, L"Edit", nullptr);
    std::u16string lines; // short lines: Wine wraps a long paragraph slowly
    while (lines.size() < 40000)
        lines += u"Eine Zeile mit Wörtern\r\n";
    for (const auto& [field, text] : {std::pair{mainChildren().inputEdit, lines},
                                      {name, std::u16string(40000, u'x')},
                                      {FindWindowExW(editor, name, L"Edit", nullptr), lines}}) {
        withClipboard(text, [&] { SendMessageW(field, WM_PASTE, 0, 0); });
        EXPECT_EQ(GetWindowTextLengthW(field), static_cast<int>(text.size()));
    }
}

// Besides state(): the favourite buttons and their area, every control's font height (0 for none),
// the input box's and clear button's tops, the settings window's lists, prompt.cf; and, always,
// which painted headers and strips (prompt, favourites, AI) and whether the hint were drawn anew.
std::string views(Win& test) {
    const MainChildren& c = mainChildren();
    const AppState& s = app();
    std::string buttons, fonts, painted;
    for (HWND button : favoriteButtons())
        buttons += (buttons.empty() ? "" : ",") + text(button);
    std::set<int> heights;
    for (HWND owner : {s.mainWindow, s.aboutWindow, s.settingsWindow, s.editorWindow, s.searchWindow})
        for (HWND child = owner ? GetWindow(owner, GW_CHILD) : nullptr; child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof font, &font);
            heights.insert(-font.lfHeight);
        }
    for (int h : heights)
        fonts += (fonts.empty() ? "" : " ") + std::to_string(h);
    const std::set<HWND> drawn = takeInvalidated();
    for (HWND w :
         {c.promptHeader, c.promptStrip, c.favHeader, c.favStrip, c.aiHeader, c.aiStrip, browserHint()})
        painted += drawn.count(w) ? "1" : "0";
    std::vector<std::pair<std::string, std::string>> parts{
        {"buttons", "[" + buttons + "]"},
        {"favourites", IsWindowVisible(c.favHeader) ? "@" + std::to_string(box(c.favHeader).y) : "hidden"},
        {"strip", IsWindowVisible(c.favStrip) ? std::to_string(box(c.favStrip).height) : "hidden"},
        {"fonts", fonts},
        {"edit", std::to_string(box(c.inputEdit).y) + "," + std::to_string(box(c.clearButton).y)},
        {"lists", text(GetDlgItem(s.settingsWindow, 7100)) + "," + text(GetDlgItem(s.settingsWindow, 7200))}};
    const std::string file = test.read(u"prompt.cf"); // its lines but ai and prompt, which state() has
    for (std::size_t at = file.find("sg="), end; (end = file.find("\r\n", at)) != std::string::npos;
         at = end + 2)
        parts.emplace_back(file.substr(at, file.find('=', at) - at),
                           file.substr(file.find('=', at) + 1, end - file.find('=', at) - 1));
    const std::string shown = test.state();
    return shown + " / " + test.changed(parts) + " painted=" + painted;
}

// After every kind of change, every view is in order. The start holds edge values: the stored
// index of the last prompt, which holds only an input text, a font size beyond the settings
// window's list and a favourite count not in it.
TEST_F(Win, EveryViewFollowsEveryChange) {
    write({prompt("A", false, "a"), prompt("B", true), prompt("C", true), {u"", u"", false, u"nur"}});
    write(u"prompt.cf", "prompt=3\r\nsg=30\r\nmfav=2\r\n");
    ASSERT_TRUE(start(SW_SHOWNORMAL));
    for (int id : {7001, 7002, 3001, 3004})
        command(id);
    EXPECT_EQ(layout({app().aboutWindow, app().settingsWindow, app().editorWindow, app().searchWindow}),
              "About@296,258,600,300#0 Einstellungen@316,278,320,540#0 Neu@196,158,600,600#0 "
              "Prompt suchen@236,118,520,600#0 ");
    EXPECT_EQ(views(*this),
              "list=[A,B,C,] sel=3 in=\"nur\" xml=[A:a B* C* =:nur] bak=[] p=3 ai=0 search=[A,B,C,(ohne "
              "Name)] 4 von 4 Prompts / buttons=[B,C] favourites=@410 strip=83 fonts=0 30 edit=150,132 "
              "lists=18 px,5 sg=30 mfav=2 prompt_sf=#000000 prompt_bf=#DCDCDC favoriten_sf=#000000 "
              "favoriten_bf=#DCDCDC ai_sf=#000000 ai_bf=#DCDCDC painted=1111111");
    const std::string
        ansi = "\n\nDie Datei ist nicht in UTF-8 geschrieben und wurde als Windows-1252 gelesen.",
        add = " | Prompts (*.xml, *.json, *.csv)|*.xml;*.json;*.csv|Verbarix-Bibliothek (*.xml)|*.xml|"
              "JSON (*.json)|*.json|CSV (*.csv)|*.csv|  . 4104 | Prompts hinzufügen: ";
    // clang-format off
    play({
        {"Save", 1, "list=[A,B,C,,P1] sel=4 xml=[A:a B* C* =:nur P1*=$1] search=[A,B,C,(ohne Name),P1] 5 von 5 Prompts /  painted=1111110"},
        {"Count", 0, " / buttons=[B,C,P1] strip=119 mfav=5 painted=1111110"},
        {"Edit", 0, " /  painted=0000000"},
        {"Save", 2, "list=[A,B,C,,P2] xml=[A:a B* C* =:nur P2=$2] search=[A,B,C,(ohne Name),P2] 5 von 5 Prompts / buttons=[B,C] strip=83 painted=1111110"},
        {"Delete", 0, "list=[A,B,C,] sel=0 in=\"a\" xml=[A:a B* C* =:nur] p=0 search=[A,B,C,(ohne Name)] 4 von 4 Prompts | Prompt löschen: Möchten Sie den Prompt \"P2\" wirklich löschen? 36 /  painted=1111110"},
        {"Add", 2, "list=[A,B,C,,J] xml=[A:a B* C* =:nur J*] search=[A,B,C,(ohne Name),J] 5 von 5 Prompts" + add + "2 Prompts aus \"add.json\" hinzufügen? 1 davon gibt es schon und wird übersprungen. 36 / buttons=[B,C,J] strip=119 painted=1111110"},
        {"Add", 2, add.substr(1) + "Alle 2 Prompts aus \"add.json\" gibt es schon. 64 /  painted=0000000"},
        {"Add", 3, add.substr(1) + "Die Datei \"add.xml\" kann nicht gelesen werden (Zeile 2):\nan item begins here and never ends\n\nEs wurde nichts hinzugefügt. 16 /  painted=0000000"},
        {"Font", 9, " / fonts=0 18 edit=150,118 sg=18 painted=1111110"},
        {"Colour", 11, " / ai_bf=#102030 painted=1111110"},
        {"Colour", 30, " /  painted=1111110"},
        {"Import", 5, "list=[I0,I1] in=\"alt\" xml=[I0:alt I1*] bak=[5] search=[I0,I1] 2 von 2 Prompts " + importAsked("Die 5 Prompts der Bibliothek durch 2 Prompts") + " / buttons=[I1] strip=47 painted=1111110"},
        {"Import", 2, "list=[] sel=-1 in=\"\" xml=[] bak=[5 2] search=[] 0 von 0 Prompts " + importAsked("Die 2 Prompts der Bibliothek durch 0 Prompts") + " / buttons=[] favourites=hidden strip=hidden painted=1111110"},
        {"Add", 5, add.substr(1) + "2 Prompts aus \"add.csv\" hinzufügen?" + ansi + " 36 /  painted=0000000"},
        {"Add", 1, "list=[I0,Bär] sel=0 xml=[I0 Bär*=t] search=[I0,Bär] 2 von 2 Prompts" + add + "2 Prompts aus \"add.csv\" hinzufügen?" + ansi + " 36 / buttons=[Bär] favourites=@410 strip=47 painted=1111110"},
        {"Resize", 500, " /  painted=0100111"},
    }, [&] { return views(*this); });
    // clang-format on
}

TEST_F(Win, PaintedAreasShowTheirColours) {
    write({prompt("Zusammenfassen", true, "Bitte diesen Absatz kürzen."), prompt("Übersetzen", true),
           prompt("Code prüfen"), prompt("", true)});
    write(u"prompt.cf",
          "prompt_sf=#FFFFFF\r\nprompt_bf=#102030\r\nfavoriten_bf=#C8E6C8\r\nai_bf=#C8DCF0\r\n");
    ASSERT_TRUE(start(SW_MAXIMIZE));
    RedrawWindow(app().mainWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame; // the window's own surface, frame and menu bar included
    GetWindowRect(app().mainWindow, &frame);
    HDC shot = GetWindowDC(app().mainWindow);
    for (const auto& [header, strip, colour] :
         {std::tuple{mainChildren().promptHeader, mainChildren().promptStrip, RGB(0x10, 0x20, 0x30)},
          {mainChildren().favHeader, mainChildren().favStrip, RGB(0xC8, 0xE6, 0xC8)},
          {mainChildren().aiHeader, mainChildren().aiStrip, RGB(0xC8, 0xDC, 0xF0)}})
        for (HWND window : {header, strip}) {
            RECT r;
            GetWindowRect(window, &r);
            OffsetRect(&r, -frame.left, -frame.top);
            EXPECT_EQ(GetPixel(shot, r.right - 3, (r.top + r.bottom) / 2), colour);
            bool caption = false; // in the text colour, white in the prompt header only
            for (int x = r.left + 10; x < std::min(r.left + 100, r.right - 3); ++x)
                caption |= GetPixel(shot, x, (r.top + r.bottom) / 2) == RGB(255, 255, 255);
            EXPECT_EQ(caption, window == mainChildren().promptHeader);
        }
    ReleaseDC(app().mainWindow, shot);
}

// Random actions from a fixed seed (VBX_SEED picks another, 0 a random one); prompts.xml must hold
// what the program holds after each one, and the GDI objects must not grow from one checkpoint to
// the next.
TEST_F(Win, RandomActions) {
    unsigned seed = getenv("VBX_SEED") ? atoi(getenv("VBX_SEED")) : 7;
    if (seed == 0) seed = std::random_device{}();
    const int length = getenv("VBX_STEPS") ? atoi(getenv("VBX_STEPS")) : 600;
    printf("seed %u (VBX_SEED repeats the run, VBX_STEPS sets its length)\n", seed);
    std::mt19937 random(seed);
    write(PromptLibrary(12, prompt("P", true, "alt")));
    ASSERT_TRUE(start(SW_SHOWNORMAL));
    std::size_t objects = 0;
    for (int step = 1; step <= length && !HasFailure(); ++step) {
        const std::string action =
            kActions[step % 500 == 0 ? std::size(kActions) - 1 : random() % (std::size(kActions) - 1)];
        act(action, random());
        RedrawWindow(app().mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PromptLibrary stored;
        EXPECT_TRUE(read(u"prompts.xml") == "-" ||
                    (loadPromptFile(stored, path(u"prompts.xml")) && stored == app().library))
            << "step " << step << ", " << action;
        if (step % 100) continue;
        for (unsigned n : {0, 1, 2, 3})
            act("Shut", n);
        if (!objects) objects = gdiCount();
        EXPECT_LE(gdiCount(), objects) << "GDI objects and DCs at step " << step;
    }
}
