// A stand-in for WebView2Loader.dll, built from the program's own declarations. It
// completes both creation callbacks later through the message loop, as the runtime does,
// and keeps a journal of every call the program makes, the handlers' reference counts
// and the end of each object it handed out. VBX_FAKE_WEBVIEW2 tells it to fail:
//   fail-environment  the loader call fails and no callback comes (no runtime installed)
//   no-environment    the environment callback brings an error and no environment
//   no-controller     the controller callback brings an error and no controller
// VBX_FAKE_WEBVIEW2_JOURNAL names a file that gets each journal line as well.
#include "browser/webview2.h"

#include <cstdio>
#include <string>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// Left alive to the very end: objects may be given back while the process exits.
std::vector<std::wstring>& journal = *new std::vector<std::wstring>;
int liveObjects = 0;
int pendingCallbacks = 0;

std::string toUtf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring environmentValue(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

void note(std::wstring line) {
    const std::wstring file = environmentValue(L"VBX_FAKE_WEBVIEW2_JOURNAL");
    if (!file.empty()) {
        if (FILE* out = _wfopen(file.c_str(), L"ab")) {
            const std::string bytes = toUtf8(line) + "\n";
            fwrite(bytes.data(), 1, bytes.size(), out);
            fclose(out);
        }
    }
    journal.push_back(std::move(line));
}

std::wstring hex(const void* pointer) {
    wchar_t buffer[32];
    swprintf(buffer, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer)));
    return buffer;
}

bool mode(const wchar_t* name) {
    return environmentValue(L"VBX_FAKE_WEBVIEW2") == name;
}

std::wstring hresultText(HRESULT hr) {
    if (hr == S_OK) return L"S_OK";
    if (hr == E_NOINTERFACE) return L"E_NOINTERFACE";
    wchar_t buffer[16];
    swprintf(buffer, 16, L"%08lx", static_cast<unsigned long>(hr));
    return buffer;
}

// Checks a handler's QueryInterface as a COM caller may use it: IUnknown and its own
// interface answered with a counted reference, anything else refused with a null pointer.
template <typename Handler> void checkHandler(const wchar_t* name, Handler* handler) {
    void* object = reinterpret_cast<void*>(1);
    HRESULT hr = handler->QueryInterface(IID_IUnknown, &object);
    std::wstring line = std::wstring(name) + L" QueryInterface IUnknown=" + hresultText(hr);
    if (SUCCEEDED(hr)) static_cast<IUnknown*>(object)->Release();
    hr = handler->QueryInterface(__uuidof(Handler), &object);
    line += L" own=" + hresultText(hr);
    if (SUCCEEDED(hr)) static_cast<IUnknown*>(object)->Release();
    object = reinterpret_cast<void*>(1);
    hr = handler->QueryInterface(IID_ICoreWebView2, &object);
    line += L" other=" + hresultText(hr) + (object ? L" (pointer left set)" : L"");
    if (SUCCEEDED(hr)) static_cast<IUnknown*>(object)->Release();
    note(line);
}

// A method the program must never call: noted as unexpected, and refused.
#define VBX_UNEXPECTED(method, ...)                                                                          \
    HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override {                                                 \
        return unexpected(L"" #method);                                                                      \
    }
// Both methods of an event, add_ and remove_.
#define VBX_UNEXPECTED_EVENT(event)                                                                          \
    VBX_UNEXPECTED(add_##event, IUnknown*, WebView2EventToken*)                                              \
    VBX_UNEXPECTED(remove_##event, WebView2EventToken)

template <typename Interface> class FakeObject : public Interface {
  public:
    explicit FakeObject(const wchar_t* name) : name_(name) { ++liveObjects; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    virtual ~FakeObject() {
        --liveObjects;
        note(std::wstring(name_) + L" deleted");
    }
    HRESULT unexpected(const wchar_t* method) {
        note(std::wstring(L"unexpected ") + name_ + L"::" + method);
        return E_NOTIMPL;
    }

  private:
    const wchar_t* name_;
    ULONG references_ = 1;
};

class FakeWebView final : public FakeObject<ICoreWebView2> {
  public:
    FakeWebView() : FakeObject(L"WebView") {}
    VBX_UNEXPECTED(get_Settings, void**)
    VBX_UNEXPECTED(get_Source, LPWSTR*)
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override {
        note(std::wstring(L"Navigate ") + (uri ? uri : L"(null)"));
        return S_OK;
    }
    VBX_UNEXPECTED(NavigateToString, LPCWSTR)
    VBX_UNEXPECTED_EVENT(NavigationStarting)
    VBX_UNEXPECTED_EVENT(ContentLoading)
    VBX_UNEXPECTED_EVENT(SourceChanged)
    VBX_UNEXPECTED_EVENT(HistoryChanged)
    VBX_UNEXPECTED_EVENT(NavigationCompleted)
    VBX_UNEXPECTED_EVENT(FrameNavigationStarting)
    VBX_UNEXPECTED_EVENT(FrameNavigationCompleted)
    VBX_UNEXPECTED_EVENT(ScriptDialogOpening)
    VBX_UNEXPECTED_EVENT(PermissionRequested)
    VBX_UNEXPECTED_EVENT(ProcessFailed)
    VBX_UNEXPECTED(AddScriptToExecuteOnDocumentCreated, LPCWSTR, IUnknown*)
    VBX_UNEXPECTED(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR)
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript,
                                            ICoreWebView2ExecuteScriptCompletedHandler* handler) override {
        note(std::wstring(L"ExecuteScript handler=") + (handler ? L"set " : L"null ") +
             (javaScript ? javaScript : L"(null)"));
        return S_OK;
    }
    VBX_UNEXPECTED(CapturePreview, std::int32_t, IStream*, IUnknown*)
    VBX_UNEXPECTED(Reload)
};

class FakeController final : public FakeObject<ICoreWebView2Controller> {
  public:
    FakeController() : FakeObject(L"Controller"), webView_(new FakeWebView) {}
    ~FakeController() override { webView_->Release(); }

    VBX_UNEXPECTED(get_IsVisible, BOOL*)
    VBX_UNEXPECTED(put_IsVisible, BOOL)
    VBX_UNEXPECTED(get_Bounds, RECT*)
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override {
        note(L"put_Bounds " + std::to_wstring(bounds.left) + L" " + std::to_wstring(bounds.top) + L" " +
             std::to_wstring(bounds.right) + L" " + std::to_wstring(bounds.bottom));
        return S_OK;
    }
    VBX_UNEXPECTED(get_ZoomFactor, double*)
    VBX_UNEXPECTED(put_ZoomFactor, double)
    VBX_UNEXPECTED_EVENT(ZoomFactorChanged)
    VBX_UNEXPECTED(SetBoundsAndZoomFactor, RECT, double)
    VBX_UNEXPECTED(MoveFocus, std::int32_t)
    VBX_UNEXPECTED_EVENT(MoveFocusRequested)
    VBX_UNEXPECTED_EVENT(GotFocus)
    VBX_UNEXPECTED_EVENT(LostFocus)
    VBX_UNEXPECTED_EVENT(AcceleratorKeyPressed)
    VBX_UNEXPECTED(get_ParentWindow, HWND*)
    VBX_UNEXPECTED(put_ParentWindow, HWND)
    VBX_UNEXPECTED(NotifyParentWindowPositionChanged)
    VBX_UNEXPECTED(Close)
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override {
        note(L"get_CoreWebView2");
        webView_->AddRef();
        *coreWebView2 = webView_;
        return S_OK;
    }

  private:
    FakeWebView* webView_;
};

// A callback waiting in the message queue: the handler, the error code and the object.
struct PendingCallback {
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentHandler = nullptr;
    ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* controllerHandler = nullptr;
    HRESULT errorCode = S_OK;
    IUnknown* result = nullptr;
};

constexpr UINT deliverMessage = WM_APP + 1;
HWND callbackWindow = nullptr;

template <typename Handler> void release(const wchar_t* name, Handler* handler) {
    note(std::wstring(name) + L" released, count " + std::to_wstring(handler->Release()));
}

void deliver(PendingCallback* pending) {
    --pendingCallbacks;
    if (pending->environmentHandler) {
        pending->environmentHandler->Invoke(pending->errorCode,
                                            static_cast<ICoreWebView2Environment*>(pending->result));
        release(L"EnvironmentCompletedHandler", pending->environmentHandler);
    } else {
        pending->controllerHandler->Invoke(pending->errorCode,
                                           static_cast<ICoreWebView2Controller*>(pending->result));
        release(L"ControllerCompletedHandler", pending->controllerHandler);
    }
    if (pending->result) pending->result->Release();
    delete pending;
}

LRESULT CALLBACK callbackWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == deliverMessage) {
        deliver(reinterpret_cast<PendingCallback*>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Callbacks reach the creating thread through its message loop, never inside the call.
void post(PendingCallback* pending) {
    if (!callbackWindow) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = callbackWindowProc;
        windowClass.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
        windowClass.lpszClassName = L"FakeWebView2Callbacks";
        RegisterClassW(&windowClass);
        callbackWindow = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, windowClass.hInstance, nullptr);
    }
    ++pendingCallbacks;
    PostMessageW(callbackWindow, deliverMessage, 0, reinterpret_cast<LPARAM>(pending));
}

class FakeEnvironment final : public FakeObject<ICoreWebView2Environment> {
  public:
    FakeEnvironment() : FakeObject(L"Environment") {}
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override {
        note(L"CreateCoreWebView2Controller parent=" + hex(parentWindow) +
             (handler ? L"" : L" without a handler"));
        if (!handler) return E_INVALIDARG;
        checkHandler(L"ControllerCompletedHandler", handler);
        note(L"ControllerCompletedHandler kept, count " + std::to_wstring(handler->AddRef()));
        auto* pending = new PendingCallback;
        pending->controllerHandler = handler;
        if (mode(L"no-controller")) {
            pending->errorCode = E_FAIL;
        } else {
            pending->result = new FakeController;
        }
        post(pending);
        return S_OK;
    }
    VBX_UNEXPECTED(CreateWebResourceResponse, IStream*, int, LPCWSTR, LPCWSTR, void**)
    VBX_UNEXPECTED(get_BrowserVersionString, LPWSTR*)
    VBX_UNEXPECTED_EVENT(NewBrowserVersionAvailable)
};

} // namespace

extern "C" {

__declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    note(std::wstring(L"CreateCoreWebView2EnvironmentWithOptions browserFolder=") +
         (browserExecutableFolder ? browserExecutableFolder : L"null") + L" userDataFolder=" +
         (userDataFolder ? userDataFolder : L"null") + L" options=" +
         (environmentOptions ? L"set" : L"null") + (handler ? L"" : L" without a handler"));
    if (mode(L"fail-environment")) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (!handler) return E_INVALIDARG;
    checkHandler(L"EnvironmentCompletedHandler", handler);
    note(L"EnvironmentCompletedHandler kept, count " + std::to_wstring(handler->AddRef()));
    auto* pending = new PendingCallback;
    pending->environmentHandler = handler;
    if (mode(L"no-environment")) {
        pending->errorCode = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    } else {
        pending->result = new FakeEnvironment;
    }
    post(pending);
    return S_OK;
}

// The journal, for the tests in the same process.
__declspec(dllexport) int FakeWebView2EntryCount() {
    return static_cast<int>(journal.size());
}
__declspec(dllexport) const wchar_t* FakeWebView2Entry(int index) {
    return index >= 0 && index < static_cast<int>(journal.size()) ? journal[index].c_str() : nullptr;
}
__declspec(dllexport) void FakeWebView2ClearJournal() {
    journal.clear();
}
// Environments, controllers and views handed out and not yet given back.
__declspec(dllexport) int FakeWebView2LiveObjects() {
    return liveObjects;
}
// Callbacks posted and not yet delivered.
__declspec(dllexport) int FakeWebView2PendingCallbacks() {
    return pendingCallbacks;
}

} // extern "C"
