// The Chromium stand-in of WebView2Loader.dll with fake_chromium.py in Chromium's place: every answer
// comes on the calling thread through its message loop, every handler is given back, and a browser
// that misbehaves holds up nothing. Without Chromium the loader fails as the real one without a
// runtime. With Debian's Chromium it runs in the chat run (tests/e2e/chat.py).
#include "browser/webview2_sdk.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

// Runs the message loop until the condition holds, for at most `milliseconds`.
bool eventually(const std::function<bool()>& condition, DWORD milliseconds = 5000) {
    for (const DWORD end = GetTickCount() + milliseconds; !condition();) {
        if (GetTickCount() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
    }
    return true;
}

// A completion handler that keeps what it was given and checks where it runs; never deleted.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface, typename Result> struct Handler final : Interface {
    // The loader keeps handlers as they come: it never asks them for an interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; } // lives on the test's stack
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT, Result answer) override {
        EXPECT_EQ(GetCurrentThreadId(), thread);
        if constexpr (std::is_same_v<Result, LPCWSTR>)
            value = answer ? answer : L"(none)";
        else
            value = answer;
        ++calls;
        return S_OK;
    }
    void await(DWORD milliseconds = 30000) {
        eventually([&] { return calls > 0; }, milliseconds);
        ASSERT_EQ(calls, 1);
    }
    ~Handler() { EXPECT_EQ(references, 1); }

    ULONG references = 1;
    DWORD thread = GetCurrentThreadId();
    int calls = 0;
    std::conditional_t<std::is_same_v<Result, LPCWSTR>, std::wstring, ComPtr<std::remove_pointer_t<Result>>>
        value;
};

using EnvironmentHandler =
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, ICoreWebView2Environment*>;
using ControllerHandler =
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, ICoreWebView2Controller*>;
using ScriptHandler = Handler<ICoreWebView2ExecuteScriptCompletedHandler, LPCWSTR>;

decltype(&CreateCoreWebView2EnvironmentWithOptions) loader() {
    return reinterpret_cast<decltype(&CreateCoreWebView2EnvironmentWithOptions)>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(L"WebView2Loader.dll"), "CreateCoreWebView2EnvironmentWithOptions")));
}

ComPtr<ICoreWebView2> viewOf(ControllerHandler& controller) {
    ComPtr<ICoreWebView2> view;
    if (controller.value) controller.value->get_CoreWebView2(&view);
    return view;
}

// The loader on a data folder of each test's own, and a parent window.
struct Fake : testing::Test {
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        data = _wgetenv(L"TEMP") + (L"\\vbx-loader-" + std::wstring(test.begin(), test.end()));
        DeleteFileW((data + L"\\chromium\\fake-chromium.log").c_str());
        parent = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
    }
    void start(const wchar_t* mode) {
        _wputenv_s(L"VBX_CHROMIUM", FAKE_CHROMIUM);
        _wputenv_s(L"VBX_FAKE_CHROMIUM", mode);
        ASSERT_HRESULT_SUCCEEDED(loader()(nullptr, data.c_str(), nullptr, &environment));
        environment.await();
    }
    ControllerHandler& create(ControllerHandler& controller) {
        EXPECT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
        return controller;
    }
    // What the fakes noted so far: their pids and the methods they read.
    std::string log() const {
        std::ifstream file(std::filesystem::path(data + L"\\chromium\\fake-chromium.log"), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    std::set<std::string> pids() const {
        std::set<std::string> started;
        std::istringstream lines(log());
        for (std::string pid, rest; lines >> pid && std::getline(lines, rest);)
            started.insert(pid);
        return started;
    }

    std::wstring data;
    HWND parent = nullptr;
    EnvironmentHandler environment;
};

} // namespace

// A browser that reads no more holds up neither the sender nor the program's end; one that never
// shows a page is given up after half a minute, and the program hears so; both are ended.
TEST_F(Fake, ABrowserThatHangsHoldsUpNothingAndIsEnded) {
    start(L"stuck");
    ControllerHandler stuck, silent;
    create(stuck).await();
    viewOf(stuck)->ExecuteScript(std::wstring(1 << 22, L'1').c_str(), nullptr); // far beyond a FIFO's buffer
    stuck.value->Close();
    _wputenv_s(L"VBX_FAKE_CHROMIUM", L"silent");
    const DWORD asked = GetTickCount();
    create(silent).await(40000);
    EXPECT_GE(GetTickCount() - asked, 29000u);
    EXPECT_FALSE(silent.value);
    const auto running = [](const std::string& pid) {
        return GetFileAttributesA(("Z:\\proc\\" + pid).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    EXPECT_TRUE(eventually([&] { return std::ranges::none_of(pids(), running); }, 20000)) << log();
}

// The program makes its view anew each time the browser ends: the fourth start in a minute waits.
TEST_F(Fake, ABrowserThatKeepsEndingIsStartedAtMostThreeTimesAMinute) {
    _wputenv_s(L"VBX_CHROMIUM", L"/nonexistent/chromium"); // as the real loader without a runtime
    EXPECT_EQ(loader()(nullptr, data.c_str(), nullptr, &environment),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    start(L"exit");
    for (int i = 0; i < 4; ++i)
        create(*new ControllerHandler); // the loader holds them still when the test ends
    eventually([&] { return pids().size() > 3; });
    EXPECT_EQ(pids().size(), 3u);
}

// Two views at once on one profile (as of two programs) talk to a browser each. Whatever of the program
// lies over a view, or holds it with a modal box, is seen: Chromium makes way until it is gone.
TEST_F(Fake, EachViewHasItsOwnBrowserAndMakesWayForTheProgramsWindows) {
    start(L"answer");
    ControllerHandler controller, other;
    create(controller), create(other);
    controller.await();
    other.await();
    ASSERT_TRUE(viewOf(controller) && viewOf(other)) << log();
    ScriptHandler one, two;
    viewOf(controller)->ExecuteScript(L"pid", &one);
    viewOf(other)->ExecuteScript(L"pid", &two);
    one.await();
    two.await();
    EXPECT_NE(one.value, two.value) << log();
    other.value->Close();
    controller.value->put_Bounds({100, 50, 300, 250});
    const HWND box = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 90, 40, parent, nullptr, nullptr, nullptr);
    const std::string over = "\"left\": 100, \"top\": 50, \"width\": 200", away = "minimized";
    const std::pair<std::function<void()>, const std::string&> steps[] = {
        {[&] { ShowWindow(box, SW_SHOWNA); }, over}, // beside the view
        {[&] { SetWindowPos(box, nullptr, 250, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); },
         away},
        {[&] { ShowWindow(box, SW_HIDE); }, over},
        {[&] { EnableWindow(parent, FALSE); }, away},
        {[&] { EnableWindow(parent, TRUE); }, over},
    };
    for (const auto& [change, placed] : steps) {
        change();
        std::string last;
        EXPECT_TRUE(eventually([&] {
            const std::string noted = log();
            last = noted.substr(noted.rfind("Browser.setWindowBounds"));
            return last.find(placed) != std::string::npos;
        })) << last;
    }
}
