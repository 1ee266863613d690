// The browser host in the real main window, against the test double of WebView2Loader.dll
// that sits beside this exe: what the program asks of the runtime, when, with what, and
// that it gives every reference back. The copy of this exe without the DLL runs NoLoader.*.
#include "tests/win/win_test_support.h"

#include "app/main_window.h"
#include "base/wide_text.h"
#include "browser/browser_host.h"
#include "browser/chat_script.h"
#include "browser/webview2.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The vtable slot a virtual method occupies (GCC's member pointers hold 1 + its byte offset).
template <typename Method> long slotOf(Method method) {
    struct {
        std::intptr_t pointer;
        std::intptr_t adjustment;
    } raw;
    static_assert(sizeof(Method) == sizeof(raw));
    std::memcpy(&raw, &method, sizeof(raw));
    return static_cast<long>((raw.pointer - 1) / static_cast<std::intptr_t>(sizeof(void*)));
}

// The journal of the loader double, reached through its own exports.
struct FakeLoader {
    using Count = int (*)();
    FakeLoader() {
        module = LoadLibraryW(L"WebView2Loader.dll");
        auto find = [this](const char* name) {
            return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
        };
        entryCount = reinterpret_cast<Count>(find("FakeWebView2EntryCount"));
        entry = reinterpret_cast<const wchar_t* (*)(int)>(find("FakeWebView2Entry"));
        clear = reinterpret_cast<void (*)()>(find("FakeWebView2ClearJournal"));
        liveObjects = reinterpret_cast<Count>(find("FakeWebView2LiveObjects"));
        pending = reinterpret_cast<Count>(find("FakeWebView2PendingCallbacks"));
    }
    bool ready() const { return entryCount && entry && clear && liveObjects && pending; }

    HMODULE module = nullptr;
    Count entryCount = nullptr;
    const wchar_t* (*entry)(int) = nullptr;
    void (*clear)() = nullptr;
    Count liveObjects = nullptr;
    Count pending = nullptr;
};

FakeLoader& loader() {
    static FakeLoader instance;
    return instance;
}

std::wstring hexOf(const void* pointer) {
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
    return buffer;
}

std::wstring toWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring boundsEntry(RECT r) {
    return L"put_Bounds " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
           std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom);
}

// The view's place for the window's current client area.
RECT expectedBounds(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {620, 48, client.right - 10, client.bottom - 10};
}

// Shown in the view's place when the program runs without the view.
HWND findHint(HWND mainWindow) {
    for (HWND child = GetWindow(mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[256]{};
        GetWindowTextW(child, text, 256);
        if (std::wcsstr(text, L"WebView2 Runtime")) return child;
    }
    return nullptr;
}

class BrowserTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(loader().ready()) << "the loader double must sit beside the test exe";
        setMode(L"");
        _wputenv_s(L"LOCALAPPDATA", L"C:\\Users\\Test\\AppData\\Local");
        loader().clear();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        releaseBrowser();
        setMode(L"");
    }

    static void setMode(const wchar_t* mode) { SetEnvironmentVariableW(L"VBX_FAKE_WEBVIEW2", mode); }

    // Creates the main window, hidden, without handling a message: the view can't have arrived yet.
    HWND create() {
        window_ = createMainWindow(GetModuleHandleW(nullptr));
        return window_;
    }

    // Lets the message loop deliver whatever the runtime has posted.
    void deliverCallbacks() {
        for (int round = 0; round < 50 && loader().pending() > 0; ++round)
            pumpMessages();
        pumpMessages();
        ASSERT_EQ(loader().pending(), 0);
    }

    // Journal lines that start with `prefix`.
    std::vector<std::wstring> calls(const std::wstring& prefix) const {
        std::vector<std::wstring> found;
        for (int i = 0; i < loader().entryCount(); ++i)
            if (std::wstring line = loader().entry(i); line.starts_with(prefix)) found.push_back(line);
        return found;
    }
    std::vector<std::wstring> navigations() const { return calls(L"Navigate "); }
    // The scripts handed to ExecuteScript, each with its handler.
    std::vector<std::wstring> scripts() const { return calls(L"ExecuteScript "); }
    std::wstring lastBounds() const {
        const auto bounds = calls(L"put_Bounds ");
        return bounds.empty() ? L"" : bounds.back();
    }

    // Back to a fresh program within the same test, as SetUp leaves it.
    void restart() {
        close();
        releaseBrowser();
        app() = AppState{};
        app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
        loader().clear();
    }

    void chooseChat(int index) {
        SendMessageW(app().aiCombo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        sendCommand(window_, 600, CBN_SELCHANGE, app().aiCombo);
    }
};

} // namespace

TEST(BrowserDeclarations, VtableSlotsAreTheRuntimes) {
    EXPECT_EQ(slotOf(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke), 3);
    EXPECT_EQ(slotOf(&ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke), 3);
    EXPECT_EQ(slotOf(&ICoreWebView2ExecuteScriptCompletedHandler::Invoke), 3);

    EXPECT_EQ(slotOf(&ICoreWebView2Environment::CreateCoreWebView2Controller), 3);
    EXPECT_EQ(slotOf(&ICoreWebView2Environment::get_BrowserVersionString), 5);
    EXPECT_EQ(slotOf(&ICoreWebView2Environment::remove_NewBrowserVersionAvailable), 7);

    EXPECT_EQ(slotOf(&ICoreWebView2Controller::put_Bounds), 6);
    EXPECT_EQ(slotOf(&ICoreWebView2Controller::SetBoundsAndZoomFactor), 11);
    EXPECT_EQ(slotOf(&ICoreWebView2Controller::MoveFocus), 12);
    EXPECT_EQ(slotOf(&ICoreWebView2Controller::get_ParentWindow), 21);
    EXPECT_EQ(slotOf(&ICoreWebView2Controller::Close), 24);
    EXPECT_EQ(slotOf(&ICoreWebView2Controller::get_CoreWebView2), 25);

    EXPECT_EQ(slotOf(&ICoreWebView2::Navigate), 5);
    EXPECT_EQ(slotOf(&ICoreWebView2::add_NavigationCompleted), 15);
    EXPECT_EQ(slotOf(&ICoreWebView2::add_ProcessFailed), 25);
    EXPECT_EQ(slotOf(&ICoreWebView2::AddScriptToExecuteOnDocumentCreated), 27);
    EXPECT_EQ(slotOf(&ICoreWebView2::ExecuteScript), 29);
    EXPECT_EQ(slotOf(&ICoreWebView2::Reload), 31);

    EXPECT_EQ(sizeof(WebView2EventToken), 8u);
    EXPECT_EQ(IID_ICoreWebView2.Data1, 0x76eceacbu);
    EXPECT_TRUE(IsEqualIID(__uuidof(ICoreWebView2Controller), IID_ICoreWebView2Controller));
}

TEST_F(BrowserTest, TheStoredChatOpensWhenTheControllerArrives) {
    writeSettings("ai=Gemini\r\n");
    ASSERT_NE(create(), nullptr);
    // Nothing but the request before the message loop runs.
    EXPECT_EQ(calls(L"CreateCoreWebView2EnvironmentWithOptions "),
              std::vector<std::wstring>{
                  L"CreateCoreWebView2EnvironmentWithOptions browserFolder=null "
                  L"userDataFolder=C:\\Users\\Test\\AppData\\Local\\Scrivane_V4 options=null"});
    EXPECT_TRUE(calls(L"CreateCoreWebView2Controller").empty());
    EXPECT_FALSE(app().browserController);
    EXPECT_FALSE(app().webView);

    deliverCallbacks();
    EXPECT_EQ(calls(L"CreateCoreWebView2Controller"),
              std::vector<std::wstring>{L"CreateCoreWebView2Controller parent=" + hexOf(window_)});
    EXPECT_TRUE(app().browserController);
    EXPECT_TRUE(app().webView);
    EXPECT_EQ(calls(L"get_CoreWebView2").size(), 1u);
    EXPECT_EQ(lastBounds(), boundsEntry(expectedBounds(window_)));
    EXPECT_EQ(navigations(), std::vector<std::wstring>{L"Navigate https://gemini.google.com/app"});
    EXPECT_EQ(findHint(window_), nullptr);

    // Each handler answers for IUnknown and itself only, and ends when the runtime lets go.
    EXPECT_EQ(calls(L"EnvironmentCompletedHandler QueryInterface"),
              std::vector<std::wstring>{
                  L"EnvironmentCompletedHandler QueryInterface IUnknown=S_OK own=S_OK other=E_NOINTERFACE"});
    EXPECT_EQ(calls(L"ControllerCompletedHandler QueryInterface"),
              std::vector<std::wstring>{
                  L"ControllerCompletedHandler QueryInterface IUnknown=S_OK own=S_OK other=E_NOINTERFACE"});
    // The runtime's reference is the second: the program had its own until the call returned.
    EXPECT_EQ(calls(L"EnvironmentCompletedHandler kept"),
              std::vector<std::wstring>{L"EnvironmentCompletedHandler kept, count 2"});
    EXPECT_EQ(calls(L"EnvironmentCompletedHandler released"),
              std::vector<std::wstring>{L"EnvironmentCompletedHandler released, count 0"});
    EXPECT_EQ(calls(L"ControllerCompletedHandler released"),
              std::vector<std::wstring>{L"ControllerCompletedHandler released, count 0"});
    EXPECT_TRUE(calls(L"unexpected").empty());
}

TEST_F(BrowserTest, EachChatOpensItsStartAddressInTheProfileFolder) {
    const struct {
        const char* settings;
        const wchar_t* localAppData;
        const wchar_t* userDataFolder;
        const wchar_t* navigation;
    } cases[] = {
        {"ai=ChatGPT\r\n", L"C:\\P", L"C:\\P\\Scrivane_V4", L"Navigate https://chatgpt.com/"},
        {"ai=Copilot\r\n", L"C:\\P", L"C:\\P\\Scrivane_V4", L"Navigate https://copilot.microsoft.com/"},
        // Without LOCALAPPDATA the runtime chooses the profile folder.
        {"", L"", L"null", L"Navigate https://chatgpt.com/"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        writeSettings(c.settings);
        _wputenv_s(L"LOCALAPPDATA", c.localAppData);
        loader().clear();
        ASSERT_NE(start(), nullptr);
        deliverCallbacks();
        EXPECT_EQ(calls(L"CreateCoreWebView2EnvironmentWithOptions "),
                  std::vector<std::wstring>{L"CreateCoreWebView2EnvironmentWithOptions browserFolder=null "
                                            L"userDataFolder=" +
                                            std::wstring(c.userDataFolder) + L" options=null"});
        EXPECT_EQ(navigations(), std::vector<std::wstring>{c.navigation});
        restart();
    }
}

TEST_F(BrowserTest, BeforeTheViewExistsSwitchingAndSendingOnlyStore) {
    writeLibrary({prompt(u"Erster")});
    writeSettings("ai=ChatGPT\r\n");
    ASSERT_NE(create(), nullptr);
    chooseChat(2);
    EXPECT_EQ(readSettings().ai, 2);
    SetWindowTextW(app().inputEdit, L"noch ohne Ansicht");
    removePromptsFile();
    sendCommand(window_, 500, BN_CLICKED, app().sendButton);
    EXPECT_EQ(readLibrary()[0].lasttext, u"noch ohne Ansicht");
    // Resized before the view exists: harmless.
    SetWindowPos(window_, nullptr, 0, 0, 1200, 700, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(navigations().empty());
    EXPECT_TRUE(calls(L"put_Bounds").empty());

    // The view opens the chat chosen at start-up, at the current bounds, and gets no script.
    deliverCallbacks();
    EXPECT_EQ(navigations(), std::vector<std::wstring>{L"Navigate https://chatgpt.com/"});
    EXPECT_EQ(calls(L"put_Bounds"), std::vector<std::wstring>{boundsEntry(expectedBounds(window_))});
    EXPECT_TRUE(scripts().empty());
    EXPECT_EQ(readSettings().ai, 2);
}

TEST_F(BrowserTest, SwitchingTheChatAfterwardsOpensIt) {
    ASSERT_NE(start(), nullptr);
    deliverCallbacks();
    loader().clear();

    chooseChat(1);
    EXPECT_EQ(readSettings().ai, 1);
    chooseChat(2);
    EXPECT_EQ(readSettings().ai, 2);
    chooseChat(0);
    EXPECT_EQ(readSettings().ai, 0);
    EXPECT_EQ(navigations(), (std::vector<std::wstring>{L"Navigate https://gemini.google.com/app",
                                                        L"Navigate https://copilot.microsoft.com/",
                                                        L"Navigate https://chatgpt.com/"}));

    // No selection is no chat: nothing is opened. Other notifications of the list do nothing.
    loader().clear();
    chooseChat(-1);
    sendCommand(window_, 600, CBN_DROPDOWN, app().aiCombo);
    EXPECT_TRUE(navigations().empty());
}

TEST_F(BrowserTest, BoundsFollowTheWindowAfterResizeAndMinimise) {
    ASSERT_NE(start(), nullptr);
    deliverCallbacks();
    // Narrower than the view's left edge gives an unclamped rectangle.
    for (const auto& [width, height] : {std::pair{1400, 900}, std::pair{400, 80}}) {
        SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        pumpMessages();
        EXPECT_EQ(lastBounds(), boundsEntry(expectedBounds(window_))) << width;
    }
    EXPECT_LT(expectedBounds(window_).right, 620);

    ShowWindow(window_, SW_MINIMIZE);
    pumpMessages();
    EXPECT_EQ(lastBounds(), L"put_Bounds 620 48 -10 -10");
    ShowWindow(window_, SW_RESTORE);
    pumpMessages();
    EXPECT_EQ(lastBounds(), boundsEntry(expectedBounds(window_)));
}

TEST_F(BrowserTest, SendButtonHandsTheExactScriptToTheView) {
    writeLibrary({prompt(u"Erster"), prompt(u"Zweiter")});
    ASSERT_NE(start(), nullptr);
    deliverCallbacks();
    app().library[1].text = u"Sag's\r\nmit \\n und \"Tab\"\t 😀";
    choosePrompt(1);
    SetWindowTextW(app().inputEdit, L"Zeile 1\r\nZeile 2\rEnde");
    loader().clear();

    sendCommand(window_, 500, BN_CLICKED, app().sendButton);
    const std::u16string expected =
        chatScriptFor(u"Sag's\r\nmit \\n und \"Tab\"\t 😀", u"Zeile 1\r\nZeile 2\rEnde");
    EXPECT_EQ(scripts(), std::vector<std::wstring>{L"ExecuteScript handler=null " + toWide(expected)});
    EXPECT_EQ(readLibrary()[1].lasttext, u"Zeile 1\r\nZeile 2\rEnde");

    // An empty box sends the prompt's text alone and stores the empty text.
    SetWindowTextW(app().inputEdit, L"");
    loader().clear();
    sendCommand(window_, 500, BN_CLICKED, app().sendButton);
    EXPECT_EQ(scripts(), std::vector<std::wstring>{L"ExecuteScript handler=null " +
                                                   toWide(chatScriptFor(app().library[1].text, u""))});
    EXPECT_EQ(readLibrary()[1].lasttext, u"");
}

TEST_F(BrowserTest, FavouriteButtonsSendTheBoxTextAndSaveNothing) {
    writeLibrary({prompt(u"Kein Favorit"), prompt(u"Fav A", true, u"alt A"), prompt(u"Fav B", true)});
    ASSERT_NE(start(), nullptr);
    deliverCallbacks();
    ASSERT_EQ(app().favoriteIndices, (std::vector<std::int32_t>{1, 2}));
    app().library[2].text = u"Prompt B's text";
    SetWindowTextW(app().inputEdit, L"it's\r\nnew");
    removePromptsFile();
    loader().clear();

    sendCommand(window_, 8001, BN_CLICKED);
    sendCommand(window_, 8000, BN_CLICKED);
    EXPECT_EQ(
        scripts(),
        (std::vector<std::wstring>{
            L"ExecuteScript handler=null " + toWide(chatScriptFor(u"Prompt B's text", u"it's\r\nnew")),
            L"ExecuteScript handler=null " + toWide(chatScriptFor(app().library[1].text, u"it's\r\nnew"))}));
    EXPECT_FALSE(promptsFileExists());
    EXPECT_EQ(app().library[1].lasttext, u"alt A");
    EXPECT_EQ(app().library[2].lasttext, u"");

    // A position without a favourite sends nothing.
    loader().clear();
    sendCommand(window_, 8002, BN_CLICKED);
    sendCommand(window_, 8099, BN_CLICKED);
    EXPECT_TRUE(scripts().empty());

    // Every reference is given back at the end; the environment went when the controller came.
    EXPECT_EQ(loader().liveObjects(), 2);
    close();
    releaseBrowser();
    EXPECT_FALSE(app().browserController);
    EXPECT_FALSE(app().webView);
    EXPECT_EQ(loader().liveObjects(), 0);
    EXPECT_EQ(calls(L"Controller deleted").size(), 1u);
    EXPECT_EQ(calls(L"WebView deleted").size(), 1u);
}

TEST_F(BrowserTest, WithoutAViewTheProgramWorksOnAndShowsTheHint) {
    for (const wchar_t* mode : {L"no-controller", L"no-environment", L"fail-environment"}) {
        SCOPED_TRACE(std::string(mode, mode + std::wcslen(mode)));
        setMode(mode);
        writeLibrary({prompt(u"Erster", true)});
        ASSERT_NE(start(), nullptr);
        deliverCallbacks();
        EXPECT_FALSE(app().browserController);
        EXPECT_FALSE(app().webView);
        const HWND hint = findHint(window_);
        ASSERT_NE(hint, nullptr);
        EXPECT_TRUE(hasVisibleStyle(hint)); // the main window itself stays hidden in tests
        EXPECT_EQ(windowText(hint), u"Für die KI-Ansicht wird die Microsoft Edge WebView2 Runtime benötigt.");
        const RECT bounds = expectedBounds(window_);
        EXPECT_EQ(boxOf(hint),
                  (Box{bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top}));

        // The rest of the program works: sending stores and saves, switching stores, resizing moves the hint.
        SetWindowTextW(app().inputEdit, L"ohne Browser");
        sendCommand(window_, 500, BN_CLICKED, app().sendButton);
        sendCommand(window_, 8000, BN_CLICKED);
        EXPECT_EQ(readLibrary()[0].lasttext, u"ohne Browser");
        chooseChat(1);
        EXPECT_EQ(readSettings().ai, 1);
        SetWindowPos(window_, nullptr, 0, 0, 1000, 600, SWP_NOMOVE | SWP_NOZORDER);
        pumpMessages();
        const RECT moved = expectedBounds(window_);
        EXPECT_EQ(boxOf(hint),
                  (Box{moved.left, moved.top, moved.right - moved.left, moved.bottom - moved.top}));
        EXPECT_TRUE(calls(L"put_Bounds").empty());
        EXPECT_TRUE(navigations().empty());
        EXPECT_TRUE(scripts().empty());

        close();
        releaseBrowser();
        EXPECT_EQ(loader().liveObjects(), 0);
        EXPECT_TRUE(calls(L"unexpected").empty());
        restart();
    }
}

// Run from the copy of this exe that has no WebView2Loader.dll beside it.
using NoLoader = MainWindowTest;

TEST_F(NoLoader, TheProgramWorksOnAndShowsTheHint) {
    ASSERT_EQ(LoadLibraryW(L"WebView2Loader.dll"), nullptr) << "this run must not find the loader";
    writeLibrary({prompt(u"Erster")});
    ASSERT_NE(start(), nullptr);
    EXPECT_FALSE(app().webView);
    const HWND hint = findHint(window_);
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hasVisibleStyle(hint)); // the main window itself stays hidden in tests
    SetWindowTextW(app().inputEdit, L"trotzdem");
    sendCommand(window_, 500, BN_CLICKED, app().sendButton);
    EXPECT_EQ(readLibrary()[0].lasttext, u"trotzdem");
    sendPromptToChat(0, u"x"); // without a view: nothing, and no crash
}
