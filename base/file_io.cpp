#include "base/file_io_platform.h"

namespace {

ReplaceFileStep replaceStep = nullptr;

} // namespace

std::optional<std::string>
readUntilEnd(std::size_t announcedSize,
             const std::function<long long(char* into, std::size_t capacity)>& readSome) {
    std::string bytes(announcedSize, '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // Full as announced: look for more through a small buffer instead of doubling.
            char extra[4096];
            const long long got = readSome(extra, sizeof extra);
            if (got < 0) return std::nullopt;
            if (got == 0) break;
            bytes.append(extra, static_cast<std::size_t>(got));
            filled = bytes.size();
            continue;
        }
        const long long got = readSome(bytes.data() + filled, bytes.size() - filled);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

std::u16string temporaryPathFor(const std::u16string& path, unsigned long processId) {
    static unsigned counter = 0;
    std::string suffix = ".";
    suffix.append(std::to_string(processId)).append("-").append(std::to_string(counter++)).append(".tmp");
    std::u16string temporaryPath = path;
    temporaryPath.append(suffix.begin(), suffix.end());
    return temporaryPath;
}

bool replaceWithTemporary(const std::u16string& temporaryPath, const std::u16string& path) {
    return (replaceStep ? replaceStep : moveFileOver)(temporaryPath, path);
}

ReplaceFileStep setReplaceFileStepForTesting(ReplaceFileStep step) {
    const ReplaceFileStep previous = replaceStep;
    replaceStep = step;
    return previous;
}

bool writeFileAtomically(const std::u16string& path, std::string_view bytes) {
    return writeFileAtomically(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}
