// The main window's start-up with a library of 10,000 prompts against an empty library, in
// one run, and a prompt selection change with the big library (it rewrites prompts.xml).
// Runs the real window code inside this process, as the window tests do, from a storage
// folder of its own; prints rows of the table of scripts/bench on stdout.
//
//   startup_bench.exe [--rounds=N]

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/shell.h"
#include "bench/corpus.h"
#include "base/file_io.h"
#include "bench/table.h"
#include "browser/browser_host.h"
#include "library/prompt_file.h"
#include "library/storage.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using bench_table::format;

constexpr std::size_t kBigLibrary = 10000;

std::u16string storageRoot;

std::optional<std::u16string> benchLocalAppData() {
    return storageRoot;
}

double seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

// Handles every waiting message, paints included; the quit message of a close is dropped.
void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::u16string dataFolder() {
    return storageRoot + u"\\Quillory";
}
std::u16string promptsPath() {
    return dataFolder() + u"\\prompts.xml";
}
std::u16string settingsPath() {
    return dataFolder() + u"\\prompt.cf";
}

// The program as it starts: a fresh AppState, the library file in place, no settings file.
void prepare(const PromptLibrary& library) {
    app() = AppState{};
    app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
    CreateDirectoryW(wide(dataFolder()), nullptr);
    DeleteFileW(wide(settingsPath()));
    if (!savePromptFile(library, promptsPath())) std::fprintf(stderr, "cannot write the library\n");
}

// From the creation of the main window to the end of its first painting, children included,
// as the entry point starts it (maximised).
double startUp(HWND& window) {
    const double start = seconds();
    window = createMainWindow(GetModuleHandleW(nullptr));
    if (!window) return -1;
    ShowWindow(window, SW_MAXIMIZE);
    pumpMessages();
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return seconds() - start;
}

void closeDown(HWND window) {
    if (window && IsWindow(window)) DestroyWindow(window);
    pumpMessages();
    releaseBrowser();
    releaseSharedResources();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double best(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

std::string milliseconds(double secondsTaken) {
    return format("%.1f ms", secondsTaken * 1e3);
}

// Chooses an entry of promptCombo as the user does: the list changes, then CBN_SELCHANGE.
void choosePrompt(HWND window, int index) {
    HWND combo = app().promptCombo;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void removeTree(const std::u16string& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(wide(folder + u"\\*"), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::u16string name(reinterpret_cast<const char16_t*>(found.cFileName));
            if (name == u"." || name == u"..") continue;
            const std::u16string path = folder + u"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileW(wide(path));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(wide(folder));
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) rounds = std::max(1, std::atoi(argv[i] + 9));
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    wchar_t temp[MAX_PATH]{};
    GetTempPathW(MAX_PATH, temp);
    storageRoot = reinterpret_cast<const char16_t*>(temp);
    storageRoot += u"vbx-startup-bench-" + [] {
        const std::string id = std::to_string(GetCurrentProcessId());
        return std::u16string(id.begin(), id.end());
    }();
    CreateDirectoryW(wide(storageRoot), nullptr);
    setLocalAppDataLookup(benchLocalAppData);

    const PromptLibrary empty;
    const PromptLibrary big = makeBenchLibrary(kBigLibrary);

    // A first start of each kind warms up what a process does once (class registration,
    // fonts, the file cache); then the two kinds alternate, so both see the same machine.
    std::vector<double> emptyTimes, bigTimes;
    for (int round = -1; round < rounds; ++round) {
        for (const PromptLibrary* library : {&empty, &big}) {
            prepare(*library);
            HWND window = nullptr;
            const double taken = startUp(window);
            if (taken < 0 || SendMessageW(app().promptCombo, CB_GETCOUNT, 0, 0) != LRESULT(library->size())) {
                std::fprintf(stderr, "the main window did not start with the library\n");
                return 1;
            }
            if (round >= 0) (library == &empty ? emptyTimes : bigTimes).push_back(taken);
            closeDown(window);
        }
    }

    // The big library once more, for what happens inside a running program.
    prepare(big);
    HWND window = nullptr;
    startUp(window);
    std::vector<double> freshTimes, floorTimes, fillTimes, selectionTimes, saveTimes;
    std::size_t heldBytes = 0;
    for (const Prompt& prompt : big) {
        for (const std::u16string* field : {&prompt.name, &prompt.text, &prompt.lasttext})
            heldBytes += field->size() * sizeof(char16_t);
    }
    // Loading beside the running program, and its floor: fresh strings of the loaded sizes,
    // only filled, which any loader must make. Each result goes before the next round, as
    // between the start-ups; Wine gives the pages back, so every round writes fresh ones.
    for (int i = 0; i < rounds; ++i) {
        {
            PromptLibrary loaded;
            const double start = seconds();
            (void)loadPromptFile(loaded, app().promptsPath);
            freshTimes.push_back(seconds() - start);
        }
        std::vector<std::u16string> strings;
        strings.reserve(3 * big.size());
        const double start = seconds();
        for (const Prompt& prompt : big) {
            for (const std::u16string* field : {&prompt.name, &prompt.text, &prompt.lasttext})
                strings.emplace_back(field->size(), u'x');
        }
        floorTimes.push_back(seconds() - start);
    }
    for (int i = 0; i < rounds; ++i) {
        const double start = seconds();
        fillPromptCombo(0);
        fillTimes.push_back(seconds() - start);
    }
    for (int i = 0; i < 2 * rounds; ++i) {
        const int index = static_cast<int>((static_cast<std::size_t>(i) * 997 + 1) % kBigLibrary);
        const double start = seconds();
        choosePrompt(window, index);
        selectionTimes.push_back(seconds() - start);
        if (SendMessageW(app().promptCombo, CB_GETCURSEL, 0, 0) != index) {
            std::fprintf(stderr, "the selection did not change\n");
            return 1;
        }
    }
    for (int i = 0; i < rounds; ++i) {
        const double start = seconds();
        (void)savePromptFile(app().library, app().promptsPath);
        saveTimes.push_back(seconds() - start);
    }
    closeDown(window);
    setLocalAppDataLookup(nullptr);
    removeTree(storageRoot);

    using namespace bench_table;
    const double bare = median(emptyTimes), full = median(bigTimes), ratio = full / bare;
    const double fresh = median(freshTimes), floor = median(floorTimes), fill = median(fillTimes);
    const double bound = (bare + floor + fill) / bare;
    const std::string fileSize =
        format("%.1f MB", static_cast<double>(readWholeFile(promptsPath()).value_or("").size()) / 1e6);
    header();
    row("Start-up to first paint, empty library (Wine)", milliseconds(bare));
    row("Start-up to first paint, 10,000 prompts (time/empty)", milliseconds(full), format("%.2f", ratio),
        "<= 2", atMost(ratio, 2));
    row("  loadPromptFile " + fileSize + " (time/floor)", milliseconds(fresh), format("%.2f", fresh / floor),
        "(info)");
    row("  floor: fresh memory for its strings, " + format("%.1f MB", static_cast<double>(heldBytes) / 1e6),
        milliseconds(floor));
    row("  filling promptCombo with 10,000 names", milliseconds(fill));
    row("  least start-up: empty + floor + filling (/empty)", milliseconds(bare + floor + fill),
        format("%.2f", bound), "(info)");
    row("Prompt selection change, 10,000 prompts (Wine)", milliseconds(median(selectionTimes)));
    row("  of which savePromptFile, " + fileSize, milliseconds(median(saveTimes)));
    note(
        "Under Wine: medians of " + std::to_string(rounds) +
        " starts of each kind, alternating in one process, from createMainWindow to the end of the first "
        "painting of the maximised window and its children (process creation not included); best start-ups " +
        milliseconds(best(emptyTimes)) + " empty, " + milliseconds(best(bigTimes)) + " with 10,000 prompts.");
    note("Start-up bound: whatever the loader does, the 10,000 prompts' strings need fresh memory, here " +
         format("%.1f", floor * 1e6 / (static_cast<double>(heldBytes) / 4096)) +
         " us per 4 KB page written for the first time; with filling promptCombo that alone makes " +
         format("%.2f", bound) + " times the empty start-up. The file itself is mapped, not copied.");
    note("Selection change: CB_SETCURSEL and CBN_SELCHANGE as the list sends them; the handler stores the "
         "input text, rewrites prompt.cf and prompts.xml (crash-safe, with FlushFileBuffers).");
    CoUninitialize();
    return 0;
}
