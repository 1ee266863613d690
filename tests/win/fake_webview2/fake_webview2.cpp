// A stand-in for WebView2Loader.dll. Its objects have their methods at the slots of the SDK's
// (browser/slot_object.h). It asks every handler for its interface by the SDK's IID, as the runtime
// may, and takes none that does not answer. Both creation callbacks come later through the message
// loop, as the runtime's do. Each call, each handler's reference count and each object's end is a
// line of the journal, the file named by VBX_FAKE_WEBVIEW2_JOURNAL. VBX_FAKE_WEBVIEW2 asks for a
// failure: fail-environment (the loader call fails), no-environment or no-controller (the callback
// brings an error and no object).
#include "base/utf8.h"
#include "base/wide_text.h"
#include "browser/slot_object.h"

#include <wrl/client.h>

#include <deque>
#include <fstream>
#include <functional>
#include <string>

namespace {

std::wstring variable(const wchar_t* name) {
    return _wgetenv(name) ? _wgetenv(name) : L"";
}

HRESULT note(const std::wstring& line, HRESULT result = S_OK) {
    std::ofstream(variable(L"VBX_FAKE_WEBVIEW2_JOURNAL").c_str(), std::ios::app | std::ios::binary)
        << toUtf8(fromWide(line.c_str())) + '\n';
    return result;
}

bool answers(IUnknown* handler, REFIID iid) {
    Microsoft::WRL::ComPtr<IUnknown> asked;
    return handler && SUCCEEDED(handler->QueryInterface(iid, &asked));
}

// Callbacks waiting for the message loop.
std::deque<std::function<void()>> waiting;
LRESULT CALLBACK deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
    waiting.front()(); // what it adds goes behind it
    waiting.pop_front();
    return 0;
}
template <typename Handler, typename Result>
HRESULT later(const std::wstring& name, Handler* handler, REFIID iid, const wchar_t* failure,
              Result* result) {
    static HWND window = [] {
        WNDCLASSW windowClass{0, deliver, 0, 0, GetModuleHandleW(nullptr), {}, {}, {}, {}, L"FakeWebView2"};
        RegisterClassW(&windowClass);
        return CreateWindowExW(0, L"FakeWebView2", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, {},
                               GetModuleHandleW(nullptr), {});
    }();
    if (!answers(handler, iid)) return note(name + L" refused", E_NOINTERFACE);
    note(name + L" kept, count " + std::to_wstring(handler->AddRef()));
    const bool fail = variable(L"VBX_FAKE_WEBVIEW2") == failure;
    if (fail) result->Release();
    waiting.push_back([=] {
        handler->Invoke(fail ? E_FAIL : S_OK, fail ? nullptr : result->get());
        note(name + L" released, count " + std::to_wstring(handler->Release()));
        if (!fail) result->Release();
    });
    PostMessageW(window, WM_APP, 0, 0);
    return S_OK;
}

// The view's ProcessFailed handler, and the kind RaiseProcessFailed has it report.
ICoreWebView2ProcessFailedEventHandler* failedHandler = nullptr;
COREWEBVIEW2_PROCESS_FAILED_KIND failedKind{};

struct Args final : SlotObject<Args, ICoreWebView2ProcessFailedEventArgs> {
    static void fill(SlotTable<ICoreWebView2ProcessFailedEventArgs>& table) {
        table.put<&ICoreWebView2ProcessFailedEventArgs::get_ProcessFailedKind, &Args::kind>();
    }
    HRESULT kind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) { return *kind = failedKind, S_OK; }
};

struct WebView final : SlotObject<WebView, ICoreWebView2> {
    static void fill(SlotTable<ICoreWebView2>& table) {
        table.put<&ICoreWebView2::Navigate, &WebView::navigate>();
        table.put<&ICoreWebView2::add_ProcessFailed, &WebView::added>();
        table.put<&ICoreWebView2::remove_ProcessFailed, &WebView::removed>();
        table.put<&ICoreWebView2::ExecuteScript, &WebView::executeScript>();
        table.put<&ICoreWebView2::Reload, &WebView::reload>();
    }
    ~WebView() { note(L"WebView deleted"); }
    HRESULT navigate(LPCWSTR uri) { return note(std::wstring(L"Navigate ") + uri); }
    HRESULT executeScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
        return note(std::wstring(L"ExecuteScript handler=") + (handler ? L"set " : L"null ") + script);
    }
    HRESULT reload() { return note(L"Reload"); }
    HRESULT added(ICoreWebView2ProcessFailedEventHandler* handler, EventRegistrationToken* token) {
        if (!answers(handler, IID_ICoreWebView2ProcessFailedEventHandler))
            return note(L"add_ProcessFailed refused", E_NOINTERFACE);
        (failedHandler = handler)->AddRef();
        token->value = 7;
        return note(L"add_ProcessFailed");
    }
    HRESULT removed(EventRegistrationToken token) {
        failedHandler->Release();
        return note(L"remove_ProcessFailed " + std::to_wstring(token.value));
    }
};

struct Controller final : SlotObject<Controller, ICoreWebView2Controller> {
    static void fill(SlotTable<ICoreWebView2Controller>& table) {
        table.put<&ICoreWebView2Controller::put_IsVisible, &Controller::putIsVisible>();
        table.put<&ICoreWebView2Controller::put_Bounds, &Controller::putBounds>();
        table.put<&ICoreWebView2Controller::NotifyParentWindowPositionChanged, &Controller::moved>();
        table.put<&ICoreWebView2Controller::Close, &Controller::close>();
        table.put<&ICoreWebView2Controller::get_CoreWebView2, &Controller::getView>();
    }
    ~Controller() {
        note(L"Controller deleted");
        view->Release();
    }
    HRESULT putBounds(RECT r) {
        return note(L"put_Bounds " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
                    std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
    }
    HRESULT putIsVisible(BOOL visible) { return note(L"put_IsVisible " + std::to_wstring(visible)); }
    HRESULT moved() { return note(L"NotifyParentWindowPositionChanged"); }
    HRESULT close() { return note(L"Close"); }
    HRESULT getView(ICoreWebView2** got) {
        view->AddRef();
        *got = view->get();
        return note(L"get_CoreWebView2");
    }
    WebView* view = new WebView;
};

struct Environment final : SlotObject<Environment, ICoreWebView2Environment> {
    static void fill(SlotTable<ICoreWebView2Environment>& table) {
        table.put<&ICoreWebView2Environment::CreateCoreWebView2Controller, &Environment::createController>();
    }
    ~Environment() { note(L"Environment deleted"); }
    HRESULT createController(HWND parent,
                             ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
        wchar_t parentClass[64]{};
        GetClassNameW(parent, parentClass, 64);
        note(std::wstring(L"CreateCoreWebView2Controller parent=") + parentClass);
        return later(L"ControllerCompletedHandler", handler,
                     IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, L"no-controller",
                     new Controller);
    }
};

} // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserFolder, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    note(std::wstring(L"CreateCoreWebView2EnvironmentWithOptions browserFolder=") +
         (browserFolder ? browserFolder : L"null") + L" userDataFolder=" +
         (userDataFolder ? userDataFolder : L"null") + L" options=" + (options ? L"set" : L"null"));
    if (variable(L"VBX_FAKE_WEBVIEW2") == L"fail-environment")
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return later(L"EnvironmentCompletedHandler", handler,
                 IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, L"no-environment",
                 new Environment);
}

// The runtime's ProcessFailed event on the view; the handler is held through the call, as the runtime does.
extern "C" __declspec(dllexport) void RaiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
    static Args args;
    ICoreWebView2ProcessFailedEventHandler* handler = failedHandler;
    failedKind = kind;
    handler->AddRef();
    handler->Invoke(nullptr, args.get());
    handler->Release();
}
