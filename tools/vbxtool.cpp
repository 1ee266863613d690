// vbxtool: the library and settings files from the command line, through the same core
// the program uses.

#include "browser/chat_script.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "base/utf8.h"
#include "settings/settings.h"

#include <cstdio>
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

int resaveLibrary(Arguments args) {
    PromptLibrary library;
    if (!loadPromptFile(library, args[0])) {
        printError("cannot read a prompt library from", args[0]);
        return 1;
    }
    if (!savePromptFile(library, args[1])) {
        printError("cannot write", args[1]);
        return 1;
    }
    return 0;
}

int resaveSettings(Arguments args) {
    // A missing file gives the defaults, like at every start.
    if (!saveSettings(args[1], loadSettings(args[0]))) {
        printError("cannot write", args[1]);
        return 1;
    }
    return 0;
}

int firstStartSettings(Arguments args) {
    // The program's values before any file is read.
    const LiveSettings initial;
    const Settings loaded = loadSettings(args[0]);
    if (!saveSettings(args[1], startupRecord(loaded, startupSettingsFor(loaded, initial)))) {
        printError("cannot write", args[1]);
        return 1;
    }
    return 0;
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
    const std::string script = toUtf8(chatScriptFor(fromUtf8(*text), fromUtf8(*input)));
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // no CR before a line feed
#endif
    return std::fwrite(script.data(), 1, script.size(), stdout) == script.size() && std::fflush(stdout) == 0
               ? 0
               : 1;
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
