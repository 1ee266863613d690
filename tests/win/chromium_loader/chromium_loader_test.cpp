// The Chromium stand-in of WebView2Loader.dll as the runtime is used: every answer comes on the
// calling thread through its message loop, ExecuteScript gives the script's value as JSON, and
// every handler is given back. Without Chromium the loader fails as the real one without a runtime.
// Against fake_chromium.py: each start has a pipe of its own, a browser that hangs or never shows a
// page holds up nothing and is ended, one that keeps ending is started at most three times a minute,
// and the view makes way for the program's windows.
#include "browser/webview2.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

using Microsoft::WRL::ComPtr;

namespace {

void pump(DWORD milliseconds) {
    for (const DWORD end = GetTickCount() + milliseconds; GetTickCount() < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
    }
}

// A completion handler that keeps what it was given and checks where it runs.
template <typename Interface, typename Result> struct Handler final : Interface {
    // The loader keeps handlers as they come: it never asks them for an interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; } // lives on the test's stack
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT given, Result answer) override {
        EXPECT_EQ(GetCurrentThreadId(), thread);
        result = given;
        if constexpr (std::is_same_v<Result, LPCWSTR>)
            value = answer ? answer : L"(none)";
        else
            value = answer;
        ++calls;
        return S_OK;
    }
    // Runs the message loop until Invoke has come, for at most `milliseconds`.
    void await(DWORD milliseconds = 30000) {
        for (const DWORD end = GetTickCount() + milliseconds; !calls && GetTickCount() < end;)
            pump(50);
        ASSERT_EQ(calls, 1);
    }
    ~Handler() { EXPECT_EQ(references, 1); }

    ULONG references = 1;
    DWORD thread = GetCurrentThreadId();
    int calls = 0;
    HRESULT result = E_UNEXPECTED;
    std::conditional_t<std::is_same_v<Result, LPCWSTR>, std::wstring, ComPtr<std::remove_pointer_t<Result>>>
        value;
};

using EnvironmentHandler =
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, ICoreWebView2Environment*>;
using ControllerHandler =
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, ICoreWebView2Controller*>;
using ScriptHandler = Handler<ICoreWebView2ExecuteScriptCompletedHandler, LPCWSTR>;

CreateCoreWebView2EnvironmentWithOptionsFunction loader() {
    return reinterpret_cast<CreateCoreWebView2EnvironmentWithOptionsFunction>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(webView2LoaderFileName), createEnvironmentExportName)));
}

ComPtr<ICoreWebView2> viewOf(ControllerHandler& controller) {
    ComPtr<ICoreWebView2> view;
    if (controller.value) controller.value->get_CoreWebView2(&view);
    return view;
}

// The loader with fake_chromium.py in one of its modes, on a data folder of its own, and a parent.
struct Fake : testing::Test {
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        data = _wgetenv(L"TEMP") + std::wstring(L"\\vbx-loader-fake-") + std::to_wstring(GetTickCount());
        parent = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
    }
    void start(const wchar_t* mode) {
        _wputenv_s(L"VBX_CHROMIUM", FAKE_CHROMIUM);
        _wputenv_s(L"VBX_FAKE_CHROMIUM", mode);
        ASSERT_HRESULT_SUCCEEDED(loader()(nullptr, data.c_str(), nullptr, &environment));
        environment.await();
    }
    void TearDown() override {
        DestroyWindow(parent);
        DeleteFileW((data + L"\\chromium\\fake-chromium.log").c_str());
        RemoveDirectoryW((data + L"\\chromium").c_str());
        RemoveDirectoryW(data.c_str());
    }
    // What the fakes noted so far: their pids and the methods they read.
    std::string log() const {
        const HANDLE file =
            CreateFileW((data + L"\\chromium\\fake-chromium.log").c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string text(1 << 16, '\0');
        DWORD got = 0;
        if (file == INVALID_HANDLE_VALUE) return {};
        ReadFile(file, text.data(), DWORD(text.size()), &got, nullptr);
        CloseHandle(file);
        return text.substr(0, got);
    }
    std::set<std::string> pids() const {
        std::set<std::string> started;
        std::istringstream lines(log());
        for (std::string pid, what; lines >> pid >> what && std::getline(lines, what);)
            started.insert(pid);
        return started;
    }
    // Whether one of the fakes still runs, after waiting up to `milliseconds` for all to end.
    bool running(DWORD milliseconds) const {
        for (const DWORD end = GetTickCount() + milliseconds;; pump(100)) {
            bool any = false;
            for (const std::string& pid : pids())
                any |= GetFileAttributesA(("Z:\\proc\\" + pid).c_str()) != INVALID_FILE_ATTRIBUTES;
            if (!any || GetTickCount() > end) return any;
        }
    }

    std::wstring data;
    HWND parent = nullptr;
    EnvironmentHandler environment;
};

} // namespace

TEST(ChromiumLoader, ScriptsAnswerAsJsonOnTheCallingThread) {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const auto create = loader();
    ASSERT_TRUE(create);
    const std::wstring data =
        _wgetenv(L"TEMP") + std::wstring(L"\\vbx-loader-test"); // one profile for all runs
    EnvironmentHandler environment;
    _wputenv_s(L"VBX_CHROMIUM", L"/nonexistent/chromium");
    EXPECT_EQ(create(nullptr, data.c_str(), nullptr, &environment), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    _wputenv_s(L"VBX_CHROMIUM", L"");
    ASSERT_HRESULT_SUCCEEDED(create(nullptr, data.c_str(), nullptr, &environment));
    environment.await();
    const HWND parent = CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                      nullptr, nullptr);
    ControllerHandler controller;
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
    controller.await();
    const ComPtr<ICoreWebView2> view = viewOf(controller);
    ASSERT_TRUE(view);
    // clang-format off
    // Chromium writes every character beyond ASCII as an escape: the same JSON value as the runtime's.
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"[1.5, 'ä😀\"\\\\', '\\n\\u0001', null, {a: [true]}]",
         L"[1.5,\"\\u00e4\\ud83d\\ude00\\\"\\\\\",\"\\n\\u0001\",null,{\"a\":[true]}]"},
        {L"'\xD800' + '\xDC00x'", L"\"\\ud800\\udc00x\""}, {L"let x = 1; x + 1", L"2"}, {L"undefined", L"null"},
        {L"throw new Error('no')", L"null"}, {L"NaN", L"null"},
    };
    // clang-format on
    for (const auto& [script, json] : cases) {
        ScriptHandler answer;
        ASSERT_HRESULT_SUCCEEDED(view->ExecuteScript(script.c_str(), &answer));
        answer.await();
        EXPECT_EQ(answer.value, json) << script;
    }
    EXPECT_HRESULT_SUCCEEDED(controller.value->Close());
    DestroyWindow(parent);
}

// Two views at once on one profile, as two programs would have: each talks to its own browser.
TEST_F(Fake, EachStartHasAPipeOfItsOwn) {
    start(L"answer");
    ControllerHandler first, second;
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &first));
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &second));
    first.await();
    second.await();
    std::set<std::wstring> answered;
    for (ControllerHandler* controller : {&first, &second}) {
        ScriptHandler answer;
        ASSERT_TRUE(viewOf(*controller)) << log();
        viewOf(*controller)->ExecuteScript(L"pid", &answer);
        answer.await();
        answered.insert(answer.value);
        controller->value->Close();
    }
    std::set<std::wstring> started;
    for (const std::string& pid : pids())
        started.insert(std::wstring(pid.begin(), pid.end()));
    EXPECT_EQ(answered, started);
    EXPECT_EQ(answered.size(), 2u);
}

// A browser that reads no more holds up neither the sender nor the program's end, and is ended.
TEST_F(Fake, AStuckBrowserHoldsUpNothingAndIsEnded) {
    start(L"stuck");
    ControllerHandler controller;
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
    controller.await();
    const HANDLE sent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread watch([sent] {
        if (WaitForSingleObject(sent, 20000) == WAIT_OBJECT_0) return;
        fputs("ExecuteScript waits for a browser that reads no more\n", stderr);
        ExitProcess(1);
    });
    const std::wstring script = L"'" + std::wstring(1 << 20, L'x') + L"'"; // far beyond a FIFO's buffer
    for (int i = 0; i < 4; ++i)
        viewOf(controller)->ExecuteScript(script.c_str(), nullptr);
    controller.value->Close();
    SetEvent(sent);
    watch.join();
    CloseHandle(sent);
    EXPECT_FALSE(running(20000)) << log();
}

// A browser that never shows a page: after half a minute the program hears so, and it is ended.
TEST_F(Fake, AViewThatDoesNotComeIsGivenUp) {
    start(L"silent");
    ControllerHandler controller;
    const DWORD asked = GetTickCount();
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
    controller.await(40000);
    EXPECT_GE(GetTickCount() - asked, 29000u);
    EXPECT_TRUE(FAILED(controller.result) && !controller.value);
    EXPECT_EQ(pids().size(), 1u);
    EXPECT_FALSE(running(20000)) << log();
}

// The program makes its view anew each time the browser ends: the fourth start in a minute waits.
TEST_F(Fake, ABrowserThatKeepsEndingIsStartedAtMostThreeTimesAMinute) {
    start(L"exit");
    for (int i = 0; i < 3; ++i) {
        ControllerHandler controller;
        ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
        controller.await();
        EXPECT_TRUE(FAILED(controller.result));
    }
    auto* fourth = new ControllerHandler; // still held by the loader when the test ends
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, fourth));
    pump(5000);
    EXPECT_EQ(fourth->calls, 0);
    EXPECT_EQ(pids().size(), 3u);
}

// Whatever of the program lies over the view, or holds it with a modal box, is seen: Chromium makes
// way, and comes back when it is gone.
TEST_F(Fake, TheViewMakesWayForTheProgramsWindows) {
    start(L"answer");
    ControllerHandler controller;
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
    controller.await();
    controller.value->put_Bounds({100, 50, 300, 250});
    // Where Chromium's window was last told to be: away, or over the view.
    const auto placed = [&](bool away) {
        std::string last;
        for (const DWORD end = GetTickCount() + 5000; GetTickCount() < end; pump(50)) {
            const std::string noted = log();
            const std::size_t at = noted.rfind("Browser.setWindowBounds");
            last = noted.substr(at, noted.find('\n', at) - at);
            const bool isAway =
                last.find("-32000") != std::string::npos || last.find("minimized") != std::string::npos;
            if (isAway == away) break;
        }
        return last;
    };
    const std::string over = "\"left\": 100, \"top\": 50, \"width\": 200, \"height\": 200";
    EXPECT_NE(placed(false).find(over), std::string::npos);
    const HWND box =
        CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 90, 40, parent, nullptr, nullptr, nullptr);
    const struct {
        const char* what;
        std::function<void()> change;
        bool away;
    } cases[] = {
        {"a window beside the view", [&] { ShowWindow(box, SW_SHOWNA); }, false},
        {"moved over the view",
         [&] { SetWindowPos(box, nullptr, 250, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); },
         true},
        {"hidden", [&] { ShowWindow(box, SW_HIDE); }, false},
        {"the parent disabled", [&] { EnableWindow(parent, FALSE); }, true},
        {"the parent enabled", [&] { EnableWindow(parent, TRUE); }, false},
    };
    for (const auto& step : cases) {
        step.change();
        pump(300);
        const std::string last = placed(step.away);
        EXPECT_EQ(last.find(over) == std::string::npos, step.away) << step.what << ": " << last;
    }
    DestroyWindow(box);
    controller.value->Close();
}
