#pragma once
// Whole-file reading and crash-safe whole-file writing. Paths are UTF-16 on every platform.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Every byte of the file, or nothing when it can't be opened or read.
std::optional<std::string> readWholeFile(const std::u16string& path);

// Calls `use` once with every byte of the file and returns its result; false without a call
// when the file can't be opened or read. Where it can, the file is mapped into memory
// rather than copied, and no other program can write to it during the call: the bytes live
// only as long as the call.
bool useWholeFile(const std::u16string& path, const std::function<bool(std::string_view bytes)>& use);

// Writes the bytes to a temporary file beside `path`, flushes it to disk and then
// replaces `path` with it in one step. On any failure the old file stays whole, the
// temporary file is removed and the result is false.
[[nodiscard]] bool writeFileAtomically(const std::u16string& path, std::string_view bytes);

// Takes the next piece of a file's bytes; false when it could not be written.
using ByteSink = std::function<bool(std::string_view piece)>;
// The same for bytes made piece by piece: `produce` hands every piece to the sink it is given
// and returns false when the sink did (or when it gives up itself).
[[nodiscard]] bool writeFileAtomically(const std::u16string& path,
                                       const std::function<bool(const ByteSink& sink)>& produce);

// The last step of writeFileAtomically: moves the flushed temporary file over `path`.
using ReplaceFileStep = bool (*)(const std::u16string& temporaryPath, const std::u16string& path);
// Tests put a failing step in place to see what a failed replace leaves behind; nullptr
// restores the real one. Returns the step that was in place.
ReplaceFileStep setReplaceFileStepForTesting(ReplaceFileStep step);
