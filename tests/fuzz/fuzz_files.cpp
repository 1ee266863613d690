// One libFuzzer target for both files; the first byte picks the test ('0', '1', '2' in the
// seeds): the rest as prompts.xml, as a library to save and load, or as prompt.cf. What is read
// must come back unchanged through a save and a load (on tmpfs where there is one: saves flush).
#include "core/support.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// Unlike assert, also in a build with NDEBUG.
#define CHECK(holds) ((holds) ? void() : (std::fprintf(stderr, "failed: %s\n", #holds), std::abort()))

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::u16string path =
        fromUtf8((access("/dev/shm", W_OK) ? "/tmp"s : "/dev/shm"s) + "/vbx-" + std::to_string(getpid()));
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    PromptLibrary library{{u"before", u"", true, u""}}, loaded = library;
    if (data[0] % 3 == 1) { // units of two bytes, those below 0x100 mostly the format's own; 1 ends a value
        library.assign(1, {});
        for (std::size_t i = 0, field = 0; i + 1 < bytes.size(); i += 2) {
            char16_t unit = char16_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8);
            if (unit < 0x100) unit = u"\1\1&<>\"';\r\na\u00E4\u20AC\xD83D\xDE00\xDC00\1"[unit % 17];
            if (unit == 1 && ++field % 3 == 0) library.emplace_back();
            Prompt& p = library.back();
            p.fav = p.fav != (unit == u';');
            if (unit != 1) (field % 3 == 0 ? p.name : field % 3 == 1 ? p.text : p.lasttext) += unit;
        }
        CHECK(savePromptFile(library, path) && readBytes(path) == expectedDocument(library));
        CHECK(loadPromptFile(loaded, path) && loaded == afterRoundTrip(library));
    } else if (writeBytes(path, bytes); data[0] % 3 == 2) { // a second save writes what the first did
        CHECK(saveSettings(path, loadSettings(path)));
        const std::string saved = readBytes(path);
        CHECK(saveSettings(path, loadSettings(path)) && readBytes(path) == saved);
    } else if (!loadPromptFile(library, path)) {
        CHECK(library == loaded);
    } else {
        CHECK(afterRoundTrip(library) == library);
        CHECK(savePromptFile(library, path) && loadPromptFile(loaded, path) && loaded == library);
    }
    return 0;
}
