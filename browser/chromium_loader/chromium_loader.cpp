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
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr UINT pipeNewsMessage = WM_APP + 1;    // WPARAM the session, LPARAM a PipeNews
constexpr UINT environmentMessage = WM_APP + 2; // LPARAM an EnvironmentDelivery

// A browser whose view has not come by then is given up, and the program shows its hint.
constexpr UINT viewTimeout = 30000;
// A browser that keeps ending is started at most this often: three times a minute.
constexpr std::size_t startsPerMinute = 3;

// Chromium's window is no window of ours and covers whatever shares its place on the screen
// (inside a Wine desktop window, whatever the stacking): it makes way while a modal box or dialog
// holds the program's window, and while any other window of the program lies over the view (boxes,
// the program's other windows, menus, drop-down lists).
bool makesWay(HWND parent, const RECT& onScreen) {
    const HWND top = GetAncestor(parent, GA_ROOT);
    if (!IsWindowEnabled(top)) return true;
    for (HWND above = GetWindow(top, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
        DWORD process = 0;
        GetWindowThreadProcessId(above, &process);
        RECT window{}, overlap{};
        if (process == GetCurrentProcessId() && IsWindowVisible(above) && !IsIconic(above) &&
            GetWindowRect(above, &window) && IntersectRect(&overlap, &window, &onScreen))
            return true;
    }
    return false;
}

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
    ChromiumStart start;  // what the browser is started with
    bool started = false; // false while the start waits its turn
    std::unique_ptr<BrowserLink> link;
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
    RECT placed{};     // and where on the screen

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
        if (link) link->send(std::move(message));
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
    // or out of sight while the view is invisible, has no room or makes way for the program's
    // windows. Tells Chromium only what changed.
    void place() {
        if (!ready() || closed) return;
        const std::string window = "{\"windowId\":" + std::to_string(windowId) + ",\"bounds\":";
        POINT origin{bounds.left, bounds.top};
        ClientToScreen(parent, &origin);
        const RECT onScreen{origin.x, origin.y, origin.x + bounds.right - bounds.left,
                            origin.y + bounds.bottom - bounds.top};
        const bool show = visible && !IsRectEmpty(&onScreen) && !makesWay(parent, onScreen);
        if (!show) {
            if (shown) {
                send("Browser.setWindowBounds", window + "{\"left\":-32000,\"top\":-32000}}");
                send("Browser.setWindowBounds", window + "{\"windowState\":\"minimized\"}}");
            }
            shown = false;
            return;
        }
        if (shown && EqualRect(&onScreen, &placed)) return;
        if (!shown) send("Browser.setWindowBounds", window + "{\"windowState\":\"normal\"}}");
        shown = true;
        placed = onScreen;
        send("Browser.setWindowBounds", window + "{\"left\":" + std::to_string(onScreen.left) +
                                            ",\"top\":" + std::to_string(onScreen.top) +
                                            ",\"width\":" + std::to_string(onScreen.right - onScreen.left) +
                                            ",\"height\":" + std::to_string(onScreen.bottom - onScreen.top) +
                                            "}}");
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

    // Lets go of the browser, which ends it: asked to close, Chromium writes its profile (the chat's
    // login) away; the end of its input ends it anyway, and its keeper ends it if it hangs.
    void close() {
        if (link) send("Browser.close", "{}");
        closed = true;
        KillTimer(messages, id);
        link.reset();
        waiting.clear();
        replies.clear();
        failedHandlers.clear();
    }

    void received(std::string_view message);
    void answerCreated(HRESULT result);
    void fail();
};

// The sessions of this thread by id, for the news of their pipes and their timers; a closed session
// leaves, and its late news is dropped.
thread_local std::map<WPARAM, std::shared_ptr<Session>> sessions;
thread_local WPARAM lastSession = 0;
thread_local HHOOK windowWatch = nullptr;

// Places the views again whenever a window of this thread is shown, hidden, moved, enabled or
// disabled: a box or window that comes over a view sends it away until it goes.
LRESULT CALLBACK watchWindows(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && (sent->message == WM_WINDOWPOSCHANGED || sent->message == WM_ENABLE) &&
        !(GetWindowLongPtrW(sent->hwnd, GWL_STYLE) & WS_CHILD))
        for (const auto& [id, session] : sessions)
            session->place();
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void remember(const std::shared_ptr<Session>& session) {
    sessions[session->id] = session;
    if (!windowWatch)
        windowWatch = SetWindowsHookExW(WH_CALLWNDPROCRET, watchWindows, nullptr, GetCurrentThreadId());
}

void forget(WPARAM id) {
    sessions.erase(id);
    if (sessions.empty() && windowWatch) {
        UnhookWindowsHookEx(windowWatch);
        windowWatch = nullptr;
    }
}

// A view that will not come: its browser is ended, and the program hears of the failure. The
// caller holds the session.
void Session::fail() {
    close();
    forget(id);
    answerCreated(E_FAIL);
}

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
        forget(session_->id);
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
    KillTimer(messages, id);
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
                fail();
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
        session->link = std::move(news.link);
        session->send("Target.setDiscoverTargets", "{\"discover\":true}");
        break;
    case PipeNews::message:
        session->received(news.text);
        break;
    case PipeNews::ended:
        if (session->created) {
            session->fail(); // it never came up
        } else {
            forget(id);
            session->link.reset();
            session->raiseProcessFailed(
                COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED); // the program closes the view in
                                                                          // there
            session->close();
        }
        break;
    }
}

struct EnvironmentDelivery {
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler; // both held for the delivery
    ICoreWebView2Environment* environment;
};

// A session's timer: its turn to start the browser has come, or its view did not come in time.
void sessionTimer(HWND window, WPARAM id) {
    KillTimer(window, id);
    const auto found = sessions.find(id);
    if (found == sessions.end()) return;
    const std::shared_ptr<Session> session = found->second;
    if (session->started) {
        if (session->created) session->fail();
        return;
    }
    session->started = true;
    if (!IsWindow(session->parent) || !startChromium(session->start, window, pipeNewsMessage, id))
        session->fail();
    else
        SetTimer(window, id, viewTimeout, nullptr);
}

LRESULT CALLBACK messageWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        sessionTimer(window, wParam);
        return 0;
    }
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
        session->start = {chromium_, dataFolder_, {-32000, -32000, -31200, -31400}, testPort()};
        if (!session->messages) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        // A browser that keeps ending (the program makes its view anew each time) waits its turn.
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG turn =
            starts_.size() < startsPerMinute ? now : std::max(now, starts_.front() + 60000);
        starts_.push_back(turn);
        if (starts_.size() > startsPerMinute) starts_.pop_front();
        if (turn > now) {
            if (!SetTimer(session->messages, session->id, UINT(turn - now), nullptr))
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        } else {
            session->started = true;
            if (!startChromium(session->start, session->messages, pipeNewsMessage, session->id))
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            SetTimer(session->messages, session->id, viewTimeout, nullptr);
        }
        remember(session);
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
    std::deque<ULONGLONG> starts_; // when the last browsers were started, or are to be
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
