#pragma once
// Between file_io.cpp, the half of the file functions that is the same everywhere, and its
// platform twins file_io_posix.cpp and file_io_win.cpp. Nothing else includes this.

#include "base/file_io.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// Reads the file up to its end: first into a buffer of the size the system announced, then
// through a small buffer in case it grew since. `readSome` fills up to `capacity` bytes and
// returns how many it read, 0 at the end and -1 on an error.
std::optional<std::string>
readUntilEnd(std::size_t announcedSize,
             const std::function<long long(char* into, std::size_t capacity)>& readSome);

// readFileInPieces over the platform's reads of an open file: `readSome` as for readUntilEnd,
// `rewind` goes back to the file's start for the next pass.
bool takeInPieces(int passes, const std::function<long long(char* into, std::size_t capacity)>& readSome,
                  const std::function<bool()>& rewind, const PieceTaker& take);

// fileHolds over the platform's reads of an open file (`readSome` as for readUntilEnd).
bool holdsBytes(const std::function<long long(char* into, std::size_t capacity)>& readSome,
                const std::function<bool(const ByteSink& sink)>& produce);

// A fresh name for the temporary file beside `path`: the process id and a counter, so two
// saves (of this or another process) never pick the same one.
std::u16string temporaryPathFor(const std::u16string& path, unsigned long processId);

// The last step of writeFileAtomically: the platform's rename of the flushed temporary file
// over `path`, unless a test has put a step of its own in place.
bool replaceWithTemporary(const std::u16string& temporaryPath, const std::u16string& path);

// The platform's rename over an existing file (each twin defines it).
bool moveFileOver(const std::u16string& temporaryPath, const std::u16string& path);
