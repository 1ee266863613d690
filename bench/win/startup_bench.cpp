// The main window's start-up with a library of 10,000 prompts against an empty library, step
// by step, and with the big library a prompt selection change (with and without a change of
// text) and keystrokes in the search window.
// Runs the real window code, as the window tests do, from storage folders of its own. Each
// start-up runs in a fresh process of this program, as the real program starts with fresh
// memory; prints rows of the table of scripts/bench on stdout.
//
//   startup_bench.exe [--rounds=N]

#include "app/main_children.h"
#include "browser/browser_host.h"
#include "services/app_state.h"
#include "app/main_window.h"
#include "app/command_model.h"
#include "app/prompt_pane.h"
#include "base/window.h"
#include "services/program.h"
#include "bench/corpus.h"
#include "base/file_io.h"
#include "base/wide_text.h"
#include "bench/table.h"
#include "library/prompt_file.h"
#include "library/storage.h"

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
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

// The steps of one start-up in their order, each with the time it ended, as startUp sees them
// from outside the program.
struct StepEnd {
    const char* step;
    double at;
};
std::vector<StepEnd> stepEnds;

void noteStep(const char* step) {
    stepEnds.push_back({step, seconds()});
}

// From the creation of the main window to the end of its first painting, children included,
// as the entry point starts it (maximised).
double startUp(HWND& window) {
    stepEnds.clear();
    const double start = seconds();
    stepEnds.push_back({"", start});
    window = createMainWindow(GetModuleHandleW(nullptr));
    if (!window) return -1;
    noteStep("CreateWindowExW (WM_CREATE: settings, fonts, children, library, list, favourites, layout)");
    ShowWindow(window, SW_MAXIMIZE);
    noteStep("ShowWindow maximised (WM_SIZE: layout)");
    pumpMessages();
    noteStep("waiting messages (painting)");
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    noteStep("RedrawWindow of what is left");
    return seconds() - start;
}

// Named figures in the order they were taken.
using Figures = std::vector<std::pair<std::string, double>>;

// The figure of that name, or a negative one.
double figure(const Figures& figures, const std::string& name) {
    for (const auto& [taken, value] : figures) {
        if (taken == name) return value;
    }
    return -1;
}

// Every start-up's time for each step, the steps in the order of the first start-up.
struct StepTimes {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> times;

    void add(const Figures& figures) {
        for (const auto& [step, taken] : figures) {
            if (step == "total") continue;
            if (!times.contains(step)) order.push_back(step);
            times[step].push_back(taken);
        }
    }
};

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
    HWND combo = mainChildren().promptCombo;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

FILETIME lastWriteTime(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(wide(path), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// What is typed into the search window, one change of its field each: from a letter that nearly
// every prompt holds to a word found nowhere, and the field emptied, which lists every prompt.
const std::pair<const char*, const wchar_t*> kKeystrokes[] = {
    {"one letter \"e\"", L"e"},
    {"\"\u00DCBERSICHT\"", L"\u00DCBERSICHT"},
    {"\"k\u00FCndigung geb\u00FChren\"", L"k\u00FCndigung geb\u00FChren"},
    {"\"Xylophon\" (nowhere)", L"Xylophon"},
    {"field emptied (all listed)", L""},
};

// Opens the search window and times each keystroke of kKeystrokes, `rounds` times: the search,
// the filling of the list and the count line, and the painting of the window.
std::vector<std::vector<double>> typeIntoSearchWindow(HWND window, int rounds) {
    SendMessageW(window, WM_COMMAND, kSearchPromptId, 0);
    HWND field = GetDlgItem(app().searchWindow, 1);
    pumpMessages();
    std::vector<std::vector<double>> times(std::size(kKeystrokes));
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < std::size(kKeystrokes); ++k) {
            const double start = seconds();
            SetWindowTextW(field, kKeystrokes[k].second);
            RedrawWindow(app().searchWindow, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            times[k].push_back(seconds() - start);
        }
    }
    DestroyWindow(app().searchWindow);
    return times;
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

std::u16string widened(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// ---- One measurement in a process of its own ----------------------------------------------

// Writes the figures of one measurement, one "seconds<TAB>name" line each.
bool writeFigures(const std::string& path, const Figures& figures) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    for (const auto& [name, value] : figures)
        std::fprintf(file, "%.9f\t%s\n", value, name.c_str());
    return std::fclose(file) == 0;
}

// A start-up with the library already in <root>\<kind>: after one start with an empty library
// of its own, which warms up what a process does once (class registration, fonts), and which
// leaves the heap as good as fresh for the measured start.
int measureStartUp(const std::string& root, const std::string& kind, const std::string& out) {
    storageRoot = widened(root + "\\warm-" + std::to_string(GetCurrentProcessId()));
    CreateDirectoryW(wide(storageRoot), nullptr);
    prepare(PromptLibrary{});
    HWND window = nullptr;
    startUp(window);
    closeDown(window);
    removeTree(storageRoot);

    storageRoot = widened(root + "\\" + kind);
    app() = AppState{};
    app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
    DeleteFileW(wide(settingsPath()));
    stepEnds.reserve(64);
    const double taken = startUp(window);
    const LRESULT expected = kind == "big" ? LRESULT(kBigLibrary) : 0;
    if (taken < 0 || SendMessageW(mainChildren().promptCombo, CB_GETCOUNT, 0, 0) != expected) {
        std::fprintf(stderr, "the main window did not start with the library\n");
        return 1;
    }
    Figures figures = {{"total", taken}};
    for (std::size_t i = 1; i < stepEnds.size(); ++i)
        figures.emplace_back(stepEnds[i].step, stepEnds[i].at - stepEnds[i - 1].at);
    closeDown(window);
    return writeFigures(out, figures) ? 0 : 1;
}

// The floor of loading: the file read once, in pieces through one buffer, and strings of the
// loaded sizes (from <root>\sizes), only filled, in memory as fresh as a starting program's.
int measureFloor(const std::string& root, const std::string& out) {
    const std::string sizes = readWholeFile(widened(root + "\\sizes")).value_or("");
    std::vector<std::uint32_t> units(sizes.size() / sizeof(std::uint32_t));
    std::memcpy(units.data(), sizes.data(), units.size() * sizeof(std::uint32_t));
    storageRoot = widened(root + "\\big");
    std::size_t seen = 0;
    double start = seconds();
    const bool read = readFileInPieces(promptsPath(), 1, [&seen](int, std::string_view unread, bool) {
        seen += unread.size();
        return unread.size();
    });
    const double reading = seconds() - start;
    std::vector<std::u16string> strings;
    start = seconds();
    strings.reserve(units.size());
    for (const std::uint32_t size : units)
        strings.emplace_back(size, u'x');
    const double filling = seconds() - start;
    // The loader as the start-up calls it, the file as warm as there, its memory fresh.
    PromptLibrary library;
    start = seconds();
    const bool loaded = loadPromptFile(library, promptsPath());
    const double loading = seconds() - start;
    if (!read || seen == 0 || !loaded) return 1;
    return writeFigures(out, {{"reading", reading}, {"strings", filling}, {"load", loading}}) ? 0 : 1;
}

// Runs this program once more with the arguments and reads the figures it wrote.
Figures measureInChild(const std::string& root, const std::string& arguments) {
    static int serial = 0;
    const std::string out = root + "\\figures-" + std::to_string(serial++);
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" ";
    const std::string rest = arguments + " --root=" + root + " --out=" + out;
    commandLine.append(rest.begin(), rest.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    Figures figures;
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return figures;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (exitCode != 0) std::fprintf(stderr, "%s: exit code %lu\n", arguments.c_str(), exitCode);
    const std::string text = exitCode == 0 ? readWholeFile(widened(out)).value_or("") : "";
    DeleteFileW(wide(widened(out)));
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t tab = text.find('\t', at), end = text.find('\n', at);
        if (tab == std::string::npos || end == std::string::npos || tab > end) break;
        figures.emplace_back(text.substr(tab + 1, end - tab - 1),
                             std::atof(text.substr(at, tab - at).c_str()));
        at = end + 1;
    }
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    std::string child, root, out;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.starts_with("--rounds=")) rounds = std::max(1, std::atoi(argv[i] + 9));
        if (argument.starts_with("--child=")) child = argument.substr(8);
        if (argument.starts_with("--root=")) root = argument.substr(7);
        if (argument.starts_with("--out=")) out = argument.substr(6);
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    setLocalAppDataLookup(benchLocalAppData);
    if (child == "floor") return measureFloor(root, out);
    if (!child.empty()) return measureStartUp(root, child, out);

    char temp[MAX_PATH]{};
    GetTempPathA(MAX_PATH, temp);
    root = temp + ("vbx-startup-bench-" + std::to_string(GetCurrentProcessId()));
    CreateDirectoryW(wide(widened(root)), nullptr);

    const PromptLibrary empty;
    const PromptLibrary big = makeBenchLibrary(kBigLibrary);
    std::string sizes;
    std::size_t heldBytes = 0;
    for (const Prompt& prompt : big) {
        for (const std::u16string* field : {&prompt.name, &prompt.text, &prompt.lasttext}) {
            const auto units = static_cast<std::uint32_t>(field->size());
            sizes.append(reinterpret_cast<const char*>(&units), sizeof units);
            heldBytes += field->size() * sizeof(char16_t);
        }
    }
    for (const auto& [kind, library] : {std::pair{"empty", &empty}, std::pair{"big", &big}}) {
        storageRoot = widened(root + "\\" + kind);
        CreateDirectoryW(wide(storageRoot), nullptr);
        prepare(*library);
    }
    (void)writeFileAtomically(widened(root + "\\sizes"), sizes);

    // The two kinds of start-up and the floor alternate, so all see the same machine.
    std::vector<double> emptyTimes, bigTimes, floorTimes, readingTimes, stringTimes, loadTimes;
    StepTimes emptySteps, bigSteps;
    for (int round = 0; round < rounds; ++round) {
        for (const char* kind : {"empty", "big"}) {
            const Figures figures = measureInChild(root, std::string("--child=") + kind);
            const double taken = figure(figures, "total");
            if (taken < 0) {
                std::fprintf(stderr, "the main window did not start with the library\n");
                return 1;
            }
            const bool isBig = std::strcmp(kind, "big") == 0;
            (isBig ? bigTimes : emptyTimes).push_back(taken);
            (isBig ? bigSteps : emptySteps).add(figures);
        }
        const Figures floorFigures = measureInChild(root, "--child=floor");
        const double reading = figure(floorFigures, "reading"), strings = figure(floorFigures, "strings");
        if (reading >= 0 && strings >= 0) {
            readingTimes.push_back(reading);
            stringTimes.push_back(strings);
            floorTimes.push_back(reading + strings);
        }
        if (const double load = figure(floorFigures, "load"); load >= 0) loadTimes.push_back(load);
    }

    // The big library once more in this process, for what happens inside a running program.
    storageRoot = widened(root + "\\running");
    CreateDirectoryW(wide(storageRoot), nullptr);
    prepare(big);
    HWND window = nullptr;
    startUp(window);
    std::vector<double> againTimes, fillTimes, selectionTimes, saveTimes;
    for (int i = 0; i < rounds; ++i) {
        PromptLibrary loaded;
        const double start = seconds();
        (void)loadPromptFile(loaded, app().paths.prompts);
        againTimes.push_back(seconds() - start);
    }
    for (int i = 0; i < rounds; ++i) {
        const double start = seconds();
        showLibrary(0, false);
        fillTimes.push_back(seconds() - start);
    }
    for (int i = 0; i < 2 * rounds; ++i) {
        const int index = static_cast<int>((static_cast<std::size_t>(i) * 997 + 1) % kBigLibrary);
        const double start = seconds();
        choosePrompt(window, index);
        selectionTimes.push_back(seconds() - start);
        if (SendMessageW(mainChildren().promptCombo, CB_GETCURSEL, 0, 0) != index) {
            std::fprintf(stderr, "the selection did not change\n");
            return 1;
        }
    }
    // Selection changes that store the text the prompt holds already: prompts.xml stays as it is.
    std::vector<double> sameTextTimes;
    for (int i = 0; i < 2 * rounds; ++i) {
        const auto index = static_cast<int>((static_cast<std::size_t>(i) * 991 + 5) % kBigLibrary);
        app().library[static_cast<std::size_t>(index)].lasttext = readWindowText(mainChildren().inputEdit);
        (void)saveLibrary();
        const FILETIME before = lastWriteTime(app().paths.prompts);
        const double start = seconds();
        choosePrompt(window, index);
        sameTextTimes.push_back(seconds() - start);
        const FILETIME after = lastWriteTime(app().paths.prompts);
        if (CompareFileTime(&before, &after) != 0) {
            std::fprintf(stderr, "prompts.xml was written although nothing changed\n");
            return 1;
        }
    }
    std::vector<double> compareTimes, settingsTimes;
    for (int i = 0; i < rounds; ++i) {
        double start = seconds();
        (void)updatePromptFile(app().library, app().paths.prompts);
        compareTimes.push_back(seconds() - start);
        start = seconds();
        saveSelectedPromptIndex(i);
        settingsTimes.push_back(seconds() - start);
    }
    const std::vector<std::vector<double>> keystrokeTimes = typeIntoSearchWindow(window, rounds);
    for (int i = 0; i < rounds; ++i) {
        const double start = seconds();
        (void)savePromptFile(app().library, app().paths.prompts);
        saveTimes.push_back(seconds() - start);
    }
    closeDown(window);
    const std::size_t fileBytes = readWholeFile(promptsPath()).value_or("").size();
    setLocalAppDataLookup(nullptr);
    removeTree(widened(root));

    using namespace bench_table;
    const double bare = median(emptyTimes), full = median(bigTimes), ratio = full / bare;
    const double load = median(loadTimes), floor = median(floorTimes);
    const double fill = median(fillTimes), least = bare + floor + fill;
    const double target = std::max(2.0, 1.25 * least / bare);
    const std::string fileSize = format("%.1f MB", static_cast<double>(fileBytes) / 1e6);
    header();
    row("Start-up to first paint, empty library (Wine)", milliseconds(bare));
    row("Start-up to first paint, 10,000 prompts (time/empty)", milliseconds(full), format("%.2f", ratio),
        format("<= %.2f", target), atMost(ratio, target));
    // The steps of the start-up with 10,000 prompts: median (the empty library's median), and
    // the best start's figure, which a busy machine disturbs least.
    double stepSum = 0;
    for (const std::string& step : bigSteps.order) {
        const double taken = median(bigSteps.times[step]);
        const auto inEmpty = emptySteps.times.find(step);
        const double emptyTaken = inEmpty == emptySteps.times.end() ? 0 : median(inEmpty->second);
        stepSum += taken;
        row("  " + step, milliseconds(taken) + " (empty " + format("%.1f)", emptyTaken * 1e3),
            "best " + format("%.1f", best(bigSteps.times[step]) * 1e3));
    }
    row("  sum of the steps' medians (/start-up)", milliseconds(stepSum), format("%.2f", stepSum / full),
        "(info)");
    row("  loadPromptFile " + fileSize + " in a fresh process (time/floor)", milliseconds(load),
        format("%.2f", load / floor), "(info)");
    row("  floor: reading the file and fresh string memory", milliseconds(floor));
    row("    reading the file in pieces", milliseconds(median(readingTimes)));
    row("    fresh memory for its strings, " + format("%.1f MB", static_cast<double>(heldBytes) / 1e6),
        milliseconds(median(stringTimes)));
    row("  loadPromptFile again in the running program", milliseconds(median(againTimes)));
    row("  filling promptCombo with 10,000 names", milliseconds(fill));
    row("  least start-up: empty + floor + filling (/empty)", milliseconds(least),
        format("%.2f", least / bare), "(info)");
    const double sameText = median(sameTextTimes);
    row("Prompt selection change, no text changed (Wine)", milliseconds(sameText), "", "<= 16 ms",
        sameText <= 0.016 ? "yes" : "NO");
    row("  of which comparing prompts.xml, " + fileSize, milliseconds(median(compareTimes)));
    row("  of which storing the index in prompt.cf", milliseconds(median(settingsTimes)));
    row("Prompt selection change, a text changed (Wine)", milliseconds(median(selectionTimes)));
    row("  of which savePromptFile, " + fileSize, milliseconds(median(saveTimes)));
    double slowest = 0;
    for (std::size_t k = 0; k < std::size(kKeystrokes); ++k)
        slowest = std::max(slowest, median(keystrokeTimes[k]));
    row("Search window, slowest keystroke with its list (Wine)", milliseconds(slowest), "", "<= 16 ms",
        slowest <= 0.016 ? "yes" : "NO");
    for (std::size_t k = 0; k < std::size(kKeystrokes); ++k)
        row(std::string("  ") + kKeystrokes[k].first, milliseconds(median(keystrokeTimes[k])),
            "best " + format("%.1f", best(keystrokeTimes[k]) * 1e3));
    note(
        "Under Wine: medians of " + std::to_string(rounds) +
        " starts of each kind, alternating, each in a fresh process after a first start with an empty "
        "library "
        "there, from createMainWindow to the end of the first painting of the maximised window and its "
        "children (process creation not included); the target is 2, or 1.25 times the least start-up if that "
        "is more; best start-ups " +
        milliseconds(best(emptyTimes)) + " empty, " + milliseconds(best(bigTimes)) + " with 10,000 prompts.");
    note("Start-up steps, as seen from outside the program: CreateWindowExW (the creation handler, "
         "WM_CREATE, does the most), ShowWindow (which lays out for the maximised size) and the waiting "
         "messages (the "
         "painting); each is the median with 10,000 prompts, the empty library's median in brackets, and the "
         "best of the starts, which a busy machine disturbs least.");
    note("Start-up bound: whatever the loader does, it reads the file and the 10,000 prompts' strings need "
         "fresh memory (both measured in a fresh process of its own), here " +
         format("%.1f", median(stringTimes) * 1e6 / (static_cast<double>(heldBytes) / 4096)) +
         " us per 4 KB page written for the first time; with filling promptCombo that alone makes " +
         format("%.2f", least / bare) + " times the empty start-up.");
    note("Selection change: CB_SETCURSEL and CBN_SELCHANGE as the list sends them, with 10,000 prompts; "
         "the handler stores the input text and rewrites prompt.cf (crash-safe, with FlushFileBuffers). "
         "When no text changed it compares prompts.xml with what it would write and leaves it; when the "
         "stored text changed it rewrites it. Medians of " +
         std::to_string(2 * rounds) + " changes each.");
    note("Search window: each change of its field as one keystroke makes it, from SetWindowTextW to the end "
         "of the window's painting (RedrawWindow): the search, the filling of the list and the count line; "
         "medians of " +
         std::to_string(rounds) + " rounds.");
    CoUninitialize();
    return 0;
}
