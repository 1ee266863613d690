// A stand-in for WebView2Loader.dll. Its objects are laid out by hand at the slots of the real
// runtime's interfaces, so a method the program declares at a wrong slot reaches one that
// refuses and notes "unexpected". Both creation callbacks come later through the message
// loop, as the runtime's do. Each call, each handler's reference count and each object's end
// is a line of the journal, the file named by VBX_FAKE_WEBVIEW2_JOURNAL. VBX_FAKE_WEBVIEW2 asks
// for a failure: fail-environment (the loader call fails), no-environment or no-controller
// (the callback brings an error and no object).
#include <windows.h>

#include <unknwn.h>

#include <deque>
#include <fstream>
#include <string>
#include <tuple>

namespace {

std::wstring variable(const wchar_t* name) {
    return _wgetenv(name) ? _wgetenv(name) : L"";
}

HRESULT note(const std::wstring& line, HRESULT result = S_OK) {
    std::string bytes(WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr), '\n');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), int(bytes.size()), nullptr, nullptr);
    bytes.back() = '\n'; // in place of the NUL
    std::ofstream(variable(L"VBX_FAKE_WEBVIEW2_JOURNAL").c_str(), std::ios::app | std::ios::binary) << bytes;
    return result;
}

struct Object {
    void* const* slots;
    const wchar_t* name;
    Object* view = nullptr; // a controller's
    ULONG references = 1;
};

HRESULT STDMETHODCALLTYPE refuse(Object* self) {
    return note(std::wstring(L"unexpected call to the ") + self->name, E_NOTIMPL);
}
ULONG STDMETHODCALLTYPE addRef(Object* self) {
    return ++self->references;
}
ULONG STDMETHODCALLTYPE release(Object* self) {
    if (--self->references) return self->references;
    note(std::wstring(self->name) + L" deleted");
    if (self->view) release(self->view);
    delete self;
    return 0;
}

// An interface's methods at their slots; every other slot refuses.
template <typename... Methods> void* const* slots(std::pair<int, Methods>... methods) {
    auto* table = new void*[32];
    for (int i = 0; i < 32; ++i)
        table[i] = i == 1   ? reinterpret_cast<void*>(&addRef)
                   : i == 2 ? reinterpret_cast<void*>(&release)
                            : reinterpret_cast<void*>(&refuse);
    ((table[methods.first] = reinterpret_cast<void*>(methods.second)), ...);
    return table;
}

// Callbacks waiting for the message loop.
std::deque<std::tuple<const wchar_t*, IUnknown*, HRESULT, Object*>> waiting;
LRESULT CALLBACK deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
    auto [name, handler, error, result] = waiting.front();
    waiting.pop_front();
    using Invoke = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, HRESULT, Object*);
    reinterpret_cast<Invoke>((*reinterpret_cast<void***>(handler))[3])(handler, error, result);
    note(std::wstring(name) + L" released, count " + std::to_wstring(handler->Release()));
    return result ? release(result) : 0;
}
void later(const wchar_t* name, IUnknown* handler, const wchar_t* failure, Object* result) {
    static HWND window = [] {
        WNDCLASSW windowClass{0, deliver, 0, 0, GetModuleHandleW(nullptr), {}, {}, {}, {}, L"FakeWebView2"};
        RegisterClassW(&windowClass);
        return CreateWindowExW(0, L"FakeWebView2", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, {},
                               GetModuleHandleW(nullptr), {});
    }();
    note(std::wstring(name) + L" kept, count " + std::to_wstring(handler->AddRef()));
    const bool fail = variable(L"VBX_FAKE_WEBVIEW2") == failure && !release(result);
    waiting.emplace_back(name, handler, fail ? E_FAIL : S_OK, fail ? nullptr : result);
    PostMessageW(window, WM_APP, 0, 0);
}

HRESULT STDMETHODCALLTYPE navigate(Object*, LPCWSTR uri) {
    return note(std::wstring(L"Navigate ") + uri);
}
HRESULT STDMETHODCALLTYPE executeScript(Object*, LPCWSTR script, IUnknown* handler) {
    return note(std::wstring(L"ExecuteScript handler=") + (handler ? L"set " : L"null ") + script);
}
HRESULT STDMETHODCALLTYPE putBounds(Object*, RECT r) {
    return note(L"put_Bounds " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
                std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
}
HRESULT STDMETHODCALLTYPE putIsVisible(Object*, BOOL visible) {
    return note(L"put_IsVisible " + std::to_wstring(visible));
}
// The view's ProcessFailed handler, and the kind RaiseProcessFailed has it report.
IUnknown* failedHandler = nullptr;
int failedKind = 0;
struct Noted {
    static HRESULT STDMETHODCALLTYPE moved(Object*) { return note(L"NotifyParentWindowPositionChanged"); }
    static HRESULT STDMETHODCALLTYPE closed(Object*) { return note(L"Close"); }
    static HRESULT STDMETHODCALLTYPE reload(Object*) { return note(L"Reload"); }
    static HRESULT STDMETHODCALLTYPE kind(Object*, int* kind) {
        *kind = failedKind;
        return S_OK;
    }
    static HRESULT STDMETHODCALLTYPE added(Object*, IUnknown* handler, long long* token) {
        (failedHandler = handler)->AddRef();
        *token = 7;
        return note(L"add_ProcessFailed");
    }
    static HRESULT STDMETHODCALLTYPE removed(Object*, long long token) {
        failedHandler->Release();
        return note(L"remove_ProcessFailed " + std::to_wstring(token));
    }
};
HRESULT STDMETHODCALLTYPE getView(Object* self, Object** view) {
    addRef(*view = self->view);
    return note(L"get_CoreWebView2");
}
HRESULT STDMETHODCALLTYPE createController(Object*, HWND parent, IUnknown* handler) {
    wchar_t parentClass[64]{};
    GetClassNameW(parent, parentClass, 64);
    note(std::wstring(L"CreateCoreWebView2Controller parent=") + parentClass);
    static void* const* webView =
        slots(std::pair{5, &navigate}, std::pair{25, &Noted::added}, std::pair{26, &Noted::removed},
              std::pair{29, &executeScript}, std::pair{31, &Noted::reload});
    static void* const* controller =
        slots(std::pair{4, &putIsVisible}, std::pair{6, &putBounds}, std::pair{23, &Noted::moved},
              std::pair{24, &Noted::closed}, std::pair{25, &getView});
    later(L"ControllerCompletedHandler", handler, L"no-controller",
          new Object{controller, L"Controller", new Object{webView, L"WebView"}});
    return S_OK;
}

} // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    CreateCoreWebView2EnvironmentWithOptions(PCWSTR browserFolder, PCWSTR userDataFolder, IUnknown* options,
                                             IUnknown* handler) {
    note(std::wstring(L"CreateCoreWebView2EnvironmentWithOptions browserFolder=") +
         (browserFolder ? browserFolder : L"null") + L" userDataFolder=" +
         (userDataFolder ? userDataFolder : L"null") + L" options=" + (options ? L"set" : L"null"));
    if (variable(L"VBX_FAKE_WEBVIEW2") == L"fail-environment")
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    static void* const* environment = slots(std::pair{3, &createController});
    later(L"EnvironmentCompletedHandler", handler, L"no-environment",
          new Object{environment, L"Environment"});
    return S_OK;
}

// The runtime's ProcessFailed event on the view; the handler is held through the call, as the runtime does.
extern "C" __declspec(dllexport) void RaiseProcessFailed(int kind) {
    static Object args{slots(std::pair{3, &Noted::kind}), L"ProcessFailedEventArgs"};
    IUnknown* handler = failedHandler;
    failedKind = kind;
    handler->AddRef();
    reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Object*, Object*)>(
        (*reinterpret_cast<void***>(handler))[3])(handler, nullptr, &args);
    handler->Release();
}
