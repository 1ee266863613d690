// vbxtool: the library and settings files from the command line, through the same core
// the program uses.

#include "browser/chat_script.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"
#include "settings/settings.h"
#include "tools/prompt_csv.h"
#include "tools/prompt_json.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using Arguments = std::span<const std::u16string>;

void printError(std::string_view message, const std::u16string& path) {
    std::fprintf(stderr, "vbxtool: %.*s: %s\n", static_cast<int>(message.size()), message.data(),
                 toUtf8(path).c_str());
}

// What is wrong with an input file, the place named in `error`: "vbxtool: PATH: line 3: ...".
void printInputError(const std::u16string& path, const std::string& error) {
    std::fprintf(stderr, "vbxtool: %s: %s\n", toUtf8(path).c_str(), error.c_str());
}

// Bytes to stdout exactly as they are: no CR is put before a line feed on Windows.
int writeToStdout(std::string_view bytes) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0 ? 0
                                                                                                          : 1;
}

// The library in the file, or nothing once that is said.
std::optional<PromptLibrary> readLibrary(const std::u16string& path) {
    PromptLibrary library;
    if (loadPromptFile(library, path)) return library;
    printError("cannot read a prompt library from", path);
    return std::nullopt;
}

// The exit code of a command that ends by writing `path`; a failed write is said.
int writeResult(bool written, const std::u16string& path) {
    if (written) return 0;
    printError("cannot write", path);
    return 1;
}

int resaveLibrary(Arguments args) {
    const std::optional<PromptLibrary> library = readLibrary(args[0]);
    return library ? writeResult(savePromptFile(*library, args[1]), args[1]) : 1;
}

int resaveSettings(Arguments args) {
    // A missing file gives the defaults, like at every start.
    return writeResult(saveSettings(args[1], loadSettings(args[0])), args[1]);
}

int firstStartSettings(Arguments args) {
    // The program's values before any file is read.
    const LiveSettings initial;
    const Settings loaded = loadSettings(args[0]);
    return writeResult(saveSettings(args[1], startupRecord(loaded, startupSettingsFor(loaded, initial))),
                       args[1]);
}

// The script the program hands to the browser view for a prompt's text and an input
// text, both read as UTF-8 bytes; written to stdout as UTF-8 with nothing added.
int printChatScript(Arguments args) {
    const std::optional<std::string> text = readWholeFile(args[0]);
    if (!text) {
        printError("cannot read", args[0]);
        return 1;
    }
    const std::optional<std::string> input = readWholeFile(args[1]);
    if (!input) {
        printError("cannot read", args[1]);
        return 1;
    }
    return writeToStdout(toUtf8(chatScriptFor(fromUtf8(*text), fromUtf8(*input))));
}

// One line per prompt: its position (from 0, as the program counts), "*" for a favourite and
// the name, tabs between. A tab or line break inside a name is shown as a blank.
int listLibrary(Arguments args) {
    const std::optional<PromptLibrary> library = readLibrary(args[0]);
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

int exportJson(Arguments args) {
    const std::optional<PromptLibrary> library = readLibrary(args[0]);
    return library ? writeResult(writeFileAtomically(args[1], promptsToJson(*library)), args[1]) : 1;
}

using PromptReader = std::optional<PromptLibrary> (*)(std::string_view bytes, std::string& error);

// Appends the prompts read from args[0] to the library file args[1], which is made when it does
// not exist. Nothing is written unless the whole input was read and the library too.
int importPrompts(Arguments args, PromptReader read) {
    const std::optional<std::string> bytes = readWholeFile(args[0]);
    if (!bytes) {
        printError("cannot read", args[0]);
        return 1;
    }
    std::string error;
    const std::optional<PromptLibrary> imported = read(*bytes, error);
    if (!imported) {
        printInputError(args[0], error);
        return 1;
    }
    std::error_code unknown;
    const bool present = std::filesystem::exists(std::filesystem::path(args[1]), unknown) || unknown;
    std::optional<PromptLibrary> library = present ? readLibrary(args[1]) : PromptLibrary{};
    if (!library) return 1;
    library->insert(library->end(), imported->begin(), imported->end());
    return writeResult(savePromptFile(*library, args[1]), args[1]);
}

int importJson(Arguments args) {
    return importPrompts(args, promptsFromJson);
}
int importCsv(Arguments args) {
    return importPrompts(args, promptsFromCsv);
}

// One line per subcommand; the dispatch below needs nothing else.
struct Command {
    std::string_view name;
    std::string_view parameters; // for the usage text
    std::size_t argumentCount;
    int (*run)(Arguments args);
};

constexpr Command kCommands[] = {
    {"resave-library", "IN OUT", 2, resaveLibrary},
    {"resave-settings", "IN OUT", 2, resaveSettings},
    {"first-start-settings", "IN OUT", 2, firstStartSettings},
    {"script", "TEXT_FILE INPUT_FILE", 2, printChatScript},
    {"list", "LIBRARY", 1, listLibrary},
    {"export-json", "LIBRARY OUT.json", 2, exportJson},
    {"import-json", "IN.json LIBRARY", 2, importJson},
    {"import-csv", "IN.csv LIBRARY", 2, importCsv},
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
        if (words.size() - 1 != command.argumentCount) return usage();
        return command.run(Arguments(words).subspan(1));
    }
    return usage();
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
    return run(words);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> words;
    for (int i = 1; i < argc; ++i)
        words.push_back(fromUtf8(argv[i]));
    return run(words);
}
#endif
