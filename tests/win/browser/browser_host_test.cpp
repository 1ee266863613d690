// The browser host in the real main window against the loader double beside this exe: what
// the program asks of the runtime, with what, and that it gives every reference back. (The
// window tests run without a loader.)
#include "tests/win/driver.h"

#include "browser/browser_host.h"
#include "browser/chat_script.h"

namespace {

const std::string kAsked = "CreateCoreWebView2EnvironmentWithOptions browserFolder=null "
                           "userDataFolder=C:\\P\\Scrivane_V4 options=null; ";
const std::string kKept =
    "EnvironmentCompletedHandler kept, count 2; CreateCoreWebView2Controller parent=AI_APP_V4; "
    "ControllerCompletedHandler kept, count 2; ";

struct Browser : Win {
    void SetUp() override {
        Win::SetUp();
        _wputenv_s(L"VBX_FAKE_WEBVIEW2_JOURNAL", wide(root + u"\\journal.txt"));
        _wputenv_s(L"LOCALAPPDATA", L"C:\\P"); // the C runtime's copy, which the program reads
        _wputenv_s(L"VBX_FAKE_WEBVIEW2", L""); // a view, whatever a test before asked for
    }
    // The journal since the last call, lines ending in "; ", the chat scripts shortened to their message.
    std::string journal() {
        std::string lines = read(u"~\\journal.txt");
        DeleteFileW(wide(root + u"\\journal.txt"));
        for (const Prompt& p : app().library)
            for (const char16_t* input : {u"", u"für B ✓"})
                lines = replaced(lines, toUtf8(chatScriptFor(p.text, input)),
                                 "<" + toUtf8(p.text + u"+" + input) + ">");
        return replaced(lines, "\n", "; ");
    }
};

} // namespace

TEST_F(Browser, ChatsScriptsAndReferences) {
    write({prompt("Kein"), prompt("Fav A", true, "alt A"), prompt("Fav B", true)});
    write(u"prompt.cf", "ai=Gemini\r\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(journal(),
              kAsked + kKept +
                  "EnvironmentCompletedHandler released, count 0; get_CoreWebView2; add_ProcessFailed; "
                  "put_Bounds 620 48 1482 844; Navigate https://gemini.google.com/app; "
                  "ControllerCompletedHandler released, count 0; ");
    // clang-format off
    play({
        {"Resize", 900, "put_Bounds 620 48 1282 344; "}, {"Chat", 1, "Navigate https://gemini.google.com/app; "},
        {"Chat", 2, "Navigate https://copilot.microsoft.com/; "}, {"Chat", 0, "Navigate https://chatgpt.com/; "}, {"Type", 1, "-"},
        {"Choose", 2, "-"}, {"Send", 0, "ExecuteScript handler=null <tFav B+für B ✓>; "},
        {"Favourite", 0, "ExecuteScript handler=null <tFav A+für B ✓>; "}, {"Favourite", 1, "ExecuteScript handler=null <tFav B+für B ✓>; "},
        {"Favourite", 2, "-"}, {"Clear", 0, "-"}, {"Send", 0, "ExecuteScript handler=null <tFav B+>; "},
        {"Search", 0, "-"}, {"Pick", 1, "ExecuteScript handler=null <tKein+>; "},
    }, [&] { return journal(); });
    // clang-format on
    ShowWindow(app().mainWindow, SW_MINIMIZE);
    ShowWindow(app().mainWindow, SW_RESTORE);
    EXPECT_EQ(journal(),
              "NotifyParentWindowPositionChanged; put_IsVisible 0; NotifyParentWindowPositionChanged; "
              "NotifyParentWindowPositionChanged; put_IsVisible 1; put_Bounds 620 48 1282 344; ");
    EXPECT_EQ(state(),
              "list=[Kein,Fav A,Fav B] sel=0 in=\"\" xml=[Kein Fav A*:alt A Fav B*] bak=[] p=0 ai=0");
    const auto raise = reinterpret_cast<void (*)(int)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"WebView2Loader.dll"), "RaiseProcessFailed")));
    raise(1);
    raise(0);
    pump();
    EXPECT_EQ(journal(), "Reload; remove_ProcessFailed 7; Close; Controller deleted; WebView deleted; " +
                             kKept.substr(kKept.find("Create")) +
                             "get_CoreWebView2; add_ProcessFailed; put_Bounds 620 48 1282 344; "
                             "Navigate https://chatgpt.com/; ControllerCompletedHandler released, count 0; ");
    close();
    EXPECT_EQ(journal(),
              "remove_ProcessFailed 7; Close; Controller deleted; WebView deleted; Environment deleted; ");
}

TEST_F(Browser, WithoutAViewTheProgramWorksOnAndShowsTheHint) {
    for (const auto& [mode, expected] :
         {std::pair{L"no-environment", kAsked +
                                           "EnvironmentCompletedHandler kept, count 2; Environment deleted; "
                                           "EnvironmentCompletedHandler released, count 0; "},
          {L"fail-environment", kAsked}}) {
        _wputenv_s(L"VBX_FAKE_WEBVIEW2", mode);
        write({prompt("A", true)});
        ASSERT_TRUE(start());
        for (const std::string action : {"Type", "Send", "Favourite", "Chat", "Resize"})
            act(action, action == "Resize" ? 700 : 1);
        EXPECT_EQ(text(browserHint()),
                  "Für die KI-Ansicht wird die Microsoft Edge WebView2 Runtime benötigt.");
        EXPECT_EQ(box(browserHint()), (Box{620, 48, 462, 896}));
        last.clear();
        EXPECT_EQ(state(), "list=[A] sel=0 in=\"$1\" xml=[A*:$1] bak=[] p=0 ai=1");
        close();
        EXPECT_EQ(journal(), expected);
    }
}

// A prompt with fill-in fields asks for them in a window of its own before it is sent, and the
// values stay for that prompt; a text without a complete field is sent at once.
TEST_F(Browser, FillInFieldsAreAskedForBeforeSending) {
    const char16_t* brief = u"An {{Name}}: {{Ton}}, {{Name}}";
    write({{u"Brief", brief, true, u""}, {u"Halb", u"{{Name}", true, u""}});
    ASSERT_TRUE(start());
    journal();
    // The window's title, owner, labels and values, or "-"; then what reached the view.
    const auto now = [&] {
        HWND w = app().fieldsWindow;
        std::string shown = w ? text(w) : "-";
        if (w && (GetWindow(w, GW_OWNER) != app().mainWindow || IsWindowEnabled(app().mainWindow)))
            shown += " (main window free)";
        for (int i = 0; w && GetDlgItem(w, 300 + i); ++i)
            shown += " " + text(GetDlgItem(w, 300 + i)) + text(GetDlgItem(w, 100 + i));
        return shown + " | " + journal();
    };
    act("Type", 1);
    command(500);
    EXPECT_EQ(now(), "Felder ausfüllen Name: Ton: | -");
    SetWindowTextW(GetDlgItem(app().fieldsWindow, 100), L"Anna");
    SetWindowTextW(GetDlgItem(app().fieldsWindow, 101), L"kurz");
    SendMessageW(GetDlgItem(app().fieldsWindow, 101), WM_KEYDOWN, VK_RETURN, 0); // Enter: "Senden"
    EXPECT_EQ(now(), "- | ExecuteScript handler=null " +
                         toUtf8(chatScriptFor(u"An Anna: kurz, Anna", u"für B ✓")) + "; ");
    act("Favourite", 0);
    EXPECT_EQ(now(), "Felder ausfüllen Name:Anna Ton:kurz | -");
    SendMessageW(GetDlgItem(app().fieldsWindow, 100), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(now(), "- | -");
    act("Favourite", 0);
    SendMessageW(app().fieldsWindow, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0); // "Ohne Ausfüllen senden"
    EXPECT_EQ(now(), "- | ExecuteScript handler=null <An {{Name}}: {{Ton}}, {{Name}}+für B ✓>; ");
    act("Favourite", 1);
    EXPECT_EQ(now(), "- | ExecuteScript handler=null <{{Name}+für B ✓>; ");
    EXPECT_EQ(
        state(),
        "list=[Brief,Halb] sel=0 in=\"$1\" xml=[Brief*=An {{Name}}: {{Ton}}, {{Name}}:$1 Halb*={{Name}] "
        "bak=[] p=0 ai=0");
}
