// Stand-in until the WebView2 host lands: the program works on without a view.
#include "browser/browser_host.h"

void startBrowser(HWND, AiTarget) {}
void resizeBrowser(HWND) {}
void switchChat(HWND) {}
void sendPromptToChat(std::int32_t, const std::u16string&) {}
