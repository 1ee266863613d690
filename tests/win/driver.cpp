#include "tests/win/driver.h"

#include "services/program.h"
#include "app/main_window.h"
#include "library/storage.h"
#include "settings/settings.h"

#include <algorithm>
#include <filesystem>

namespace {

Win* current = nullptr;
std::set<void*>& made = *new std::set<void*>; // outlives the program's own statics
const char16_t* const kTexts[] = {u"", u"für B ✓", u"Zeile 1\r\nZeile 2 <&>", u"\"x\" & 'y' 😀"};
const char16_t* const kQueries[] = {u"", u"ÜBER", u"p", u"zz"};

void note(HWND owner, const std::string& line) { // the test's own folder as "~"
    const bool foreign = owner != app().mainWindow;
    current->dialogs.push_back(replaced(line, toUtf8(current->root), "~") +
                               (foreign ? " (foreign owner)" : ""));
}

BOOL WINAPI fileDialog(LPOPENFILENAMEW d) {
    std::string filter;
    for (const wchar_t* piece = d->lpstrFilter; *piece; piece += lstrlenW(piece) + 1)
        filter += utf8(piece) + "|";
    note(d->hwndOwner, filter + " " + utf8(d->lpstrFile) + " ." + utf8(d->lpstrDefExt) + " " +
                           std::to_string(d->Flags) + (d->lStructSize == sizeof *d ? "" : " (size)"));
    lstrcpynW(d->lpstrFile, wide(current->chosenFile), static_cast<int>(d->nMaxFile));
    return !current->chosenFile.empty();
}

// Points the entries of this exe's import table that hold `name` at `wrapper`; returns the real one.
template <typename F> F redirect(const wchar_t* dll, const char* name, F wrapper) {
    const auto real = reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleW(dll), name));
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* d =
        reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + nt->OptionalHeader.DataDirectory[1].VirtualAddress);
    for (DWORD protection; d->Name; ++d)
        for (auto* t = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); t->u1.Function; ++t)
            if (t->u1.Function == real && VirtualProtect(t, sizeof *t, PAGE_READWRITE, &protection))
                t->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
    return reinterpret_cast<F>(real);
}
// Counts what `fn` makes (what: made.insert(r)) or gives back (made.erase of an argument).
#define VBX_COUNT(dll, fn, what)                                                                             \
    decltype(&fn) real##fn = redirect(dll, #fn, static_cast<decltype(&fn)>([](auto... a) {                   \
                                          auto r = real##fn(a...);                                           \
                                          if (r) what;                                                       \
                                          return r;                                                          \
                                      }));
#define VBX_MAKE(dll, fn) VBX_COUNT(dll, fn, made.insert(reinterpret_cast<void*>(r)))
#define VBX_FREE(dll, fn, arg) VBX_COUNT(dll, fn, made.erase(std::get<arg>(std::tuple(a...))))
VBX_MAKE(L"gdi32", CreateFontIndirectW)
VBX_MAKE(L"gdi32", CreatePen)
VBX_MAKE(L"gdi32", CreateSolidBrush)
VBX_MAKE(L"gdi32", CreateRoundRectRgn)
VBX_MAKE(L"user32", GetDC)
VBX_FREE(L"gdi32", DeleteObject, 0)
VBX_FREE(L"user32", ReleaseDC, 1)
std::set<HWND>& invalidated = *new std::set<HWND>;
VBX_COUNT(L"user32", InvalidateRect, invalidated.insert(std::get<0>(std::tuple(a...))))

std::u16string drawn; // the text of the program's last DrawTextW
decltype(&DrawTextW) realDrawTextW =
    redirect(L"user32", "DrawTextW", static_cast<decltype(&DrawTextW)>([](auto... a) {
                 const auto [dc, text, length, rect, format] = std::tuple(a...);
                 drawn = fromWide((length < 0 ? std::wstring(text) : std::wstring(text, length)).c_str());
                 return realDrawTextW(a...);
             }));

void choose(HWND window, int id, HWND combo, unsigned entry) {
    SendMessageW(combo, CB_SETCURSEL, entry, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    pump();
}

// Fills the editor with the name "P<n>", typed text n and the favourite box set when n is odd
// (n = 0 leaves the fields as they are), then saves.
void save(unsigned n, const std::u16string& typed) {
    HWND editor = app().editorWindow, name = FindWindowExW(editor, nullptr, L"Edit", nullptr);
    if (n) {
        SetWindowTextW(name, wide(u"P" + fromUtf8(std::to_string(n))));
        SetWindowTextW(FindWindowExW(editor, name, L"Edit", nullptr), wide(typed));
        SendDlgItemMessageW(editor, 2, BM_SETCHECK, n % 2 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(editor, 1)));
    pump();
}

// In the search window: Enter, Ctrl+Enter, Down then Enter, a double click, or Escape.
void pickFound(unsigned n) {
    HWND window = app().searchWindow, field = GetDlgItem(window, 1), list = GetDlgItem(window, 2);
    BYTE keys[256]{}; // no other key is down in the tests
    keys[VK_CONTROL] = n % 5 == 1 ? 0x80 : 0;
    SetKeyboardState(keys);
    if (n % 5 == 2) SendMessageW(field, WM_KEYDOWN, VK_DOWN, 0);
    if (n % 5 == 3)
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(2, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    else
        SendMessageW(field, WM_KEYDOWN, n % 5 == 4 ? VK_ESCAPE : VK_RETURN, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    pump();
}

// "[entry,entry]" of a combo box.
std::string entries(HWND box) {
    std::string shown;
    for (LRESULT i = 0, n = SendMessageW(box, CB_GETCOUNT, 0, 0); i < n; ++i) {
        wchar_t entry[256]{};
        SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
        shown += (i ? "," : "") + utf8(entry);
    }
    return "[" + shown + "]";
}

// "[row,row]" of the search window's list, each row as the window draws it (into a memory DC).
std::string drawnRows(HWND search) {
    HWND list = GetDlgItem(search, 2);
    HDC dc = CreateCompatibleDC(nullptr);
    std::string shown;
    for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
        DRAWITEMSTRUCT row{ODT_LISTBOX,     2, static_cast<UINT>(i), ODA_DRAWENTIRE, 0, list, dc,
                           {0, 0, 300, 20}, 0};
        drawn = u"(nothing drawn)";
        SendMessageW(search, WM_DRAWITEM, 2, reinterpret_cast<LPARAM>(&row));
        shown += (i ? "," : "") + toUtf8(drawn);
    }
    DeleteDC(dc);
    return "[" + shown + "]";
}

std::string summary(const PromptLibrary& library) {
    std::string shown;
    for (const Prompt& p : library)
        shown += " " + toUtf8(p.name) + (p.fav ? "*" : "") +
                 (p.text == u"t" + p.name ? "" : "=" + toUtf8(p.text)) +
                 (p.lasttext.empty() ? "" : ":" + toUtf8(p.lasttext));
    return shown.empty() ? shown : shown.substr(1);
}

} // namespace

std::string utf8(const wchar_t* text) {
    return toUtf8(fromWide(text));
}
std::size_t gdiCount() {
    return made.size();
}
std::set<HWND> takeInvalidated() {
    return std::exchange(invalidated, {});
}

// Three rounds a millisecond apart, for what the handled messages post.
void pump() {
    for (int round = 0; round < 3; ++round) {
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
        Sleep(1);
    }
}

void withClipboard(const std::u16string& typed, const std::function<void()>& use) {
    HANDLE lock = CreateMutexW(nullptr, FALSE, L"VerbarixTestClipboard"); // one clipboard for all tests
    for (WaitForSingleObject(lock, INFINITE); !OpenClipboard(nullptr);)
        Sleep(10);
    EmptyClipboard();
    const std::size_t size = typed.size() * 2 + 2;
    if (!typed.empty())
        SetClipboardData(CF_UNICODETEXT, memcpy(GlobalAlloc(GMEM_FIXED, size), typed.c_str(), size));
    CloseClipboard();
    use();
    ReleaseMutex(lock);
    CloseHandle(lock);
}

void command(int id) {
    SendMessageW(app().mainWindow, WM_COMMAND, id, 0);
    pump();
}

std::string text(HWND window) {
    wchar_t buffer[4096]{};
    GetWindowTextW(window, buffer, 4096);
    return utf8(buffer);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

Prompt prompt(const char* name, bool fav, const char* last) {
    return {fromUtf8(name), u"t" + fromUtf8(name), fav, fromUtf8(last)};
}

std::string importAsked(const std::string& what) {
    return "| XML|*.xml|  . 4104 | Import Prompts: " + what +
           " aus \"import.xml\" ersetzen?\n\nDie bisherige " +
           "Bibliothek wird vorher in \"~\\Quillory\" gesichert (prompts-backup-Datum-Uhrzeit.xml). 36";
}

Box box(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, app().mainWindow, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win::SetUp() {
    current = this;
    root = (std::filesystem::temp_directory_path() / ("vbx-" + std::to_string(GetCurrentProcessId())))
               .u16string();
    store = root + u"\\Quillory\\";
    CreateDirectoryW(wide(root), nullptr);
    setLocalAppDataLookup([] { return std::optional(current->root); });
    showMessageBox = [](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
        note(owner, utf8(caption) + ": " + utf8(text) + " " + std::to_string(type));
        if (current->onBox) current->onBox(current->dialogs.back());
        return current->answer;
    };
    askSaveFileName = askOpenFileName = fileDialog;
}

void Win::TearDown() {
    onBox = nullptr;
    close();
    std::filesystem::remove_all(std::filesystem::path(root));
}

HWND Win::start(int how) {
    app() = AppState{}; // as the process starts
    app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
    ShowWindow(createMainWindow(GetModuleHandleW(nullptr)), show = how);
    pump();
    return app().mainWindow;
}

void Win::close() {
    DestroyWindow(app().mainWindow);
    pump();
}

void Win::play(const std::vector<Step>& steps, const std::function<std::string()>& now) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        act(std::get<0>(steps[i]), std::get<1>(steps[i]));
        EXPECT_EQ(now(), std::get<2>(steps[i])) << "step " << i;
    }
}

std::string Win::bytes(const PromptLibrary& library) const {
    return savePromptFile(library, path(u"~\\scratch.xml")) ? read(u"~\\scratch.xml") : "not written";
}

void Win::write(const char16_t* file, const std::string& bytes) {
    CreateDirectoryW(wide(store), nullptr);
    ASSERT_TRUE(writeFileAtomically(path(file), bytes));
}

std::string Win::changed(const std::vector<std::pair<std::string, std::string>>& parts) {
    std::string shown;
    for (const auto& [key, value] : parts)
        if (std::exchange(last[key], value) != value) shown += " " + key + "=" + value;
    for (const std::string& line : dialogs)
        shown += " | " + line;
    dialogs.clear();
    shown = replaced(shown.empty() ? shown : shown.substr(1), "\r\n", "\\n");
    for (int i = 1; i < 4; ++i)
        shown = replaced(shown, replaced(toUtf8(kTexts[i]), "\r\n", "\\n"), "$" + std::to_string(i));
    return shown;
}

std::string Win::state() {
    const AppState& s = app();
    PromptLibrary stored;
    std::string backups; // prompt counts (or bytes) of the import backups, in the order of their names
    std::error_code none;
    for (const auto& name :
         std::set<std::filesystem::path>(std::filesystem::directory_iterator(store, none), {}))
        if (PromptLibrary library; name.filename().string().starts_with("prompts-backup-"))
            backups += (backups.empty() ? "" : " ") + (loadPromptFile(library, name.u16string())
                                                           ? std::to_string(library.size())
                                                           : read(name.filename().u16string().c_str()));
    const Settings settings = parseSettings(read(u"prompt.cf"));
    HWND search = s.searchWindow; // its rows and count line while it is open
    return changed({{"list", entries(mainChildren().promptCombo)},
                    {"sel", std::to_string(SendMessageW(mainChildren().promptCombo, CB_GETCURSEL, 0, 0))},
                    {"in", "\"" + text(mainChildren().inputEdit) + "\""},
                    {"xml", loadPromptFile(stored, path(u"prompts.xml")) ? "[" + summary(stored) + "]" : "-"},
                    {"bak", "[" + backups + "]"},
                    {"p", std::to_string(settings.promptIndex)},
                    {"ai", std::to_string(settings.ai)},
                    {"search", search ? drawnRows(search) + " " + text(GetDlgItem(search, 3)) : ""}});
}

void Win::act(const std::string& action, unsigned n) {
    AppState& s = app();
    const std::u16string typed = kTexts[n % std::size(kTexts)];
    const LRESULT prompts = std::max<LRESULT>(1, SendMessageW(mainChildren().promptCombo, CB_GETCOUNT, 0, 0));
    const std::map<std::string, int> commands{{"Clear", 9001},   {"Send", 500}, {"About", 7001},
                                              {"Options", 7002}, {"New", 3001}, {"Edit", 3002}};
    const int colourFields[] = {7301, 7302, 7303, 7304, 7311, 7312};
    // Cut to its low 8 bits, "Ł" (U+0141) would read as the hex digit "A".
    const wchar_t* colours[] = {L"#FF0000", L"102030", L"#GG0000", L"", L"#c8e6c8", L"#ŁŁŁŁŁŁ"};
    HWND secondary[] = {s.aboutWindow, s.settingsWindow, s.editorWindow, s.searchWindow};
    EXPECT_NE(std::find(std::begin(kActions), std::end(kActions), action), std::end(kActions)) << action;
    if ((action == "Font" || action == "Count" || action == "Colour") && !IsWindow(s.settingsWindow))
        command(7002);
    if (commands.count(action)) command(commands.at(action));
    if (action == "Choose") choose(s.mainWindow, 0, mainChildren().promptCombo, n % prompts);
    if (action == "Chat") choose(s.mainWindow, 600, mainChildren().aiCombo, n % 3);
    if (action == "Font") choose(s.settingsWindow, 7100, GetDlgItem(s.settingsWindow, 7100), n % 10);
    if (action == "Count") choose(s.settingsWindow, 7200, GetDlgItem(s.settingsWindow, 7200), n % 7);
    if (action == "Type") SetWindowTextW(mainChildren().inputEdit, wide(typed));
    if (action == "Colour")
        SetWindowTextW(GetDlgItem(s.settingsWindow, colourFields[n % 6]), colours[n / 6 % 6]);
    if (action == "Paste") withClipboard(typed, [] { command(9002); }); // n % 4 == 0: an empty clipboard
    if (action == "Favourite") command(8000 + static_cast<int>(n % (favoriteButtons().size() + 2)));
    if (action == "Save") save(n, typed);
    if (action == "Shut") SendMessageW(secondary[n % 4], WM_CLOSE, 0, 0);
    if (action == "Search") {
        command(3004);
        SetWindowTextW(GetDlgItem(s.searchWindow, 1), wide(kQueries[n % std::size(kQueries)]));
    }
    if (action == "Pick") pickFound(n);
    if (action == "Resize")
        SetWindowPos(s.mainWindow, nullptr, 0, 0, 400 + n % 1400, 300 + n % 800, SWP_NOMOVE);
    if (action == "Restart") {
        close();
        start(show);
    }
    if (action == "Delete") {
        answer = n % 2 ? IDNO : IDYES;
        command(3003);
    }
    if (action == "Export") { // cancelled, written, or into a folder that does not exist
        chosenFile = n % 3 == 0 ? u"" : root + (n % 3 == 1 ? u"\\export.xml" : u"\\fehlt\\export.xml");
        command(4001);
        EXPECT_TRUE(n % 3 != 1 || read(u"~\\export.xml") == bytes(s.library)) << "the export";
    }
    if (action == "Import") { // cancelled, a library of 1 to 4 prompts, an empty one, or not a library
        PromptLibrary incoming;
        for (unsigned i = 0; i < n / 4 % 4 + 1; ++i)
            incoming.push_back(prompt(("I" + std::to_string(i)).c_str(), i % 2, i ? "" : "alt"));
        chosenFile = n % 4 ? root + u"\\import.xml" : u"";
        write(u"~\\import.xml", n % 4 == 1   ? bytes(incoming)
                                : n % 4 == 2 ? "<prompts>\n</prompts>"
                                             : "<notes/>");
        command(4002);
    }
    if (action == "Add") { // cancelled, CSV in Windows-1252, JSON, a cut library; answered No when n & 4
        const char16_t* files[] = {u"", u"\\add.csv", u"\\add.json", u"\\add.xml"};
        write(u"~\\add.csv", "Titel;Inhalt;Favorit\r\nI0;tI0;\r\nB\xE4r;t;1\r\n");
        write(u"~\\add.json", R"([{"name":"J","text":"tJ","fav":true},{"name":"J","text":"tJ"}])");
        write(u"~\\add.xml", "<prompts>\n<item><name>X</name>\n");
        chosenFile = n % 4 ? root + files[n % 4] : u"";
        answer = n & 4 ? IDNO : IDYES;
        command(4003);
    }
    chosenFile.clear();
}
