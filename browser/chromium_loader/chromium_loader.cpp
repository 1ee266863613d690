// WebView2Loader.dll for running the program under Wine on Linux: what the program asks of the
// WebView2 runtime, done by Debian's Chromium over the DevTools protocol. The view is a Chromium
// app window kept over the controller's bounds on the screen, not a child window. Everything the
// program does not call answers E_NOTIMPL (browser/slot_object.h).
//
// The objects belong to the thread that created them, as the runtime's do: completion handlers
// and events run there, from its message loop, through a message-only window of that thread.
#include "browser/chromium_loader/cdp_json.h"
#include "browser/chromium_loader/chromium_process.h"
#include "browser/com_object.h"
#include "browser/slot_object.h"

#include "base/utf8.h"
#include "base/wide_text.h"

#include <wrl/client.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT pipeNewsMessage = WM_APP + 1;    // WPARAM the session, LPARAM a PipeNews
constexpr UINT environmentMessage = WM_APP + 2; // LPARAM an EnvironmentDelivery

template <typename Object, typename... Arguments> ComPtr<Object> make(Arguments&&... arguments) {
    ComPtr<Object> object;
    object.Attach(new Object(std::forward<Arguments>(arguments)...));
    return object;
}

class FailedArgs final : public ComObject<ICoreWebView2ProcessFailedEventArgs> {
  public:
    explicit FailedArgs(COREWEBVIEW2_PROCESS_FAILED_KIND kind) : kind_(kind) {}
    HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override {
        if (!kind) return E_POINTER;
        *kind = kind_;
        return S_OK;
    }

  private:
    COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};

// One browser and its page, from the start of Chromium until Close or its end. Lives on the
// thread that created it; the controller and the view share it.
struct Session {
    WPARAM id = 0;
    HWND messages = nullptr; // the creating thread's window
    HWND parent = nullptr;
    ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> created; // until answered
    ICoreWebView2* view = nullptr;                                             // the sender of events
    UniqueKernelHandle toBrowser;
    bool closed = false;

    int nextId = 1;
    std::string targetId, pageSession;
    long long windowId = -1;
    // Page commands that came before the page was there: method and parameters, and a handler.
    struct Command {
        std::string method, params;
        ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> handler;
    };
    std::vector<Command> waiting;
    // What a reply means: the ids of ours that wait for one.
    enum class Reply { attach, window, script, nothing };
    std::map<int, std::pair<Reply, ComPtr<ICoreWebView2ExecuteScriptCompletedHandler>>> replies;

    RECT bounds{};
    bool visible = true;
    bool shown = true; // what Chromium's window shows now

    std::map<std::int64_t, ComPtr<ICoreWebView2ProcessFailedEventHandler>> failedHandlers;
    std::int64_t nextToken = 1;

    bool ready() const { return !pageSession.empty() && windowId >= 0; }

    void send(const std::string& method, const std::string& params, Reply reply = Reply::nothing,
              ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> handler = nullptr, bool toPage = false) {
        const int number = nextId++;
        std::string message =
            "{\"id\":" + std::to_string(number) + ",\"method\":\"" + method + "\",\"params\":" + params;
        if (toPage) message += ",\"sessionId\":\"" + pageSession + "\"";
        message += "}";
        if (reply != Reply::nothing) replies[number] = {reply, std::move(handler)};
        if (toBrowser) sendToBrowser(toBrowser.get(), message);
    }

    // Page commands wait until the page is there.
    void sendToPage(const std::string& method, const std::string& params,
                    ComPtr<ICoreWebView2ExecuteScriptCompletedHandler> handler = nullptr) {
        if (closed) return;
        if (!ready()) {
            waiting.push_back({method, params, std::move(handler)});
            return;
        }
        const Reply reply = handler ? Reply::script : Reply::nothing; // before the handler moves
        send(method, params, reply, std::move(handler), true);
    }

    // Puts Chromium's window over the bounds, mapped from the parent's client area to the screen,
    // or out of sight while the view is invisible or has no room.
    void place() {
        if (!ready() || closed) return;
        const std::string window = "{\"windowId\":" + std::to_string(windowId) + ",\"bounds\":";
        const bool show = visible && bounds.right > bounds.left && bounds.bottom > bounds.top;
        if (!show) {
            if (shown) {
                send("Browser.setWindowBounds", window + "{\"left\":-32000,\"top\":-32000}}");
                send("Browser.setWindowBounds", window + "{\"windowState\":\"minimized\"}}");
            }
            shown = false;
            return;
        }
        if (!shown) send("Browser.setWindowBounds", window + "{\"windowState\":\"normal\"}}");
        shown = true;
        POINT origin{bounds.left, bounds.top};
        ClientToScreen(parent, &origin);
        send("Browser.setWindowBounds",
             window + "{\"left\":" + std::to_string(origin.x) + ",\"top\":" + std::to_string(origin.y) +
                 ",\"width\":" + std::to_string(bounds.right - bounds.left) +
                 ",\"height\":" + std::to_string(bounds.bottom - bounds.top) + "}}");
    }

    void raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
        std::vector<ComPtr<ICoreWebView2ProcessFailedEventHandler>> handlers;
        for (auto& [token, handler] : failedHandlers)
            handlers.push_back(handler);
        ComPtr<ICoreWebView2> sender(view); // held through the calls, which may drop the view
        const ComPtr<FailedArgs> args = make<FailedArgs>(kind);
        for (auto& handler : handlers)
            handler->Invoke(sender.Get(), args.Get());
    }

    void close() {
        // Asked to close, Chromium writes its profile (the chat's login) away; the end of its input
        // ends it anyway.
        if (toBrowser) send("Browser.close", "{}");
        closed = true;
        toBrowser.reset();
        waiting.clear();
        replies.clear();
        failedHandlers.clear();
    }

    void received(std::string_view message);
    void answerCreated(HRESULT result);
};

// Sessions by id, for the news of their pipes; a closed session leaves, and its late news is dropped.
std::map<WPARAM, std::shared_ptr<Session>> sessions;
WPARAM lastSession = 0;

class View final : public SlotObject<View, ICoreWebView2> {
  public:
    explicit View(std::shared_ptr<Session> session) : session_(std::move(session)) { session_->view = get(); }
    ~View() {
        if (session_->view == get()) session_->view = nullptr;
    }
    static void fill(SlotTable<ICoreWebView2>& table) {
        table.put<&ICoreWebView2::Navigate, &View::Navigate>();
        table.put<&ICoreWebView2::ExecuteScript, &View::ExecuteScript>();
        table.put<&ICoreWebView2::Reload, &View::Reload>();
        table.put<&ICoreWebView2::add_ProcessFailed, &View::add_ProcessFailed>();
        table.put<&ICoreWebView2::remove_ProcessFailed, &View::remove_ProcessFailed>();
    }

    HRESULT Navigate(LPCWSTR uri) {
        if (!uri) return E_INVALIDARG;
        session_->sendToPage("Page.navigate", "{\"url\":" + jsonString(fromWide(uri)) + "}");
        return S_OK;
    }
    HRESULT ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) {
        if (!javaScript) return E_INVALIDARG;
        session_->sendToPage(
            "Runtime.evaluate",
            "{\"expression\":" + jsonString(fromWide(javaScript)) + ",\"returnByValue\":true}", handler);
        return S_OK;
    }
    HRESULT Reload() {
        session_->sendToPage("Page.reload", "{}");
        return S_OK;
    }
    HRESULT add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                              EventRegistrationToken* token) {
        ComPtr<ICoreWebView2ProcessFailedEventHandler> failed;
        if (!handler || !token || FAILED(handler->QueryInterface(IID_PPV_ARGS(&failed)))) return E_INVALIDARG;
        token->value = session_->nextToken++;
        session_->failedHandlers[token->value] = failed;
        return S_OK;
    }
    HRESULT remove_ProcessFailed(EventRegistrationToken token) {
        session_->failedHandlers.erase(token.value);
        return S_OK;
    }

  private:
    std::shared_ptr<Session> session_;
};

class Controller final : public SlotObject<Controller, ICoreWebView2Controller> {
  public:
    explicit Controller(std::shared_ptr<Session> session)
        : session_(std::move(session)), view_(make<View>(session_)) {}
    // The last reference closes the view, as the runtime's controller does.
    ~Controller() { Close(); }
    static void fill(SlotTable<ICoreWebView2Controller>& table) {
        using C = ICoreWebView2Controller;
        table.put<&C::get_IsVisible, &Controller::get_IsVisible>();
        table.put<&C::put_IsVisible, &Controller::put_IsVisible>();
        table.put<&C::get_Bounds, &Controller::get_Bounds>();
        table.put<&C::put_Bounds, &Controller::put_Bounds>();
        table.put<&C::get_ParentWindow, &Controller::get_ParentWindow>();
        table.put<&C::NotifyParentWindowPositionChanged, &Controller::NotifyParentWindowPositionChanged>();
        table.put<&C::Close, &Controller::Close>();
        table.put<&C::get_CoreWebView2, &Controller::get_CoreWebView2>();
    }

    HRESULT get_IsVisible(BOOL* isVisible) {
        if (!isVisible) return E_POINTER;
        *isVisible = session_->visible;
        return S_OK;
    }
    HRESULT put_IsVisible(BOOL isVisible) {
        session_->visible = isVisible != FALSE;
        session_->place();
        return S_OK;
    }
    HRESULT get_Bounds(RECT* bounds) {
        if (!bounds) return E_POINTER;
        *bounds = session_->bounds;
        return S_OK;
    }
    HRESULT put_Bounds(RECT bounds) {
        session_->bounds = bounds;
        session_->place();
        return S_OK;
    }
    HRESULT get_ParentWindow(HWND* parent) {
        if (!parent) return E_POINTER;
        *parent = session_->parent;
        return S_OK;
    }
    HRESULT NotifyParentWindowPositionChanged() {
        session_->place();
        return S_OK;
    }
    HRESULT Close() {
        if (session_->closed) return S_OK;
        session_->close();
        sessions.erase(session_->id);
        return S_OK;
    }
    HRESULT get_CoreWebView2(ICoreWebView2** view) {
        if (!view) return E_POINTER;
        return view_.CopyTo(view);
    }

  private:
    std::shared_ptr<Session> session_;
    ComPtr<View> view_;
};

void Session::answerCreated(HRESULT result) {
    const ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> handler = std::move(created);
    if (!handler) return;
    if (FAILED(result)) {
        handler->Invoke(result, nullptr);
        return;
    }
    std::shared_ptr<Session> self = sessions[id];
    const ComPtr<Controller> controller = make<Controller>(self);
    send("Inspector.enable", "{}", Reply::nothing, nullptr, true); // for the news of a crashed page
    place();
    for (Command& command : std::exchange(waiting, {}))
        sendToPage(command.method, command.params, std::move(command.handler));
    handler->Invoke(S_OK, controller->get());
}

// The ExecuteScript handler gets the value as JSON, and "null" for undefined, for what JSON cannot
// hold and for an exception, as the runtime gives it.
void answerScript(ICoreWebView2ExecuteScriptCompletedHandler* handler, std::string_view reply) {
    if (!handler) return;
    const auto result = jsonMember(reply, "result");
    if (!result) {
        handler->Invoke(E_FAIL, L"null");
        return;
    }
    const auto value = jsonMember(*result, "exceptionDetails")
                           ? std::nullopt
                           : jsonMember(jsonMember(*result, "result").value_or(""), "value");
    const std::u16string json = value ? fromUtf8(*value) : u"null";
    handler->Invoke(S_OK, reinterpret_cast<LPCWSTR>(json.c_str()));
}

void Session::received(std::string_view message) {
    if (const auto idText = jsonMember(message, "id")) {
        const auto reply = replies.find(std::atoi(std::string(*idText).c_str()));
        if (reply == replies.end()) return;
        const auto [kind, handler] = std::move(reply->second);
        replies.erase(reply);
        const std::string_view result = jsonMember(message, "result").value_or("");
        if (kind == Reply::script) answerScript(handler.Get(), message);
        if (kind == Reply::attach) pageSession = jsonText(result, "sessionId").value_or("");
        if (kind == Reply::window)
            windowId = std::atoll(std::string(jsonMember(result, "windowId").value_or("-1")).c_str());
        if ((kind == Reply::attach || kind == Reply::window) && created) {
            if (ready())
                answerCreated(S_OK);
            else if (jsonMember(message, "error"))
                answerCreated(E_FAIL);
        }
        return;
    }
    const std::string_view method = jsonText(message, "method").value_or("");
    const std::string_view params = jsonMember(message, "params").value_or("");
    if (method == "Target.targetCreated" && targetId.empty()) {
        const std::string_view target = jsonMember(params, "targetInfo").value_or("");
        if (jsonText(target, "type") != "page") return;
        targetId = jsonText(target, "targetId").value_or("");
        send("Target.attachToTarget", "{\"targetId\":\"" + targetId + "\",\"flatten\":true}", Reply::attach);
        send("Browser.getWindowForTarget", "{\"targetId\":\"" + targetId + "\"}", Reply::window);
    } else if (method == "Inspector.targetCrashed") {
        raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED);
    }
}

void pipeNews(WPARAM id, PipeNews& news) {
    const auto found = sessions.find(id);
    if (found == sessions.end()) return; // closed: its pipe ends with the news
    const std::shared_ptr<Session> session = found->second;
    switch (news.kind) {
    case PipeNews::connected:
        session->toBrowser = std::move(news.toBrowser);
        session->send("Target.setDiscoverTargets", "{\"discover\":true}");
        break;
    case PipeNews::message:
        session->received(news.text);
        break;
    case PipeNews::ended:
        sessions.erase(id);
        if (session->created) {
            session->answerCreated(E_FAIL); // it never came up
        } else if (!session->closed) {
            session->toBrowser.reset();
            // The program closes the view in there.
            session->raiseProcessFailed(COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED);
            session->close();
        }
        break;
    }
}

struct EnvironmentDelivery {
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler; // both held for the delivery
    ICoreWebView2Environment* environment;
};

LRESULT CALLBACK messageWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == pipeNewsMessage) {
        const std::unique_ptr<PipeNews> news(reinterpret_cast<PipeNews*>(lParam));
        pipeNews(wParam, *news);
        return 0;
    }
    if (message == environmentMessage) {
        const std::unique_ptr<EnvironmentDelivery> delivery(reinterpret_cast<EnvironmentDelivery*>(lParam));
        delivery->handler->Invoke(S_OK, delivery->environment);
        delivery->handler->Release();
        delivery->environment->Release();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The calling thread's message-only window, made at its first use.
HWND threadWindow() {
    static thread_local HWND window = nullptr;
    if (window) return window;
    static const ATOM windowClass = [] {
        WNDCLASSW description{};
        description.lpfnWndProc = messageWindowProcedure;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = L"VerbarixChromiumLoader";
        return RegisterClassW(&description);
    }();
    window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    return window;
}

class Environment final : public SlotObject<Environment, ICoreWebView2Environment> {
  public:
    Environment(std::string chromium, std::wstring dataFolder)
        : chromium_(std::move(chromium)), dataFolder_(std::move(dataFolder)) {}
    static void fill(SlotTable<ICoreWebView2Environment>& table) {
        table.put<&ICoreWebView2Environment::CreateCoreWebView2Controller,
                  &Environment::CreateCoreWebView2Controller>();
    }

    HRESULT CreateCoreWebView2Controller(HWND parent,
                                         ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
        if (!handler || !IsWindow(parent)) return E_INVALIDARG;
        auto session = std::make_shared<Session>();
        session->id = ++lastSession;
        session->messages = threadWindow();
        session->parent = parent;
        session->created = handler;
        // Until the program places it, the window waits where it does not cover the program.
        ChromiumStart start{chromium_, dataFolder_, {-32000, -32000, -31200, -31400}, testPort()};
        if (!session->messages || !startChromium(start, session->messages, pipeNewsMessage, session->id))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        sessions[session->id] = session;
        return S_OK;
    }

  private:
    // Tests serve the chats from 127.0.0.1: only a port is taken from them, never an address.
    static std::string testPort() {
        const char* port = std::getenv("VBX_CHROMIUM_TEST_PORT");
        const std::string digits = port ? port : "";
        const bool valid =
            !digits.empty() && digits.size() <= 5 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
        return valid ? digits : "";
    }

    std::string chromium_;
    std::wstring dataFolder_;
};

} // namespace

// As the real loader: fails at once without a browser to run (here: no Chromium, or no Wine),
// and answers with the environment later, through the calling thread's message loop.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR userDataFolder, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    if (!handler) return E_POINTER;
    std::string chromium = findChromium();
    if (chromium.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::wstring dataFolder = userDataFolder && *userDataFolder ? userDataFolder : defaultDataFolder();
    const HWND window = threadWindow();
    if (dataFolder.empty() || !window) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    handler->AddRef();
    auto* delivery = new EnvironmentDelivery{
        handler, (new Environment(std::move(chromium), std::move(dataFolder)))->get()};
    if (PostMessageW(window, environmentMessage, 0, reinterpret_cast<LPARAM>(delivery))) return S_OK;
    handler->Release();
    delivery->environment->Release();
    delete delivery;
    return E_UNEXPECTED;
}
