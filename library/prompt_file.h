#pragma once
// The prompt library's XML file (prompts.xml and every exported or imported library).

#include "library/prompt_library.h"

#include <string>
#include <string_view>

// The prompts found in a document's bytes; false when the bytes are not a library
// (no item and no "<prompts>").
bool parsePromptLibrary(std::string_view bytes, PromptLibrary& out);

// The document savePromptFile writes, as bytes.
std::string promptDocument(const PromptLibrary& library);
// Writes the whole library to `path`, crash-safe. True when the file was written.
[[nodiscard]] bool savePromptFile(const PromptLibrary& library, const std::u16string& path);
// As savePromptFile, but a file that already holds these bytes is left untouched: most saves of
// prompts.xml change nothing, and with 10,000 prompts it is 11 MB.
[[nodiscard]] bool updatePromptFile(const PromptLibrary& library, const std::u16string& path);
// Replaces `library` by the file's prompts and returns true; returns false and leaves
// `library` unchanged when the file can't be read or holds no library.
// `readWhole`, when given, tells whether all that the file holds is in the prompts read: not
// for a file that is there but can't be read or holds no library, has bytes that are not
// UTF-8 (read as U+FFFD), or ends in an item begun and not finished. Writing such a file over
// would lose what was not read. No file, or an empty one, is read whole.
[[nodiscard]] bool loadPromptFile(PromptLibrary& library, const std::u16string& path,
                                  bool* readWhole = nullptr);
