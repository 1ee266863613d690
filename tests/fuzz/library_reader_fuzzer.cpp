// Any bytes as a library file: the reader must not crash, must agree with the algorithm
// written out step by step, and whatever it reads must survive a save and a load unchanged.

#include "library/prompt_file.h"
#include "base/utf8.h"
#include "reference_reader.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "library reader: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const PromptLibrary before{{u"before", u"", true, u""}};

    PromptLibrary library = before;
    const bool read = parsePromptLibrary(bytes, library);
    PromptLibrary expected = before;
    const bool expectedRead =
        reference::parseLibrary(bytes, expected, [](std::string_view b) { return fromUtf8(b); });
    check(read == expectedRead, "result differs from the step-by-step algorithm");
    check(library == expected, "prompts differ from the step-by-step algorithm");
    if (!read) {
        check(library == before, "a failed read changed the library");
        return 0;
    }

    // No empty item, bare line feed or unpaired surrogate is left, so a save and a load change nothing.
    check(reference::afterRoundTrip(library) == library,
          "an empty item or a bare line feed survived the read");
    PromptLibrary again;
    check(parsePromptLibrary(serializePromptLibrary(library), again), "the saved library can't be read");
    check(again == library, "a read library changed through a save and a load");
    return 0;
}
