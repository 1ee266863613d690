#include "tests/win/driver.h"

#include "app/shell.h"
#include "app/main_window.h"
#include "base/wide_text.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "library/storage.h"
#include "base/utf8.h"
#include "settings/settings.h"

#include <filesystem>
#include <set>
#include <tuple>

namespace {

Win* current = nullptr;
std::set<void*>& live = *new std::set<void*>; // outlives the program's own statics
const char16_t* const kTexts[] = {u"", u"für B ✓", u"Zeile 1\r\nZeile 2 <&>", u"\"x\" & 'y' 😀"};

void note(HWND owner, const std::string& line) { // the test's own folder as "~"
    current->dialogs.push_back(replaced(line, toUtf8(current->root), "~") + (owner == app().mainWindow ? "" : " (foreign owner)"));
}

BOOL WINAPI fileDialog(LPOPENFILENAMEW d) {
    std::string filter;
    for (const wchar_t* piece = d->lpstrFilter; *piece; piece += lstrlenW(piece) + 1)
        filter += utf8(piece) + "|";
    note(d->hwndOwner, filter + " " + utf8(d->lpstrFile) + " ." + utf8(d->lpstrDefExt) + " " + std::to_string(d->Flags) +
                           (d->lStructSize == sizeof *d ? "" : " (size)"));
    lstrcpynW(d->lpstrFile, wide(current->chosenFile), static_cast<int>(d->nMaxFile));
    return !current->chosenFile.empty();
}

// Points the entries of this exe's import table that hold `name` at `wrapper`; returns the real one.
template <typename F> F redirect(const wchar_t* dll, const char* name, F wrapper) {
    const auto real = reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleW(dll), name));
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto& nt = *reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + nt.OptionalHeader.DataDirectory[1].VirtualAddress);
    for (DWORD protection; d->Name; ++d)
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t)
            if (t->u1.Function == real && VirtualProtect(t, sizeof *t, PAGE_READWRITE, &protection))
                t->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
    return reinterpret_cast<F>(real);
}
// Counts what `fn` makes (what: live.insert(r)) or gives back (live.erase of an argument).
#define VBX_COUNT(dll, fn, what) \
    static decltype(&fn) real##fn = redirect(dll, #fn, static_cast<decltype(&fn)>([](auto... a) { auto r = real##fn(a...); if (r) what; return r; }));
#define VBX_MAKE(dll, fn) VBX_COUNT(dll, fn, live.insert(reinterpret_cast<void*>(r)))
#define VBX_FREE(dll, fn, arg) VBX_COUNT(dll, fn, live.erase(std::get<arg>(std::tuple(a...))))
VBX_MAKE(L"gdi32", CreateFontIndirectW) VBX_MAKE(L"gdi32", CreatePen) VBX_MAKE(L"gdi32", CreateSolidBrush)
VBX_MAKE(L"gdi32", CreateRoundRectRgn) VBX_MAKE(L"user32", GetDC)
VBX_FREE(L"gdi32", DeleteObject, 0) VBX_FREE(L"user32", ReleaseDC, 1)

void choose(HWND window, int id, HWND combo, unsigned entry) {
    SendMessageW(combo, CB_SETCURSEL, entry, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    pump();
}
BOOL CALLBACK countChild(HWND, LPARAM n) { return ++*reinterpret_cast<std::size_t*>(n) > 0; }
BOOL CALLBACK countWindow(HWND window, LPARAM n) { return EnumChildWindows(window, countChild, n), countChild(window, n); }

} // namespace

std::string utf8(const wchar_t* text) { return toUtf8(fromWide(text)); }
std::size_t gdiCount() { return live.size(); }
std::size_t windowCount() {
    std::size_t n = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&n));
    return n - app().favoriteButtons.size();
}

void pump() {
    MSG message;
    for (int round = 0; round < 3; ++round, Sleep(1))
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            if (message.message != WM_QUIT) TranslateMessage(&message), DispatchMessageW(&message);
}

void command(int id, int notification, HWND control) {
    SendMessageW(app().mainWindow, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control)), pump();
}

std::string text(HWND window) {
    wchar_t buffer[4096]{};
    return GetWindowTextW(window, buffer, 4096), utf8(buffer);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}
std::string flat(const std::string& text) { return replaced(replaced(text, "\r\n", "\\n"), "\n", "; "); }

Prompt prompt(const char* name, bool fav, const char* last) { return {fromUtf8(name), u"t" + fromUtf8(name), fav, fromUtf8(last)}; }

Box box(HWND window) {
    RECT r{};
    GetWindowRect(window, &r), MapWindowPoints(nullptr, app().mainWindow, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win::SetUp() {
    current = this;
    root = (std::filesystem::temp_directory_path() / ("vbx-" + std::to_string(GetCurrentProcessId()))).u16string();
    CreateDirectoryW(wide(root), nullptr);
    setLocalAppDataLookup([] { return std::optional(current->root); });
    showMessageBox = [](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
        note(owner, utf8(caption) + ": " + utf8(text) + " " + std::to_string(type));
        return current->answer;
    };
    askSaveFileName = askOpenFileName = fileDialog;
}

void Win::TearDown() { close(), std::filesystem::remove_all(std::filesystem::path(root)); }

HWND Win::start(int how) {
    app() = AppState{}; // as the process starts
    app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
    return ShowWindow(createMainWindow(GetModuleHandleW(nullptr)), show = how), pump(), app().mainWindow;
}

void Win::close() { DestroyWindow(app().mainWindow), pump(); }

void Win::write(const char16_t* file, const std::string& bytes) {
    CreateDirectoryW(wide(root + u"\\Quillory"), nullptr);
    ASSERT_TRUE(writeFileAtomically(path(file), bytes));
}

std::string Win::read(const char16_t* file) const { return readWholeFile(path(file)).value_or("-"); }

std::string Win::bytes(const PromptLibrary& library) const {
    return savePromptFile(library, path(u"~\\scratch.xml")) ? read(u"~\\scratch.xml") : "not written";
}

std::string Win::state() {
    std::string shown = "[";
    for (LRESULT i = 0, count = SendMessageW(app().promptCombo, CB_GETCOUNT, 0, 0); i < count; ++i) {
        wchar_t entry[256]{};
        SendMessageW(app().promptCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
        shown += (i ? "," : "") + utf8(entry);
    }
    shown += "]#" + std::to_string(SendMessageW(app().promptCombo, CB_GETCURSEL, 0, 0)) + " \"" + text(app().inputEdit) + "\"";
    for (const char16_t* file : {u"prompts.xml", u"prompts.xml.bak"}) {
        PromptLibrary library;
        shown += loadPromptFile(library, path(file)) ? " |" : " | -";
        for (const Prompt& p : library)
            shown += " " + toUtf8(p.name) + (p.fav ? "*" : "") + ":" + toUtf8(p.text) + ":" + toUtf8(p.lasttext);
    }
    const Settings stored = parseSettings(read(u"prompt.cf"));
    shown += " | p=" + std::to_string(stored.promptIndex) + " ai=" + std::to_string(stored.ai);
    for (const std::string& line : dialogs)
        shown += " | " + line;
    dialogs.clear();
    return flat(shown);
}

void Win::act(Act act, unsigned n) {
    AppState& s = app();
    const std::u16string typed = kTexts[n % std::size(kTexts)];
    if ((act == Font || act == Count || act == Colour) && !IsWindow(s.settingsWindow)) command(7002);
    const int colourFields[] = {7301, 7302, 7303, 7304, 7311, 7312};
    const wchar_t* colours[] = {L"#FF0000", L"102030", L"#GG0000", L"", L"#c8e6c8"};
    HWND secondary[] = {s.aboutWindow, s.settingsWindow, s.editorWindow}, edits[2]{};
    PromptLibrary incoming;
    switch (act) {
    case Choose: return choose(s.mainWindow, 0, s.promptCombo, n % std::max<LRESULT>(1, SendMessageW(s.promptCombo, CB_GETCOUNT, 0, 0)));
    case Type: return (void)SetWindowTextW(s.inputEdit, wide(typed));
    case Clear: return command(9001, BN_CLICKED, s.clearButton);
    case Paste: {
        HANDLE lock = CreateMutexW(nullptr, FALSE, L"VerbarixTestClipboard"); // one clipboard for all tests
        for (WaitForSingleObject(lock, INFINITE); !OpenClipboard(nullptr);)
            Sleep(10);
        EmptyClipboard();
        if (n % 4) SetClipboardData(CF_UNICODETEXT, memcpy(GlobalAlloc(GMEM_FIXED, typed.size() * 2 + 2), typed.c_str(), typed.size() * 2 + 2));
        CloseClipboard();
        command(9002, BN_CLICKED, s.pasteButton);
        return (void)ReleaseMutex(lock), (void)CloseHandle(lock);
    }
    case Favourite: return command(8000 + static_cast<int>(n % (s.favoriteButtons.size() + 2)), BN_CLICKED);
    case Send: return command(500, BN_CLICKED, s.sendButton);
    case Chat: return choose(s.mainWindow, 600, s.aiCombo, n % 3);
    case About: return command(7001);
    case Options: return command(7002);
    case Font: return choose(s.settingsWindow, 7100, GetDlgItem(s.settingsWindow, 7100), n % 10);
    case Count: return choose(s.settingsWindow, 7200, GetDlgItem(s.settingsWindow, 7200), n % 7);
    case Colour: return (void)SetWindowTextW(GetDlgItem(s.settingsWindow, colourFields[n % 6]), colours[n / 6 % 5]);
    case New: return command(3001);
    case Edit: return command(3002);
    case Save: // n = 0 saves the fields as they are
        for (HWND c = GetWindow(s.editorWindow, GW_CHILD); c && n; c = GetWindow(c, GW_HWNDNEXT)) // name, text
            if (wchar_t name[8]{}; GetClassNameW(c, name, 8) && lstrcmpiW(name, L"Edit") == 0)
                edits[(GetWindowLongW(c, GWL_STYLE) & ES_MULTILINE) != 0] = c;
        SetWindowTextW(edits[0], wide(u"P" + fromUtf8(std::to_string(n))));
        SetWindowTextW(edits[1], wide(typed));
        if (n) SendDlgItemMessageW(s.editorWindow, 2, BM_SETCHECK, n % 2 ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(s.editorWindow, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(s.editorWindow, 1)));
        return pump();
    case Shut: return (void)SendMessageW(secondary[n % 3], WM_CLOSE, 0, 0);
    case Delete: answer = n % 2 ? IDNO : IDYES; return command(3003);
    case Export: // cancelled, written, or into a folder that does not exist
        chosenFile = n % 3 == 0 ? u"" : root + (n % 3 == 1 ? u"\\export.xml" : u"\\fehlt\\export.xml");
        command(4001);
        EXPECT_TRUE(n % 3 != 1 || read(u"~\\export.xml") == bytes(s.library)) << "the export";
        return chosenFile.clear();
    case Import: // cancelled, a library of 1 to 4 prompts, an empty one, or not a library
        for (unsigned i = 0; i < n / 4 % 4 + 1; ++i)
            incoming.push_back(prompt(("I" + std::to_string(i)).c_str(), i % 2, i ? "" : "alt"));
        chosenFile = n % 4 ? root + u"\\import.xml" : u"";
        write(u"~\\import.xml", n % 4 == 1 ? bytes(incoming) : n % 4 == 2 ? "<prompts>\n</prompts>" : "<notes/>");
        command(4002);
        return chosenFile.clear();
    case Resize: return (void)SetWindowPos(s.mainWindow, nullptr, 0, 0, 400 + n % 1400, 300 + n % 800, SWP_NOZORDER | SWP_NOMOVE);
    case Restart: return close(), (void)start(show);
    case kActs: return;
    }
}
