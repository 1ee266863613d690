#pragma once
// Our own declarations of the WebView2 interfaces the program uses.
// (Placeholder: the full ABI-exact declarations replace these.)

#include <windows.h>
#include <unknwn.h>

struct ICoreWebView2Controller : IUnknown {};
struct ICoreWebView2 : IUnknown {};
