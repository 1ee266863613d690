#include "browser/chromium_loader/chromium_process.h"

#include "browser/chromium_loader/cdp_json.h"

#include "base/utf8.h"
#include "base/wide_text.h"

#include <shlobj.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

struct BrowserLink::Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> messages;
    bool letGo = false; // the link is gone: write what is queued, then close
    bool gone = false;  // the browser is: nothing more is queued
};

namespace {

// Wine's path conversions, exported by its kernel32 only.
using UnixNameFunction = char*(CDECL*)(LPCWSTR);
using DosNameFunction = WCHAR*(CDECL*)(LPCSTR);

template <typename Function> Function wineExport(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

std::string unixPath(const std::wstring& windowsPath) {
    const auto convert = wineExport<UnixNameFunction>("wine_get_unix_file_name");
    char* path = convert ? convert(windowsPath.c_str()) : nullptr;
    if (!path) return {};
    std::string result(path);
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

std::wstring dosPath(const std::string& unixName) {
    const auto convert = wineExport<DosNameFunction>("wine_get_dos_file_name");
    WCHAR* path = convert ? convert(unixName.c_str()) : nullptr;
    if (!path) return {};
    std::wstring result(path);
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// One word for sh, whatever it holds.
std::string shellWord(const std::string& text) {
    std::string word = "'";
    for (char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

// One argument of a Windows command line, as CommandLineToArgvW reads it back (Wine builds the
// Linux program's argv that way).
std::wstring commandLineArgument(const std::wstring& text) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote gets one of its own.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// The shell line: it makes the FIFOs in the pipe folder we made, holds the browser's output FIFO
// open for writing (a FIFO without a writer reads as its end), says it is ready and waits for us
// to open the input FIFO and the hold. Then it starts the browser and keeps it: when the hold
// ends, the browser has five seconds to close by itself (it does at the end of its input), then it
// is ended. Wine's own descriptors are not the browser's business.
std::string shellLine(const ChromiumStart& start, const std::string& data, const std::string& pipeFolder) {
    const std::string pipe = shellWord(pipeFolder);
    const std::string profile = shellWord(data + "/chromium");
    const RECT& r = start.screenBounds;
    std::string line = "cd / || exit 1; for fd in $(ls /proc/$$/fd); do [ \"$fd\" -gt 2 ] && "
                       "eval \"exec $fd>&-\"; done; ";
    line += "mkdir -p -m 700 " + profile + " && mkfifo -m 600 " + pipe + "/in " + pipe + "/out " + pipe +
            "/hold || exit 1; ";
    line += "exec 4<>" + pipe + "/out; : >" + pipe + "/ready; exec 3<" + pipe + "/in 5<" + pipe +
            "/hold; rm -rf " + pipe + "; ";
    // The sandbox refuses to run as root; only then it goes, and with it the bar that says so.
    line += "extra=; [ \"$(id -u)\" = 0 ] && extra='--no-sandbox --test-type'; ";
    line += shellWord(start.chromium) + " $extra --remote-debugging-pipe --user-data-dir=" + profile +
            " --app=data:text/html, --no-first-run --no-default-browser-check --password-store=basic"
            " --force-device-scale-factor=1 --window-position=" +
            std::to_string(r.left) + "," + std::to_string(r.top) +
            " --window-size=" + std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top);
    if (!start.testPort.empty()) {
        const std::string local = " 127.0.0.1:" + start.testPort;
        line += " --test-type --ignore-certificate-errors --no-proxy-server --disable-background-networking"
                " --disable-component-update --disable-sync --host-resolver-rules='MAP chatgpt.com" +
                local + ",MAP gemini.google.com" + local + ",MAP copilot.microsoft.com" + local +
                ",MAP * ~NOTFOUND'";
    }
    line += " 5<&- </dev/null >/dev/null 2>" + shellWord(data + "/chromium.log") + " & ";
    return line + "browser=$!; exec 3<&- 4>&-; read -r _ <&5; "
                  "for _ in 1 2 3 4 5 6 7 8 9 10; do "
                  "kill -0 $browser 2>/dev/null || exit 0; sleep 0.5; done; "
                  "kill $browser; sleep 5; kill -9 $browser 2>/dev/null";
}

// Removes what the shell left in the pipe folder, and the folder.
void removePipeFolder(const std::wstring& pipe) {
    for (const wchar_t* name : {L"\\ready", L"\\in", L"\\out", L"\\hold"})
        DeleteFileW((pipe + name).c_str());
    RemoveDirectoryW(pipe.c_str());
}

// Waits for the shell's ready flag, opens the FIFOs, then reads until the browser ends.
void runPipe(std::wstring pipe, HWND window, UINT message, WPARAM session) {
    const auto post = [&](PipeNews::Kind kind, std::string text = {},
                          std::unique_ptr<BrowserLink> link = {}) {
        auto* news = new PipeNews{kind, std::move(text), std::move(link)};
        if (!PostMessageW(window, message, session, reinterpret_cast<LPARAM>(news))) delete news;
    };
    const auto open = [&](const wchar_t* name, DWORD access) {
        return UniqueKernelHandle(CreateFileW((pipe + name).c_str(), access,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                              nullptr));
    };
    UniqueKernelHandle fromBrowser;
    for (int waited = 0; waited < 30000 && !fromBrowser; waited += 10) {
        if (GetFileAttributesW((pipe + L"\\ready").c_str()) != INVALID_FILE_ATTRIBUTES)
            fromBrowser = open(L"\\out", GENERIC_READ);
        else
            Sleep(10);
    }
    // The shell goes on only when both its input and the hold are open; so they are, in its order.
    UniqueKernelHandle toBrowser = fromBrowser ? open(L"\\in", GENERIC_WRITE) : UniqueKernelHandle();
    UniqueKernelHandle hold = toBrowser ? open(L"\\hold", GENERIC_WRITE) : UniqueKernelHandle();
    if (hold) {
        post(PipeNews::connected, {}, std::make_unique<BrowserLink>(std::move(toBrowser), std::move(hold)));
        std::string pending;
        std::vector<char> buffer(1 << 16);
        DWORD got = 0;
        while (ReadFile(fromBrowser.get(), buffer.data(), DWORD(buffer.size()), &got, nullptr) && got > 0)
            for (std::string& text : takeMessages(pending, std::string_view(buffer.data(), got)))
                post(PipeNews::message, std::move(text));
    } else {
        removePipeFolder(pipe); // a shell that comes this late finds no FIFOs and ends
    }
    post(PipeNews::ended);
}

// Writes the queued messages, each with its NUL, until the link is let go and all is written, or
// the browser is gone; then closes the browser's input.
void writeToBrowser(std::shared_ptr<BrowserLink::Queue> queue, UniqueKernelHandle toBrowser) {
    for (;;) {
        std::string message;
        {
            std::unique_lock lock(queue->mutex);
            queue->changed.wait(lock, [&] { return !queue->messages.empty() || queue->letGo; });
            if (queue->messages.empty()) return;
            message = std::move(queue->messages.front());
            queue->messages.pop_front();
        }
        message += '\0';
        for (std::size_t at = 0; at < message.size();) {
            DWORD written = 0;
            if (!WriteFile(toBrowser.get(), message.data() + at, DWORD(message.size() - at), &written,
                           nullptr) ||
                !written) {
                const std::lock_guard lock(queue->mutex);
                queue->gone = true;
                queue->messages.clear();
                return;
            }
            at += written;
        }
    }
}

} // namespace

std::string findChromium() {
    if (!wineExport<UnixNameFunction>("wine_get_unix_file_name")) return {};
    std::vector<std::string> places{"/usr/bin/chromium", "/usr/bin/chromium-browser", "/snap/bin/chromium"};
    if (const std::string chosen = environment("VBX_CHROMIUM"); !chosen.empty()) places = {chosen};
    for (const std::string& place : places) {
        const std::wstring dos = dosPath(place);
        const DWORD attributes = dos.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(dos.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return place;
    }
    return {};
}

std::wstring defaultDataFolder() {
    std::string data = environment("XDG_DATA_HOME");
    if (data.empty()) data = environment("HOME") + "/.local/share";
    return dosPath(data + "/verbarix");
}

bool startChromium(const ChromiumStart& start, HWND window, UINT message, WPARAM session) {
    SHCreateDirectoryExW(nullptr, start.dataFolder.c_str(), nullptr);
    const std::string data = unixPath(start.dataFolder);
    const std::wstring shell = dosPath("/bin/bash");
    if (data.empty() || shell.empty()) return false;
    // A folder that this start alone made: another start, of this program or of another one on the
    // same profile, never takes its FIFOs or removes them.
    static std::atomic<unsigned> starts{0};
    std::wstring pipe;
    for (int tries = 0; pipe.empty() && tries < 100; ++tries) {
        const std::wstring candidate = start.dataFolder + L"\\chromium-pipe-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(++starts);
        if (CreateDirectoryW(candidate.c_str(), nullptr))
            pipe = candidate;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    const std::string pipeFolder = pipe.empty() ? std::string() : unixPath(pipe);
    if (pipeFolder.empty()) {
        if (!pipe.empty()) RemoveDirectoryW(pipe.c_str());
        return false;
    }
    std::wstring commandLine = commandLineArgument(shell) + L" -c " +
                               commandLineArgument(wide(fromUtf8(shellLine(start, data, pipeFolder))));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // bash, not sh: Wine's descriptors above 9 are closed by number. Detached: a GUI program's Linux child
    // gets no console of Wine's.
    if (!CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process)) {
        RemoveDirectoryW(pipe.c_str());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::thread(runPipe, pipe, window, message, session).detach();
    return true;
}

BrowserLink::BrowserLink(UniqueKernelHandle toBrowser, UniqueKernelHandle hold)
    : queue_(std::make_shared<Queue>()), hold_(std::move(hold)) {
    std::thread(writeToBrowser, queue_, std::move(toBrowser)).detach();
}

BrowserLink::~BrowserLink() {
    const std::lock_guard lock(queue_->mutex);
    queue_->letGo = true;
    queue_->changed.notify_one();
}

void BrowserLink::send(std::string message) {
    const std::lock_guard lock(queue_->mutex);
    if (queue_->gone) return;
    queue_->messages.push_back(std::move(message));
    queue_->changed.notify_one();
}
