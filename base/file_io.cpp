#include "base/file_io_platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

ReplaceFileStep replaceStep = nullptr;

// Big enough that a piece costs few reads, small enough to stay in the cache while it is parsed.
constexpr std::size_t kPieceSize = 256 * 1024;
std::size_t pieceSizeForTesting = 0;

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

void setFilePieceSizeForTesting(std::size_t bytes) {
    pieceSizeForTesting = bytes;
}

bool takeInPieces(int passes, const std::function<long long(char* into, std::size_t capacity)>& readSome,
                  const std::function<bool()>& rewind, const PieceTaker& take) {
    std::size_t capacity = pieceSizeForTesting ? pieceSizeForTesting : kPieceSize;
    auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
    for (int pass = 0; pass < passes; ++pass) {
        if (pass > 0 && !rewind()) return false;
        std::size_t held = 0; // the bytes left at the buffer's front
        for (;;) {
            if (held == capacity) {
                auto bigger = std::make_unique_for_overwrite<char[]>(2 * capacity);
                std::memcpy(bigger.get(), buffer.get(), held);
                buffer = std::move(bigger);
                capacity *= 2;
            }
            const long long got = readSome(buffer.get() + held, capacity - held);
            if (got < 0) return false;
            held += static_cast<std::size_t>(got);
            const bool atEnd = got == 0;
            const std::size_t taken = std::min(take(pass, std::string_view(buffer.get(), held), atEnd), held);
            if (atEnd) break;
            std::memmove(buffer.get(), buffer.get() + taken, held - taken);
            held -= taken;
        }
    }
    return true;
}

namespace {

// Eight bytes at a time: the C library's memcmp goes byte by byte under Wine.
bool sameBytes(const char* a, const char* b, std::size_t size) {
    std::size_t at = 0;
    for (; at + 8 <= size; at += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + at, 8);
        std::memcpy(&y, b + at, 8);
        if (x != y) return false;
    }
    for (; at < size; ++at)
        if (a[at] != b[at]) return false;
    return true;
}

} // namespace

bool holdsBytes(const std::function<long long(char* into, std::size_t capacity)>& readSome,
                const std::function<bool(const ByteSink& sink)>& produce) {
    const std::size_t capacity = pieceSizeForTesting ? pieceSizeForTesting : kPieceSize;
    auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
    const bool same = produce([&](std::string_view piece) {
        while (!piece.empty()) {
            const std::size_t wanted = std::min(piece.size(), capacity);
            for (std::size_t held = 0; held < wanted;) {
                const long long got = readSome(buffer.get() + held, wanted - held);
                if (got <= 0) return false; // an error, or the file ends early
                held += static_cast<std::size_t>(got);
            }
            if (!sameBytes(buffer.get(), piece.data(), wanted)) return false;
            piece.remove_prefix(wanted);
        }
        return true;
    });
    return same && readSome(buffer.get(), 1) == 0; // and nothing follows
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
