// Thousands of random user actions on the real windows, in process: choosing prompts, typing,
// clearing, pasting, favourites, sending, the three secondary windows with their font, count
// and colour changes and the editor's saves, deletions answered yes and no, exports and
// imports (the message boxes and file dialogs answered through their replaceable functions),
// and now and then a restart. After every action both files must be what the program holds:
// prompts.xml the document of the library in memory, prompt.cf the settings in force. At
// checkpoints with the secondary windows closed, the program's GDI objects, device contexts
// and windows must not have grown.
//
// The seed is fixed and printed; VBX_STRESS_SEED and VBX_STRESS_ACTIONS change it and the
// number of actions.

#include "app/app_state.h"
#include "app/shell.h"
#include "app/main_window.h"
#include "base/wide_text.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"
#include "settings/settings.h"

#include "fuzz/reference_reader.h"
#include "gdi_census.h"
#include "tests/win/win_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

namespace {

// Without a window manager, Wine waits two seconds in vain for one at every hide of a window
// it lets a manager handle. Its per-program setting "Managed"="N" turns that off, but Wine
// reads it when its display driver starts, before anything of this program runs: when the
// setting was missing, it is written and the program runs itself once more.
const bool unmanagedUnderWine = [] {
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return false;
    constexpr wchar_t subkey[] = L"Software\\Wine\\AppDefaults\\gui_stress.exe\\X11 Driver";
    wchar_t value[4]{};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, subkey, L"Managed", RRF_RT_REG_SZ, nullptr, value, &size) ==
            ERROR_SUCCESS &&
        value[0] == L'N') {
        return true;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const wchar_t no[] = L"N";
    const bool written = RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no),
                                        sizeof no) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!written || GetEnvironmentVariableW(L"VBX_STRESS_RERUN", nullptr, 0) != 0) return false;

    SetEnvironmentVariableW(L"VBX_STRESS_RERUN", L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = GetCommandLineW();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    ExitProcess(exitCode);
}();

constexpr unsigned kDefaultSeed = 20240607;
constexpr int kDefaultActions = 5000;
constexpr int kCheckpointEvery = 250;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

unsigned environmentNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

// Answers for the replaceable dialogs, set by the action about to run.
struct DialogAnswers {
    int messageBoxAnswer = IDYES;
    int messageBoxes = 0;
    std::u16string lastMessage;
    std::u16string fileName; // empty: the dialog is cancelled
} answers;

int WINAPI answerMessageBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    ++answers.messageBoxes;
    answers.lastMessage = fromWide(text);
    return answers.messageBoxAnswer;
}

BOOL WINAPI answerFileDialog(LPOPENFILENAMEW dialog) {
    if (answers.fileName.empty() || answers.fileName.size() + 1 > dialog->nMaxFile) return FALSE;
    std::copy(answers.fileName.begin(), answers.fileName.end(), dialog->lpstrFile);
    dialog->lpstrFile[answers.fileName.size()] = L'\0';
    return TRUE;
}

// Handles what is waiting without the pauses of the general helper.
void drain() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool alive(HWND window) {
    return window && IsWindow(window);
}

// The edit boxes of a window in creation order.
std::vector<HWND> editsOf(HWND window) {
    std::vector<HWND> edits;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16]{};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Edit") == 0) edits.push_back(child);
    }
    return edits;
}

class GuiStress : public MainWindowTest {
  public: // the test body takes the actions by member pointer
    void SetUp() override {
        gdi_census::install(); // first: the white brush made by the set-up is counted too
        MainWindowTest::SetUp();
        previousMessageBox_ = showMessageBox;
        previousSave_ = askSaveFileName;
        previousOpen_ = askOpenFileName;
        showMessageBox = answerMessageBox;
        askSaveFileName = answerFileDialog;
        askOpenFileName = answerFileDialog;
        exchange_ = root_ + u"\\Austausch \u00E4\u20AC";
        CreateDirectoryW(wide(exchange_), nullptr);
    }
    void TearDown() override {
        showMessageBox = previousMessageBox_;
        askSaveFileName = previousSave_;
        askOpenFileName = previousOpen_;
        MainWindowTest::TearDown();
    }

    MessageBoxFunction previousMessageBox_ = nullptr;
    FileDialogFunction previousSave_ = nullptr;
    FileDialogFunction previousOpen_ = nullptr;
    std::mt19937 random_;
    std::map<std::string, int> counts_;
    std::map<std::string, double> seconds_;
    std::u16string exchange_; // exported and importable files

    unsigned below(unsigned n) { return n ? static_cast<unsigned>(random_() % n) : 0; }
    bool chance(unsigned percent) { return below(100) < percent; }

    std::u16string randomText(unsigned maxLength) {
        static constexpr std::u16string_view pieces[] = {u"a",     u"Text ",   u"\u00E4\u00F6\u00FC\u00DF",
                                                         u"&",     u"<",       u">",
                                                         u"\"",    u"'",       u"\r\n",
                                                         u"\t",    u"\u20AC",  u"\U0001F600",
                                                         u"&amp;", u"</item>", u"1"};
        std::u16string text;
        const unsigned length = below(maxLength + 1);
        while (text.size() < length)
            text += pieces[below(std::size(pieces))];
        if (chance(3)) text.push_back(static_cast<char16_t>(0xD800 + below(0x800))); // a lone surrogate
        return text;
    }

    int selection() const { return comboSelection(app().promptCombo); }

    void restart() {
        close();
        app() = AppState{};
        app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
        window_ = createMainWindow(GetModuleHandleW(nullptr));
        ASSERT_TRUE(window_);
        ShowWindow(window_, SW_SHOWNORMAL);
        drain();
    }

    void closeSecondaryWindows() {
        for (HWND window : {app().aboutWindow, app().settingsWindow, app().editorWindow}) {
            if (alive(window)) SendMessageW(window, WM_CLOSE, 0, 0);
        }
        drain();
    }

    // ---- the actions ------------------------------------------------------------------

    void choose() {
        const auto count = SendMessageW(app().promptCombo, CB_GETCOUNT, 0, 0);
        if (count <= 0) return;
        choosePrompt(static_cast<int>(below(static_cast<unsigned>(count))));
    }

    void type() {
        HWND edit = app().inputEdit;
        const auto length = GetWindowTextLengthW(edit);
        const auto at = below(static_cast<unsigned>(length) + 1);
        SendMessageW(edit, EM_SETSEL, at, at);
        if (chance(70)) {
            for (const char16_t c : randomText(8))
                SendMessageW(edit, WM_CHAR, c == u'\n' ? 0 : c, 0); // the edit box makes CR LF of a CR
        } else {
            const std::u16string text = randomText(200);
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide(text)));
        }
    }

    void paste() {
        ClipboardLock lock;
        setClipboardText(chance(80) ? std::optional<std::u16string>(randomText(60)) : std::nullopt);
        sendCommand(app().mainWindow, 9002);
    }

    void favourite() {
        sendCommand(app().mainWindow,
                    8000 + static_cast<int>(below(static_cast<unsigned>(app().favoriteButtons.size()) + 2)));
    }

    void chooseAi() {
        SendMessageW(app().aiCombo, CB_SETCURSEL, below(3), 0);
        sendCommand(app().mainWindow, 600, CBN_SELCHANGE, app().aiCombo);
    }

    void about() {
        if (alive(app().aboutWindow) && chance(50)) {
            SendMessageW(app().aboutWindow, WM_CLOSE, 0, 0);
        } else {
            sendCommand(app().mainWindow, 7001);
        }
    }

    void settings() {
        HWND window = app().settingsWindow;
        if (!alive(window)) {
            sendCommand(app().mainWindow, 7002);
            return;
        }
        switch (below(4)) {
        case 0: { // font size
            chooseEntry(window, 7100, static_cast<int>(below(10)));
            ++counts_["  font size chosen"];
            break;
        }
        case 1: { // favourite count
            chooseEntry(window, 7200, static_cast<int>(below(7)));
            ++counts_["  favourite count chosen"];
            break;
        }
        case 2: { // a colour typed, valid or not (SetWindowText raises EN_CHANGE)
            static constexpr int fields[] = {7301, 7302, 7303, 7304, 7311, 7312};
            wchar_t text[16];
            static constexpr const wchar_t* broken[] = {L"",         L"#FFF",    L"##123456",
                                                        L"0x123456", L"#GG0000", L"12345"};
            if (chance(70)) {
                swprintf(text, 16, chance(50) ? L"#%06X" : L"%06x",
                         static_cast<unsigned>(random_() & 0xFFFFFF));
            } else {
                lstrcpyW(text, broken[below(std::size(broken))]);
            }
            SetWindowTextW(GetDlgItem(window, fields[below(std::size(fields))]), text);
            ++counts_["  colour typed"];
            break;
        }
        default:
            SendMessageW(window, WM_CLOSE, 0, 0);
            break;
        }
    }

    void editor() {
        HWND window = app().editorWindow;
        if (!alive(window)) {
            // New prompts more often while the library is short, so that it neither dies out
            // from the deletions nor grows without end.
            sendCommand(app().mainWindow, chance(app().library.size() < 10 ? 80 : 20) ? 3001 : 3002);
            return;
        }
        if (chance(25)) {
            SendMessageW(window, WM_CLOSE, 0, 0); // closed without saving
            return;
        }
        const std::vector<HWND> edits = editsOf(window);
        if (edits.size() == 2) {
            if (chance(80)) SetWindowTextW(edits[0], wide(randomText(20)));
            if (chance(60)) SetWindowTextW(edits[1], wide(randomText(300)));
        }
        if (HWND check = GetDlgItem(window, 2); check && chance(50))
            SendMessageW(check, BM_SETCHECK, chance(50) ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, 1)));
        ++counts_["  editor saved"];
    }

    void remove() {
        const PromptLibrary before = app().library;
        const int selected = selection();
        const bool yes = chance(50);
        answers.messageBoxAnswer = yes ? IDYES : IDNO;
        answers.messageBoxes = 0;
        sendCommand(app().mainWindow, 3003);
        if (selected < 0) {
            EXPECT_EQ(answers.messageBoxes, 0) << "a question without a selection";
            return;
        }
        EXPECT_EQ(answers.messageBoxes, 1);
        PromptLibrary expected = before;
        if (yes) expected.erase(expected.begin() + selected);
        EXPECT_TRUE(app().library == expected) << "delete answered " << (yes ? "yes" : "no");
        ++counts_[yes ? "  deletion answered yes" : "  deletion answered no"];
    }

    void exportLibrary() {
        const bool cancel = chance(10);
        const std::u16string path = exchange_ + u"\\export " + fromUtf8(std::to_string(below(4))) + u".xml";
        answers.fileName = cancel ? u"" : path;
        answers.messageBoxAnswer = IDOK;
        sendCommand(app().mainWindow, 4001);
        answers.fileName.clear();
        if (cancel) return;
        EXPECT_EQ(readWholeFile(path).value_or(""), serializePromptLibrary(app().library)) << "exported file";
    }

    // Writes one of the kinds of file a user might import and returns its path.
    std::u16string importable() {
        const std::u16string path = exchange_ + u"\\import.xml";
        std::string bytes;
        switch (below(6)) {
        case 0:
        case 1: { // a library like the program writes
            PromptLibrary library(below(25));
            for (Prompt& prompt : library)
                prompt = {randomText(15), randomText(100), chance(40), randomText(40)};
            bytes = serializePromptLibrary(library);
            break;
        }
        case 2: // an earlier export, if there is one
            if (auto exported = readWholeFile(exchange_ + u"\\export 0.xml")) {
                bytes = *exported;
                break;
            }
            [[fallthrough]];
        case 3: // only the root: the library is emptied
            bytes = "<prompts></prompts>";
            break;
        case 4: // UTF-16: not a library
            for (const char c : std::string_view("<prompts><item><name>x</name></item></prompts>"))
                bytes += {c, '\0'};
            break;
        default: // noise with markup in it
            for (unsigned i = below(400); i > 0; --i)
                bytes += chance(20) ? "<item><name>n</name>" : std::string(1, static_cast<char>(random_()));
            break;
        }
        EXPECT_TRUE(writeFileAtomically(path, bytes));
        return path;
    }

    void importLibrary() {
        const bool cancel = chance(10);
        const std::u16string path = importable();
        const std::string bytes = readWholeFile(path).value_or("");
        PromptLibrary expected = app().library;
        const bool read =
            reference::parseLibrary(bytes, expected, [](std::string_view b) { return fromUtf8(b); });
        answers.fileName = cancel ? u"" : path;
        const PromptLibrary before = app().library;
        sendCommand(app().mainWindow, 4002);
        answers.fileName.clear();
        EXPECT_TRUE(app().library == (cancel || !read ? before : expected)) << "import";
        if (!cancel) ++counts_[read ? "  import read" : "  import refused"];
    }

    void resize() {
        SetWindowPos(app().mainWindow, nullptr, 0, 0, 400 + static_cast<int>(below(1400)),
                     300 + static_cast<int>(below(800)), SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    // ---- what must hold after every action ----------------------------------------------

    void checkFiles(int step, const char* action) {
        const AppState& s = app();
        const std::optional<std::string> library = readWholeFile(s.promptsPath);
        if (library) {
            ASSERT_EQ(*library, serializePromptLibrary(s.library))
                << "step " << step << " (" << action << "): prompts.xml is not the library in memory";
        }
        const std::optional<std::string> settingsText = readWholeFile(s.settingsPath);
        ASSERT_TRUE(settingsText) << "step " << step << " (" << action << "): prompt.cf is missing";
        Settings expected = parseSettings(*settingsText);
        expected.ai = comboSelection(s.aiCombo);
        expected.fontSize = s.live.fontSize;
        expected.maxFavorites = s.live.maxFavorites;
        expected.promptColors = s.live.promptColors;
        expected.favoritesColors = s.live.favoritesColors;
        expected.aiColors = s.live.aiColors;
        ASSERT_EQ(*settingsText, serializeSettings(expected))
            << "step " << step << " (" << action << "): prompt.cf is not the settings in force";
    }

    // The favourite buttons come and go with the library and the favourite limit.
    struct Census {
        std::size_t objects, dcs, windows;
        DWORD systemGdi, systemUser; // 0 where the system does not count (Wine)
    };
    Census census() const {
        return {gdi_census::liveObjects(), gdi_census::openDcs(),
                gdi_census::threadWindows() - app().favoriteButtons.size(),
                GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
    }
};

} // namespace

TEST_F(GuiStress, ThousandsOfRandomActionsKeepBothFilesTrueAndLeakNothing) {
    const unsigned seed = environmentNumber("VBX_STRESS_SEED", kDefaultSeed);
    const int actions = static_cast<int>(environmentNumber("VBX_STRESS_ACTIONS", kDefaultActions));
    std::printf(
        "[stress] seed %u, %d actions (VBX_STRESS_SEED and VBX_STRESS_ACTIONS repeat or vary the run)\n",
        seed, actions);
    random_.seed(seed);

    // A library to start from, with favourites.
    CreateDirectoryW(wide(dataFolder()), nullptr);
    PromptLibrary start;
    for (int i = 0; i < 12; ++i)
        start.push_back(
            {u"Prompt " + fromUtf8(std::to_string(i)), randomText(80), i % 3 == 0, randomText(30)});
    writeLibrary(start);
    window_ = createMainWindow(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window_);
    ShowWindow(window_, SW_SHOWNORMAL); // shown, so that every paint runs
    drain();

    using Action = void (GuiStress::*)();
    struct Kind {
        const char* name;
        unsigned weight;
        Action run;
    };
    const Kind kinds[] = {
        {"choose a prompt", 14, &GuiStress::choose},
        {"type", 14, &GuiStress::type},
        {"clear", 5, nullptr}, // the two buttons without a handler of their own here
        {"paste", 6, &GuiStress::paste},
        {"favourite button", 6, &GuiStress::favourite},
        {"send", 5, nullptr},
        {"choose an AI chat", 4, &GuiStress::chooseAi},
        {"About window", 5, &GuiStress::about},
        {"settings window", 14, &GuiStress::settings},
        {"editor", 10, &GuiStress::editor},
        {"delete", 5, &GuiStress::remove},
        {"export", 3, &GuiStress::exportLibrary},
        {"import", 3, &GuiStress::importLibrary},
        {"resize", 2, &GuiStress::resize},
    };
    unsigned totalWeight = 0;
    for (const Kind& kind : kinds)
        totalWeight += kind.weight;

    std::vector<Census> checkpoints;
    const auto began = std::chrono::steady_clock::now();
    for (int step = 1; step <= actions; ++step) {
        const char* name = "restart";
        if (step % 1000 == 0) {
            restart();
        } else {
            unsigned pick = below(totalWeight);
            const Kind* kind = kinds;
            while (pick >= kind->weight) {
                pick -= kind->weight;
                ++kind;
            }
            name = kind->name;
            const auto actionBegan = std::chrono::steady_clock::now();
            if (kind->run) {
                (this->*kind->run)();
            } else {
                sendCommand(app().mainWindow, std::string_view(name) == "clear" ? 9001 : 500);
            }
            drain();
            seconds_[name] += secondsSince(actionBegan);
        }
        // Paint what the action left invalid, and now and then everything.
        RedrawWindow(app().mainWindow, nullptr, nullptr,
                     RDW_UPDATENOW | RDW_ALLCHILDREN | (step % 10 == 0 ? RDW_INVALIDATE | RDW_ERASE : 0));
        drain();
        ++counts_[name];
        checkFiles(step, name);
        if (HasFatalFailure()) return;

        if (step % kCheckpointEvery == 0) {
            closeSecondaryWindows();
            const Census now = census();
            checkpoints.push_back(now);
            std::printf("[stress] step %5d after %6.1f s: %zu GDI objects, %zu device contexts, %zu windows;"
                        " system count %lu GDI, %lu USER; library %zu prompts\n",
                        step, secondsSince(began), now.objects, now.dcs, now.windows, now.systemGdi,
                        now.systemUser, app().library.size());
            std::fflush(stdout);
        }
    }
    const double seconds = secondsSince(began);

    for (const auto& [name, count] : counts_) {
        const auto time = seconds_.find(name);
        if (time == seconds_.end()) {
            std::printf("[stress] %-28s %6d\n", name.c_str(), count);
        } else {
            std::printf("[stress] %-28s %6d  %7.1f ms each\n", name.c_str(), count,
                        time->second * 1000 / count);
        }
    }
    std::printf("[stress] %d actions in %.1f s; library now %zu prompts\n", actions, seconds,
                app().library.size());
    ASSERT_GE(checkpoints.size(), 2u)
        << "the comparison needs at least " << 2 * kCheckpointEvery << " actions";
    // Nothing may grow after the first checkpoint; the system's counts only where it keeps them.
    const Census first = checkpoints.front();
    EXPECT_GT(first.objects, 0u) << "the census saw none of the program's GDI objects";
    for (std::size_t i = 0; i < checkpoints.size(); ++i) {
        const Census& later = checkpoints[i];
        const auto step = (i + 1) * kCheckpointEvery;
        EXPECT_LE(later.objects, first.objects) << "GDI objects at step " << step;
        EXPECT_LE(later.dcs, first.dcs) << "device contexts at step " << step;
        EXPECT_LE(later.windows, first.windows) << "windows at step " << step;
        if (first.systemGdi > 0) {
            EXPECT_LE(later.systemGdi, first.systemGdi) << "system GDI count at step " << step;
        }
        if (first.systemUser > 0) {
            EXPECT_LE(later.systemUser, first.systemUser) << "system USER count at step " << step;
        }
    }

    // Closing stores the text being typed and saves: the file still matches.
    close();
    EXPECT_EQ(readWholeFile(app().promptsPath).value_or(""), serializePromptLibrary(app().library));
}
