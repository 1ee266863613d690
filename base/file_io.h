#pragma once
// Whole-file reading and crash-safe whole-file writing. Paths are UTF-16 on every platform.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Every byte of the file, or nothing when it can't be opened or read.
std::optional<std::string> readWholeFile(const std::u16string& path);

// Whether something is at `path`: false only when the system says that nothing is there, so
// that a file it can't look at counts as present.
bool pathExists(const std::u16string& path);

// Reads the file from its start to its end `passes` times, piece by piece, and hands `take` what
// it has not taken yet: the bytes it left the last time, then the next piece. `take` returns how
// many bytes from the front it is done with; when it leaves a full buffer whole, the buffer
// grows. With `atEnd` the bytes reach the end of the file, and whatever it leaves then is
// dropped. No copy of the whole file is held. False when the file can't be opened or read.
using PieceTaker = std::function<std::size_t(int pass, std::string_view unread, bool atEnd)>;
[[nodiscard]] bool readFileInPieces(const std::u16string& path, int passes, const PieceTaker& take);

// The buffer size readFileInPieces starts with; tests take tiny ones to cut the bytes at every
// place. 0 restores the normal size.
void setFilePieceSizeForTesting(std::size_t bytes);

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

// Whether the file holds exactly the bytes `produce` hands its sink, compared piece by piece as
// they come, without a copy of either; `produce` is told to stop at the first difference.
// False when the file can't be read.
[[nodiscard]] bool fileHolds(const std::u16string& path,
                             const std::function<bool(const ByteSink& sink)>& produce);

// The last step of writeFileAtomically: moves the flushed temporary file over `path`.
using ReplaceFileStep = bool (*)(const std::u16string& temporaryPath, const std::u16string& path);
// Tests put a failing step in place to see what a failed replace leaves behind; nullptr
// restores the real one. Returns the step that was in place.
ReplaceFileStep setReplaceFileStepForTesting(ReplaceFileStep step);
