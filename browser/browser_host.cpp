// The WebView2 host: loads the runtime's loader at run time, creates the view as a child
// of the main window through two completion callbacks, places it, opens the chats and
// runs the chat script. Without the runtime the program works on and shows a hint.
#include "browser/browser_host.h"

#include "base/wide_text.h"
#include "base/window.h"
#include "browser/chat_script.h"
#include "browser/com_object.h"
#include "browser/webview2_sdk.h"
#include "services/app_state.h"
#include "services/program.h"

#include <wrl/client.h>

#include <cstdlib>
#include <string>

namespace {

constexpr wchar_t runtimeMissingHint[] =
    L"Für die KI-Ansicht wird die Microsoft Edge WebView2 Runtime benötigt.";
constexpr wchar_t loaderMissingHint[] =
    L"Für die KI-Ansicht wird die Datei WebView2Loader.dll neben Verbarix.exe benötigt.";
constexpr wchar_t loaderFileName[] = L"WebView2Loader.dll";

// The loader stays loaded for the whole run: the objects it hands out live on in it.
HMODULE loaderModule = nullptr;

// The view and its controller; empty until their creation has completed.
Microsoft::WRL::ComPtr<ICoreWebView2Controller> controller;
Microsoft::WRL::ComPtr<ICoreWebView2> webView;
// The hint shown in the view's place when there is no view.
HWND hint = nullptr;
// The chat chosen last: a view made anew opens it.
AiTarget chosenChat = 0;

// The runtime's environment, kept so that a view whose browser process died is made anew in it.
Microsoft::WRL::ComPtr<ICoreWebView2Environment> browserEnvironment;
// Our ProcessFailed registration on the current view.
EventRegistrationToken processFailedToken{};

// Whether the view was hidden while the main window is minimised.
bool viewHidden = false;

// The view's rectangle in the main window; not clamped, so a tiny or minimised window
// gives a rectangle whose right or bottom lies before its left or top.
RECT browserBounds(HWND mainWindow) {
    RECT client{};
    GetClientRect(mainWindow, &client);
    return {620, 48, client.right - 10, client.bottom - 10};
}

void placeHint(HWND mainWindow) {
    if (!isWindow(hint)) return;
    const RECT r = browserBounds(mainWindow);
    MoveWindow(hint, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    // A static control repaints only what a resize uncovers; its centred text moves as a whole.
    InvalidateRect(hint, nullptr, TRUE);
}

// Shown in the view's place while the program runs without a view.
void showRuntimeHint(HWND mainWindow, const wchar_t* text = runtimeMissingHint) {
    if (isWindow(hint)) return;
    if (!isWindow(mainWindow)) return;
    hint = createControl(mainWindow, 0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 0, 0, 0);
    placeHint(mainWindow);
}

void removeRuntimeHint() {
    if (isWindow(hint)) DestroyWindow(hint);
    hint = nullptr;
}

// A completion or event handler that knows the main window and the chosen chat.
template <typename Interface> class CompletionHandler : public ComObject<Interface> {
  protected:
    CompletionHandler(HWND mainWindow, AiTarget ai) : mainWindow_(mainWindow), ai_(ai) {}

    HWND mainWindow_;
    AiTarget ai_;
};

// Takes the view down: first our handler off it, then closed while its parent still exists
// (so the runtime takes its windows down in order), then our references.
void closeView() {
    if (webView) webView->remove_ProcessFailed(processFailedToken);
    if (controller) controller->Close();
    webView.Reset();
    controller.Reset();
}

void createController(HWND mainWindow, AiTarget ai);

class ProcessFailed final : public CompletionHandler<ICoreWebView2ProcessFailedEventHandler> {
  public:
    ProcessFailed(HWND mainWindow, AiTarget ai) : CompletionHandler(mainWindow, ai) {}

    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) override {
        COREWEBVIEW2_PROCESS_FAILED_KIND kind{};
        if (!args || FAILED(args->get_ProcessFailedKind(&kind))) return S_OK;
        // The runtime brings back the other kinds itself.
        if ((kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED ||
             kind == COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE) &&
            webView)
            webView->Reload();
        if (kind != COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) return S_OK;
        // The browser process took the controller and the view with it: both are made anew,
        // on the chat the user has chosen by now.
        closeView();
        createController(mainWindow_, chosenChat);
        return S_OK;
    }
};

class ControllerCompleted final
    : public CompletionHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> {
  public:
    ControllerCompleted(HWND mainWindow, AiTarget ai) : CompletionHandler(mainWindow, ai) {}

    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* created) override {
        // A late or second answer never takes the place of the view we already have.
        if (controller) return S_OK;
        if (FAILED(errorCode) || !created) {
            showRuntimeHint(mainWindow_);
            return S_OK;
        }
        controller = created;
        viewHidden = false;
        webView.Reset();
        created->get_CoreWebView2(webView.GetAddressOf());
        if (webView) {
            auto* failed = new ProcessFailed(mainWindow_, ai_);
            webView->add_ProcessFailed(failed, &processFailedToken);
            failed->Release();
        }
        removeRuntimeHint();
        resizeBrowser(mainWindow_); // hidden at once if the window is minimised by now
        if (webView) webView->Navigate(wide(std::u16string(aiStartAddress(ai_))));
        return S_OK;
    }
};

class EnvironmentCompleted final
    : public CompletionHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> {
  public:
    EnvironmentCompleted(HWND mainWindow, AiTarget ai) : CompletionHandler(mainWindow, ai) {}

    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* environment) override {
        if (FAILED(errorCode) || !environment) {
            showRuntimeHint(mainWindow_);
            return S_OK;
        }
        browserEnvironment = environment;
        createController(mainWindow_, ai_);
        return S_OK;
    }
};

void createController(HWND mainWindow, AiTarget ai) {
    auto* handler = new ControllerCompleted(mainWindow, ai);
    const HRESULT created = browserEnvironment->CreateCoreWebView2Controller(mainWindow, handler);
    handler->Release();
    if (FAILED(created)) showRuntimeHint(mainWindow);
}

// An export of the loader, looked up by the name of the SDK's declaration and given its type.
#define LOADER_EXPORT(function)                                                                              \
    reinterpret_cast<decltype(&function)>(reinterpret_cast<void*>(GetProcAddress(loaderModule, #function)))

// The loader beside the exe first, then from the system's default DLL folders.
decltype(&CreateCoreWebView2EnvironmentWithOptions) findEnvironmentFactory() {
    if (!loaderModule) {
        std::wstring path(MAX_PATH, L'\0');
        DWORD length = 0;
        while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
               path.size())
            path.resize(path.size() * 2);
        path.resize(length);
        const std::size_t slash = path.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            path.resize(slash + 1);
            loaderModule = LoadLibraryW((path + loaderFileName).c_str());
        }
        // Never from the current folder, where anybody might have put a DLL of that name.
        if (!loaderModule)
            loaderModule = LoadLibraryExW(loaderFileName, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }
    if (!loaderModule) return nullptr;
    return LOADER_EXPORT(CreateCoreWebView2EnvironmentWithOptions);
}

} // namespace

void startBrowser(HWND mainWindow, AiTarget ai) {
    chosenChat = ai;
    // Without LOCALAPPDATA the runtime picks its own default profile folder.
    std::wstring profileFolder;
    const wchar_t* localAppData = _wgetenv(L"LOCALAPPDATA");
    if (localAppData) profileFolder = std::wstring(localAppData) + L"\\Scrivane_V4";

    const auto createEnvironment = findEnvironmentFactory();
    if (!createEnvironment) {
        showRuntimeHint(mainWindow, loaderMissingHint);
        return;
    }
    auto* handler = new EnvironmentCompleted(mainWindow, ai);
    const HRESULT created =
        createEnvironment(nullptr, localAppData ? profileFolder.c_str() : nullptr, nullptr, handler);
    handler->Release(); // the runtime holds its own reference while it works
    if (FAILED(created)) showRuntimeHint(mainWindow);
}

void resizeBrowser(HWND mainWindow) {
    if (controller) {
        // A minimised window has no room for the view: hidden, it keeps its last place.
        const bool minimised = IsIconic(mainWindow);
        if (minimised != viewHidden) controller->put_IsVisible(minimised ? FALSE : TRUE);
        viewHidden = minimised;
        if (!minimised) controller->put_Bounds(browserBounds(mainWindow));
    }
    placeHint(mainWindow);
}

void browserParentMoved() {
    // The view's own windows (menus, tooltips) are placed in screen coordinates.
    if (controller) controller->NotifyParentWindowPositionChanged();
}

void switchChat(int index) {
    const AppState& state = app();
    if (index >= 0) chosenChat = index;
    reportSave(
        storeSettings(state.paths.settings, state.live, [index](Settings& settings) { settings.ai = index; }),
        state.paths.settings);
    if (!webView) return;
    if (const auto address = chatAddressForSelection(index))
        webView->Navigate(wide(std::u16string(*address)));
}

void sendPromptToChat(std::int32_t libraryIndex, const std::u16string& inputText) {
    const AppState& state = app();
    if (!isPromptIndex(state.library, libraryIndex)) return;
    sendTextToChat(state.library[static_cast<std::size_t>(libraryIndex)].text, inputText);
}

void sendTextToChat(const std::u16string& promptText, const std::u16string& inputText) {
    if (webView) webView->ExecuteScript(wide(chatScriptFor(promptText, inputText)), nullptr);
}

HWND browserHint() {
    return hint;
}

void releaseBrowser() {
    closeView();
    browserEnvironment.Reset();
    removeRuntimeHint();
}
