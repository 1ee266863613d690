#pragma once
// The WebView2 SDK's own declarations (third_party/webview2/include/WebView2.h), as every file of
// ours that talks to the runtime includes them: the program, the loader double and the Linux
// stand-in. MSVC takes the SDK header as it is. For MinGW-w64 three things differ, each made up for
// once: MinGW ships the "EventToken.h" that WebView2.h includes as eventtoken.h, and the header's
// MSVC pragmas and COM interfaces (no virtual destructors) would warn; the build puts a forwarding
// EventToken.h beside it and includes both as system headers (target vbx_webview2). And MinGW's
// __uuidof knows only the interfaces given to it, below.

#include <windows.h>

#include <WebView2.h>

#if defined(__MINGW32__) && !defined(_MSC_VER)
// __uuidof of an SDK interface answers with the SDK's own IID constant, so no IID is typed twice.
// Every interface that our code names in __uuidof, ComObject, ComPtr::As or IID_PPV_ARGS is here.
#define VBX_WEBVIEW2_UUID(Interface)                                                                         \
    template <> constexpr const GUID& __mingw_uuidof<Interface>() {                                          \
        return IID_##Interface;                                                                              \
    }                                                                                                        \
    template <> constexpr const GUID& __mingw_uuidof<Interface*>() {                                         \
        return IID_##Interface;                                                                              \
    }
VBX_WEBVIEW2_UUID(ICoreWebView2)
VBX_WEBVIEW2_UUID(ICoreWebView2Controller)
VBX_WEBVIEW2_UUID(ICoreWebView2Environment)
VBX_WEBVIEW2_UUID(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler)
VBX_WEBVIEW2_UUID(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)
VBX_WEBVIEW2_UUID(ICoreWebView2ExecuteScriptCompletedHandler)
VBX_WEBVIEW2_UUID(ICoreWebView2ProcessFailedEventHandler)
VBX_WEBVIEW2_UUID(ICoreWebView2ProcessFailedEventArgs)
#undef VBX_WEBVIEW2_UUID
#endif
