#include "browser/chromium_loader/chromium_process.h"

#include "browser/chromium_loader/cdp_json.h"

#include "base/utf8.h"
#include "base/wide_text.h"

#include <shlobj.h>

#include <thread>
#include <vector>

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

// The shell line: it makes the two FIFOs, holds the browser's output FIFO open for writing (a
// FIFO without a writer reads as its end), says it is ready, waits for us to open the input
// FIFO, and becomes the browser. Wine's own descriptors are not the browser's business.
std::string shellLine(const ChromiumStart& start, const std::string& data) {
    const std::string pipe = shellWord(data + "/chromium-pipe");
    const std::string profile = shellWord(data + "/chromium");
    const RECT& r = start.screenBounds;
    std::string line = "cd / || exit 1; for fd in $(ls /proc/$$/fd); do [ \"$fd\" -gt 2 ] && "
                       "eval \"exec $fd>&-\"; done; ";
    line += "rm -rf " + pipe + " && mkdir -p -m 700 " + pipe + " " + profile + " && mkfifo " + pipe + "/in " +
            pipe + "/out || exit 1; ";
    line += "exec 4<>" + pipe + "/out; : >" + pipe + "/ready; exec 3<" + pipe + "/in; rm -rf " + pipe + "; ";
    // The sandbox refuses to run as root; only then it goes, and with it the bar that says so.
    line += "extra=; [ \"$(id -u)\" = 0 ] && extra='--no-sandbox --test-type'; ";
    line += "exec " + shellWord(start.chromium) +
            " $extra --remote-debugging-pipe --user-data-dir=" + profile +
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
    return line + " </dev/null >/dev/null 2>" + shellWord(data + "/chromium.log");
}

// Waits for the shell's ready flag, opens the FIFOs, then reads until the browser ends.
void runPipe(std::wstring pipe, HWND window, UINT message, WPARAM session) {
    const auto post = [&](PipeNews::Kind kind, std::string text = {}, UniqueKernelHandle handle = {}) {
        auto* news = new PipeNews{kind, std::move(text), std::move(handle)};
        if (!PostMessageW(window, message, session, reinterpret_cast<LPARAM>(news))) delete news;
    };
    UniqueKernelHandle fromBrowser;
    for (int waited = 0; waited < 30000 && !fromBrowser; waited += 10) {
        if (GetFileAttributesW((pipe + L"\\ready").c_str()) != INVALID_FILE_ATTRIBUTES)
            fromBrowser.reset(CreateFileW((pipe + L"\\out").c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
        else
            Sleep(10);
    }
    if (fromBrowser) {
        UniqueKernelHandle toBrowser(CreateFileW((pipe + L"\\in").c_str(), GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                 0, nullptr));
        if (toBrowser) {
            post(PipeNews::connected, {}, std::move(toBrowser));
            std::string pending;
            std::vector<char> buffer(1 << 16);
            DWORD got = 0;
            while (ReadFile(fromBrowser.get(), buffer.data(), DWORD(buffer.size()), &got, nullptr) && got > 0)
                for (std::string& text : takeMessages(pending, std::string_view(buffer.data(), got)))
                    post(PipeNews::message, std::move(text));
        }
    }
    post(PipeNews::ended);
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
    const std::wstring pipe = start.dataFolder + L"\\chromium-pipe";
    DeleteFileW((pipe + L"\\ready").c_str()); // a flag left by an earlier run must not be taken for this one
    std::wstring commandLine =
        commandLineArgument(shell) + L" -c " + commandLineArgument(wide(fromUtf8(shellLine(start, data))));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // bash, not sh: Wine's descriptors above 9 are closed by number. Detached: a GUI program's Linux child
    // gets no console of Wine's.
    if (!CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::thread(runPipe, pipe, window, message, session).detach();
    return true;
}

bool sendToBrowser(HANDLE toBrowser, const std::string& message) {
    const std::string framed = message + '\0';
    DWORD written = 0;
    return WriteFile(toBrowser, framed.data(), DWORD(framed.size()), &written, nullptr) &&
           written == framed.size();
}
