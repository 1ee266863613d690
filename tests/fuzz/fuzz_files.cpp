// One libFuzzer target for both files and the imports of the program and vbxtool; the first byte picks the
// reader ('c' CSV, 'j' JSON, '2' in the seeds: prompt.cf, else prompts.xml). What is read must come back
// unchanged through a save and a load (on tmpfs where there is one: saves flush), and what an import reads
// through JSON and CSV. Generated libraries are the core tests' round trip.
#include "core/support.h"
#include "tools/prompt_csv.h"
#include "tools/prompt_import.h"
#include "tools/prompt_json.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// Unlike assert, also in a build with NDEBUG.
#define CHECK(holds) ((holds) ? void() : (std::fprintf(stderr, "failed: %s\n", #holds), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file =
        (access("/dev/shm", W_OK) ? "/tmp"s : "/dev/shm"s) + "/vbx-" + std::to_string(getpid());
    static const std::u16string path = fromUtf8(file);
    static const int removedAtExit = std::atexit([] { std::remove(file.c_str()); });
    (void)removedAtExit;
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] == 'c' || data[0] == 'j') { // what an import reads comes back whole through JSON and CSV
        const auto read = readPrompts(bytes, data[0] == 'c' ? PromptFormat::Csv : PromptFormat::Json).prompts;
        ReadError error;
        CHECK(!read || promptsFromJson(promptsToJson(*read), error) == read);
        PromptLibrary asCsv = read.value_or(PromptLibrary{});
        for (Prompt& prompt : asCsv)
            prompt.lasttext.clear();
        CHECK(!read || promptsFromCsv(promptsToCsv(*read, ",;\t"[size % 3]), error) == asCsv);
        return 0;
    }
    PromptLibrary library{{u"before", u"", true, u""}}, loaded = library;
    writeBytes(path, bytes);
    if (data[0] % 3 == 2) { // a second save writes what the first did
        CHECK(saveSettings(path, loadSettings(path)));
        const std::string saved = readBytes(path);
        CHECK(saveSettings(path, loadSettings(path)) && readBytes(path) == saved);
    } else {
        // The file, read in pieces that cut its bytes anywhere, gives what its bytes give.
        setFilePieceSizeForTesting(1 + size % 16);
        PromptLibrary parsed;
        const bool isLibrary = parsePromptLibrary(bytes, parsed);
        const bool read = loadPromptFile(library, path);
        setFilePieceSizeForTesting(0);
        CHECK(read == isLibrary && library == (read ? parsed : loaded));
        const std::optional<PromptLibrary> whole = readPrompts(bytes, PromptFormat::Library).prompts;
        CHECK(!whole || whole == parsed);
        if (!read) return 0;
        CHECK(afterRoundTrip(library) == library);
        CHECK(savePromptFile(library, path) && loadPromptFile(loaded, path) && loaded == library);
    }
    return 0;
}
