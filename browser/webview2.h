#pragma once
// Our own declarations of the WebView2 interfaces the program uses, laid out slot for
// slot as the WebView2 SDK (release 1.0 and later) lays them out, so the real loader
// and runtime can call and be called through them. Slots the program never calls are
// declared too, with loose pointer types, so that every later slot keeps its index.
// Interfaces hold pure virtual methods only: a virtual destructor would add slots.

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

// The runtime's EventRegistrationToken: one signed 64-bit value. Declared under our own
// name so it never collides with a system header's declaration.
struct WebView2EventToken {
    std::int64_t value;
};
// The runtime passes it by value in a register: any other size would shift every argument after it.
static_assert(sizeof(WebView2EventToken) == 8);

// COM interfaces have no virtual destructor (objects end themselves in Release); the
// protected ones below keep implementers free of that warning, IUnknown needs the pragma.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2EnvironmentOptions; // never implemented: the program passes null

inline constexpr IID IID_ICoreWebView2Environment = {
    0xb96d755e, 0x0319, 0x4e92, {0xa2, 0x96, 0x23, 0x43, 0x6f, 0x46, 0xa1, 0xfc}};
inline constexpr IID IID_ICoreWebView2Controller = {
    0x4d00c0d1, 0x9434, 0x4eb6, {0x80, 0x78, 0x86, 0x97, 0xa5, 0x60, 0x33, 0x4f}};
inline constexpr IID IID_ICoreWebView2 = {
    0x76eceacb, 0x0462, 0x4d94, {0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e}};
inline constexpr IID IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler = {
    0x4e8a3389, 0xc9d8, 0x4bd2, {0xb6, 0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d}};
inline constexpr IID IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler = {
    0x6c4819f3, 0xc9b7, 0x4260, {0x81, 0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c}};
inline constexpr IID IID_ICoreWebView2ExecuteScriptCompletedHandler = {
    0x49511172, 0xcc67, 0x4bca, {0x99, 0x23, 0x13, 0x71, 0x12, 0xf4, 0xc4, 0xcc}};

// Completion handlers: slot 3 is Invoke. The pointers handed to Invoke are borrowed.
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* result) = 0; // 3

  protected:
    ~ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler() = default;
};

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* result) = 0; // 3

  protected:
    ~ICoreWebView2CreateCoreWebView2ControllerCompletedHandler() = default;
};

struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR resultObjectAsJson) = 0; // 3

  protected:
    ~ICoreWebView2ExecuteScriptCompletedHandler() = default;
};

struct ICoreWebView2Environment : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0; // 3
    virtual HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode,
                                                                LPCWSTR reasonPhrase, LPCWSTR headers,
                                                                void** response) = 0;    // 4
    virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) = 0; // 5
    virtual HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(IUnknown* handler,
                                                                     WebView2EventToken* token) = 0;   // 6
    virtual HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(WebView2EventToken token) = 0; // 7

  protected:
    ~ICoreWebView2Environment() = default;
};

struct ICoreWebView2Controller : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) = 0;     // 3
    virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;      // 4
    virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;           // 5
    virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;            // 6
    virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) = 0; // 7
    virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;  // 8
    virtual HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(IUnknown* handler,
                                                            WebView2EventToken* token) = 0;       // 9
    virtual HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(WebView2EventToken token) = 0;     // 10
    virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) = 0; // 11
    virtual HRESULT STDMETHODCALLTYPE MoveFocus(std::int32_t reason) = 0;                         // 12
    virtual HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(IUnknown* handler,
                                                             WebView2EventToken* token) = 0;           // 13
    virtual HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(WebView2EventToken token) = 0;         // 14
    virtual HRESULT STDMETHODCALLTYPE add_GotFocus(IUnknown* handler, WebView2EventToken* token) = 0;  // 15
    virtual HRESULT STDMETHODCALLTYPE remove_GotFocus(WebView2EventToken token) = 0;                   // 16
    virtual HRESULT STDMETHODCALLTYPE add_LostFocus(IUnknown* handler, WebView2EventToken* token) = 0; // 17
    virtual HRESULT STDMETHODCALLTYPE remove_LostFocus(WebView2EventToken token) = 0;                  // 18
    virtual HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(IUnknown* handler,
                                                                WebView2EventToken* token) = 0;   // 19
    virtual HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(WebView2EventToken token) = 0; // 20
    virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) = 0;                   // 21
    virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;                    // 22
    virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;                    // 23
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;                                                // 24
    // Hands out an owned reference.
    virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) = 0; // 25

  protected:
    ~ICoreWebView2Controller() = default;
};

// The kinds of a failed process that the program answers; the runtime recovers the higher
// kinds itself.
inline constexpr std::int32_t kBrowserProcessExited = 0;
inline constexpr std::int32_t kRenderProcessExited = 1;
inline constexpr std::int32_t kRenderProcessUnresponsive = 2;

struct ICoreWebView2ProcessFailedEventArgs : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(std::int32_t* kind) = 0; // 3

  protected:
    ~ICoreWebView2ProcessFailedEventArgs() = default;
};

// Both pointers are borrowed.
struct ICoreWebView2ProcessFailedEventHandler : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender,
                                             ICoreWebView2ProcessFailedEventArgs* args) = 0; // 3

  protected:
    ~ICoreWebView2ProcessFailedEventHandler() = default;
};

// The view has more slots after Reload; a caller that never goes past them needs no more.
struct ICoreWebView2 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_Settings(void** settings) = 0;         // 3
    virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;               // 4
    virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;                 // 5
    virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0; // 6
    virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(IUnknown* handler,
                                                             WebView2EventToken* token) = 0;   // 7
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(WebView2EventToken token) = 0; // 8
    virtual HRESULT STDMETHODCALLTYPE add_ContentLoading(IUnknown* handler,
                                                         WebView2EventToken* token) = 0;   // 9
    virtual HRESULT STDMETHODCALLTYPE remove_ContentLoading(WebView2EventToken token) = 0; // 10
    virtual HRESULT STDMETHODCALLTYPE add_SourceChanged(IUnknown* handler,
                                                        WebView2EventToken* token) = 0;   // 11
    virtual HRESULT STDMETHODCALLTYPE remove_SourceChanged(WebView2EventToken token) = 0; // 12
    virtual HRESULT STDMETHODCALLTYPE add_HistoryChanged(IUnknown* handler,
                                                         WebView2EventToken* token) = 0;   // 13
    virtual HRESULT STDMETHODCALLTYPE remove_HistoryChanged(WebView2EventToken token) = 0; // 14
    virtual HRESULT STDMETHODCALLTYPE add_NavigationCompleted(IUnknown* handler,
                                                              WebView2EventToken* token) = 0;   // 15
    virtual HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(WebView2EventToken token) = 0; // 16
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(IUnknown* handler,
                                                                  WebView2EventToken* token) = 0;   // 17
    virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(WebView2EventToken token) = 0; // 18
    virtual HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(IUnknown* handler,
                                                                   WebView2EventToken* token) = 0;   // 19
    virtual HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(WebView2EventToken token) = 0; // 20
    virtual HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(IUnknown* handler,
                                                              WebView2EventToken* token) = 0;   // 21
    virtual HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(WebView2EventToken token) = 0; // 22
    virtual HRESULT STDMETHODCALLTYPE add_PermissionRequested(IUnknown* handler,
                                                              WebView2EventToken* token) = 0;   // 23
    virtual HRESULT STDMETHODCALLTYPE remove_PermissionRequested(WebView2EventToken token) = 0; // 24
    virtual HRESULT STDMETHODCALLTYPE add_ProcessFailed(IUnknown* handler,
                                                        WebView2EventToken* token) = 0;   // 25
    virtual HRESULT STDMETHODCALLTYPE remove_ProcessFailed(WebView2EventToken token) = 0; // 26
    virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(LPCWSTR javaScript,
                                                                          IUnknown* handler) = 0; // 27
    virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;     // 28
    // A null handler is allowed: the script runs and its result is dropped.
    virtual HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR javaScript,
                  ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0; // 29
    virtual HRESULT STDMETHODCALLTYPE CapturePreview(std::int32_t imageFormat, IStream* imageStream,
                                                     IUnknown* handler) = 0; // 30
    virtual HRESULT STDMETHODCALLTYPE Reload() = 0;                          // 31

  protected:
    ~ICoreWebView2() = default;
};

#pragma GCC diagnostic pop

// So that __uuidof, ComPtr::As and IID_PPV_ARGS know our interfaces.
__CRT_UUID_DECL(ICoreWebView2Environment, 0xb96d755e, 0x0319, 0x4e92, 0xa2, 0x96, 0x23, 0x43, 0x6f, 0x46,
                0xa1, 0xfc)
__CRT_UUID_DECL(ICoreWebView2Controller, 0x4d00c0d1, 0x9434, 0x4eb6, 0x80, 0x78, 0x86, 0x97, 0xa5, 0x60, 0x33,
                0x4f)
__CRT_UUID_DECL(ICoreWebView2, 0x76eceacb, 0x0462, 0x4d94, 0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 0x4e8a3389, 0xc9d8, 0x4bd2, 0xb6,
                0xb5, 0x12, 0x4f, 0xee, 0x6c, 0xc1, 0x4d)
__CRT_UUID_DECL(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, 0x6c4819f3, 0xc9b7, 0x4260, 0x81,
                0x27, 0xc9, 0xf5, 0xbd, 0xe7, 0xf6, 0x8c)
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventHandler, 0x79e0aea4, 0x990b, 0x42d9, 0x8a, 0x4b, 0x0f, 0xcc,
                0x2e, 0x5b, 0xc7, 0xf1)
__CRT_UUID_DECL(ICoreWebView2ProcessFailedEventArgs, 0x8155a9a4, 0x1474, 0x4a86, 0x8c, 0xae, 0x15, 0x1b, 0x0f,
                0xa6, 0xb8, 0xca)
__CRT_UUID_DECL(ICoreWebView2ExecuteScriptCompletedHandler, 0x49511172, 0xcc67, 0x4bca, 0x99, 0x23, 0x13,
                0x71, 0x12, 0xf4, 0xc4, 0xcc)

// The loader's exports (WebView2Loader.dll), looked up by name at run time.
using CreateCoreWebView2EnvironmentWithOptionsFunction = HRESULT(STDAPICALLTYPE*)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
inline constexpr char createEnvironmentExportName[] = "CreateCoreWebView2EnvironmentWithOptions";
inline constexpr wchar_t webView2LoaderFileName[] = L"WebView2Loader.dll";
