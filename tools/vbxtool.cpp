// vbxtool: the library and settings files from the command line, through the same core
// the program uses.

#include "base/file_io.h"
#include "base/utf8.h"
#include "browser/chat_script.h"
#include "library/backups.h"
#include "library/prompt_file.h"
#include "settings/settings.h"
#include "tools/prompt_csv.h"
#include "tools/prompt_import.h"
#include "tools/prompt_json.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include "base/single_copy.h"
#include "base/win_owners.h"

#include <fcntl.h>
#include <io.h>
#endif

namespace {

// The words after the command: its arguments, and its options "--key=value" by key.
struct Call {
    std::vector<std::u16string> args;
    std::map<std::string, std::string> options;
    std::string option(const std::string& key) const {
        const auto found = options.find(key);
        return found == options.end() ? std::string() : found->second;
    }
};

void printError(std::string_view message, const std::u16string& path) {
    std::fprintf(stderr, "vbxtool: %.*s: %s\n", static_cast<int>(message.size()), message.data(),
                 toUtf8(path).c_str());
}

// What is wrong with an input file, or what to know of it: "vbxtool: PATH: line 3: ...".
void printInputError(const std::u16string& path, const ReadError& error) {
    std::fprintf(stderr, "vbxtool: %s: %s\n", toUtf8(path).c_str(), describe(error).c_str());
}

// Bytes to stdout exactly as they are: no CR is put before a line feed on Windows.
int writeToStdout(std::string_view bytes) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0 ? 0
                                                                                                          : 1;
}

// The library in the file, or nothing once that is said. Only a library that is read whole is
// taken: what vbxtool writes from it would otherwise lose the rest without a word.
std::optional<PromptLibrary> readLibrary(const std::u16string& path) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) {
        printError("cannot read", path);
        return std::nullopt;
    }
    PromptsRead read = readPrompts(*bytes, PromptFormat::Library);
    if (!read.prompts) printInputError(path, read.error);
    return std::move(read.prompts);
}

// The exit code of a command that ends by writing `path`; a failed write is said.
int writeResult(bool written, const std::u16string& path) {
    if (written) return 0;
    printError("cannot write", path);
    return 1;
}

std::tm localTime(std::time_t moment) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    return local;
}

// Before a library file is written over: a copy beside it, flushed, named and rotated as the
// program names and rotates its own backups. False when none could be made.
bool keepBackup(const std::u16string& path) {
    namespace fs = std::filesystem;
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) return false;
    const fs::path folder = fs::path(path).parent_path();
    // A backup made within the same second takes the next free second, as the program's do.
    for (std::time_t moment = std::time(nullptr), last = moment + 60; moment < last; ++moment) {
        const std::tm t = localTime(moment);
        const std::u16string name = datedFileName(kBackupPrefix, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                                                  t.tm_hour, t.tm_min, t.tm_sec);
        std::error_code unknown;
        if (fs::exists(folder / name, unknown) || unknown) continue;
        if (!writeFileAtomically((folder / name).u16string(), *bytes)) return false;
        std::vector<std::u16string> names;
        for (const fs::directory_entry& entry :
             fs::directory_iterator(folder.empty() ? "." : folder, unknown))
            names.push_back(entry.path().filename().u16string());
        for (const std::u16string& old : backupsBeyond(std::move(names), kKeptBackups, name))
            fs::remove(folder / old, unknown);
        return true;
    }
    return false;
}

// Verbarix writes the library it holds over its file at its next change, so no library is
// written while it runs; its single-copy mutex says whether it does.
bool refusedWhileProgramRuns([[maybe_unused]] const std::u16string& path) {
#ifdef _WIN32
    if (const UniqueKernelHandle running(OpenMutexW(SYNCHRONIZE, FALSE, kSingleCopyMutex)); running) {
        printError("Verbarix is running and would write its own library over this one; close it first", path);
        return true;
    }
#endif
    return false;
}

// Whether there is a file at `path`; when that can't be told, as if there were.
bool present(const std::u16string& path) {
    std::error_code unknown;
    return std::filesystem::exists(std::filesystem::path(path), unknown) || unknown;
}

// Writes the library to `path`; a library that is there is kept as a backup first.
int writeLibrary(const PromptLibrary& library, const std::u16string& path) {
    if (present(path) && !keepBackup(path)) {
        printError("cannot keep a backup of", path);
        return 1;
    }
    return writeResult(savePromptFile(library, path), path);
}

int resaveLibrary(const Call& call) {
    if (refusedWhileProgramRuns(call.args[1])) return 1;
    const std::optional<PromptLibrary> library = readLibrary(call.args[0]);
    return library ? writeLibrary(*library, call.args[1]) : 1;
}

int resaveSettings(const Call& call) {
    // A missing file gives the defaults, like at every start.
    return writeResult(saveSettings(call.args[1], loadSettings(call.args[0])), call.args[1]);
}

int firstStartSettings(const Call& call) {
    // The program's values before any file is read.
    const LiveSettings initial;
    const Settings loaded = loadSettings(call.args[0]);
    return writeResult(saveSettings(call.args[1], startupRecord(loaded, startupSettingsFor(loaded, initial))),
                       call.args[1]);
}

// The script the program hands to the browser view for a prompt's text and an input
// text, both read as UTF-8 bytes; written to stdout as UTF-8 with nothing added.
int printChatScript(const Call& call) {
    const std::optional<std::string> text = readWholeFile(call.args[0]);
    if (!text) {
        printError("cannot read", call.args[0]);
        return 1;
    }
    const std::optional<std::string> input = readWholeFile(call.args[1]);
    if (!input) {
        printError("cannot read", call.args[1]);
        return 1;
    }
    return writeToStdout(toUtf8(chatScriptFor(fromUtf8(*text), fromUtf8(*input))));
}

// One line per prompt: its position (from 0, as the program counts), "*" for a favourite and
// the name, tabs between. A tab or line break inside a name is shown as a blank.
int listLibrary(const Call& call) {
    const std::optional<PromptLibrary> library = readLibrary(call.args[0]);
    if (!library) return 1;
    std::string lines;
    for (std::size_t i = 0; i < library->size(); ++i) {
        std::u16string name = (*library)[i].name;
        std::ranges::replace_if(
            name, [](char16_t c) { return c == u'\t' || c == u'\r' || c == u'\n'; }, u' ');
        lines += std::to_string(i) + '\t' + ((*library)[i].fav ? "*" : "") + '\t' + toUtf8(name) + '\n';
    }
    return writeToStdout(lines);
}

int exportJson(const Call& call) {
    const std::optional<PromptLibrary> library = readLibrary(call.args[0]);
    return library ? writeResult(writeFileAtomically(call.args[1], promptsToJson(*library)), call.args[1])
                   : 1;
}

int exportCsv(const Call& call) {
    const std::string separator = call.option("separator");
    if (!separator.empty() && separator != "," && separator != ";" && separator != "\t" &&
        separator != "tab") {
        std::fputs("vbxtool: --separator takes , or ; or tab\n", stderr);
        return 2;
    }
    const std::optional<PromptLibrary> library = readLibrary(call.args[0]);
    const char sep = separator.empty() ? ',' : separator == "tab" ? '\t' : separator[0];
    return library ? writeResult(writeFileAtomically(call.args[1], promptsToCsv(*library, sep)), call.args[1])
                   : 1;
}

// Appends the prompts read from args[0] to the library file args[1], which is made when it does
// not exist; a prompt whose name and text the library holds already is passed over, as the
// program's "Prompts hinzufügen…" does. Nothing is written unless the whole input was read and
// the library too.
int importPrompts(const Call& call, PromptFormat format) {
    const std::u16string& path = call.args[1];
    if (refusedWhileProgramRuns(path)) return 1;
    const std::optional<std::string> bytes = readWholeFile(call.args[0]);
    if (!bytes) {
        printError("cannot read", call.args[0]);
        return 1;
    }
    const CsvColumns columns{call.option("name-column"), call.option("text-column"),
                             call.option("fav-column")};
    const PromptsRead read = readPrompts(*bytes, format, columns);
    if (!read.prompts) {
        printInputError(call.args[0], read.error);
        return 1;
    }
    if (read.windows1252) printInputError(call.args[0], {.reason = "not UTF-8; read as Windows-1252"});
    const bool existing = present(path);
    std::optional<PromptLibrary> library = existing ? readLibrary(path) : PromptLibrary{};
    if (!library) return 1;
    const PromptLibrary added = promptsToAdd(*library, *read.prompts);
    const std::string counts = std::to_string(added.size()) + " added, " +
                               std::to_string(read.prompts->size() - added.size()) +
                               " already in the library\n";
    if (existing && added.empty()) return writeToStdout(counts);
    library->insert(library->end(), added.begin(), added.end());
    const int written = writeLibrary(*library, path);
    return written != 0 ? written : writeToStdout(counts);
}

int importJson(const Call& call) {
    return importPrompts(call, PromptFormat::Json);
}
int importCsv(const Call& call) {
    return importPrompts(call, PromptFormat::Csv);
}

// One line per subcommand; the dispatch below needs nothing else.
struct Command {
    std::string_view name;
    std::string_view parameters; // for the usage text
    std::size_t argumentCount;
    std::vector<std::string_view> options; // the keys of the options it takes
    int (*run)(const Call& call);
};

const Command kCommands[] = {
    {"resave-library", "IN OUT", 2, {}, resaveLibrary},
    {"resave-settings", "IN OUT", 2, {}, resaveSettings},
    {"first-start-settings", "IN OUT", 2, {}, firstStartSettings},
    {"script", "TEXT_FILE INPUT_FILE", 2, {}, printChatScript},
    {"list", "LIBRARY", 1, {}, listLibrary},
    {"export-json", "LIBRARY OUT.json", 2, {}, exportJson},
    {"export-csv", "LIBRARY OUT.csv [--separator=;]", 2, {"separator"}, exportCsv},
    {"import-json", "IN.json LIBRARY", 2, {}, importJson},
    {"import-csv",
     "IN.csv LIBRARY [--name-column=COL] [--text-column=COL] [--fav-column=COL]",
     2,
     {"name-column", "text-column", "fav-column"},
     importCsv},
};

int usage() {
    std::fputs("usage:\n", stderr);
    for (const Command& command : kCommands) {
        std::fprintf(stderr, "  vbxtool %.*s %.*s\n", static_cast<int>(command.name.size()),
                     command.name.data(), static_cast<int>(command.parameters.size()),
                     command.parameters.data());
    }
    return 2;
}

int run(const std::vector<std::u16string>& words) {
    if (words.empty()) return usage();
    for (const Command& command : kCommands) {
        if (toUtf8(words[0]) != command.name) continue;
        Call call;
        for (std::size_t i = 1; i < words.size(); ++i) {
            const std::string word = toUtf8(words[i]);
            if (!word.starts_with("--")) {
                call.args.push_back(words[i]);
                continue;
            }
            const std::size_t equals = word.find('=');
            if (equals == std::string::npos) return usage();
            const std::string key = word.substr(2, equals - 2);
            if (std::ranges::find(command.options, key) == command.options.end()) return usage();
            call.options[key] = word.substr(equals + 1);
        }
        if (call.args.size() != command.argumentCount) return usage();
        return command.run(call);
    }
    return usage();
}

// Whatever a command meets that it does not handle itself (no memory, above all) ends it with a
// message and exit code 1, not with an abort.
int runSafely(const std::vector<std::u16string>& words) {
    try {
        return run(words);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "vbxtool: %s\n", failure.what());
        return 1;
    }
}

} // namespace

#ifdef _WIN32
// Wide arguments, so every path the user can name reaches the core unchanged.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> words;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view word(argv[i]);
        words.emplace_back(word.begin(), word.end());
    }
    return runSafely(words);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> words;
    for (int i = 1; i < argc; ++i)
        words.push_back(fromUtf8(argv[i]));
    return runSafely(words);
}
#endif
