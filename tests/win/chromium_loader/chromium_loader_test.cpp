// The Chromium stand-in of WebView2Loader.dll as the runtime is used: every answer comes on the
// calling thread through its message loop, ExecuteScript gives the script's value as JSON, and
// every handler is given back. Without Chromium the loader fails as the real one without a runtime.
#include "browser/webview2_sdk.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

// A completion handler that keeps what it was given and checks where it runs; never deleted.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface, typename Result> struct Handler final : Interface {
    // The loader keeps handlers as they come: it never asks them for an interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; } // lives on the test's stack
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT, Result given) override {
        EXPECT_EQ(GetCurrentThreadId(), thread);
        if constexpr (std::is_same_v<Result, LPCWSTR>)
            value = given ? given : L"(none)";
        else
            value = given;
        ++calls;
        return S_OK;
    }
    // Runs the message loop until Invoke has come, for at most half a minute.
    void await() {
        for (const DWORD end = GetTickCount() + 30000; !calls && GetTickCount() < end;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
                DispatchMessageW(&message);
        }
        ASSERT_EQ(calls, 1);
    }
    ~Handler() { EXPECT_EQ(references, 1); }

    ULONG references = 1;
    DWORD thread = GetCurrentThreadId();
    int calls = 0;
    std::conditional_t<std::is_same_v<Result, LPCWSTR>, std::wstring, ComPtr<std::remove_pointer_t<Result>>>
        value;
};

} // namespace

TEST(ChromiumLoader, ScriptsAnswerAsJsonOnTheCallingThread) {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const auto create =
        reinterpret_cast<decltype(&CreateCoreWebView2EnvironmentWithOptions)>(reinterpret_cast<void*>(
            GetProcAddress(LoadLibraryW(L"WebView2Loader.dll"), "CreateCoreWebView2EnvironmentWithOptions")));
    ASSERT_TRUE(create);
    const std::wstring data =
        _wgetenv(L"TEMP") + std::wstring(L"\\vbx-loader-test"); // one profile for all runs
    Handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, ICoreWebView2Environment*>
        environment;
    _wputenv_s(L"VBX_CHROMIUM", L"/nonexistent/chromium");
    EXPECT_EQ(create(nullptr, data.c_str(), nullptr, &environment), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    _wputenv_s(L"VBX_CHROMIUM", L"");
    ASSERT_HRESULT_SUCCEEDED(create(nullptr, data.c_str(), nullptr, &environment));
    environment.await();
    const HWND parent = CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                      nullptr, nullptr);
    Handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, ICoreWebView2Controller*> controller;
    ASSERT_HRESULT_SUCCEEDED(environment.value->CreateCoreWebView2Controller(parent, &controller));
    controller.await();
    ComPtr<ICoreWebView2> view;
    ASSERT_TRUE(controller.value && SUCCEEDED(controller.value->get_CoreWebView2(&view)));
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
        Handler<ICoreWebView2ExecuteScriptCompletedHandler, LPCWSTR> answer;
        ASSERT_HRESULT_SUCCEEDED(view->ExecuteScript(script.c_str(), &answer));
        answer.await();
        EXPECT_EQ(answer.value, json) << script;
    }
    EXPECT_HRESULT_SUCCEEDED(controller.value->Close());
    DestroyWindow(parent);
}
