#pragma once
// prompts-deleted.xml beside prompts.xml: every deleted prompt goes there first, so a delete
// can be undone by bringing the file's prompts back in. It is a library file like any other.

#include "library/prompt_library.h"

#include <cstddef>
#include <string>

// The newest deleted prompts that the file keeps.
inline constexpr std::size_t kKeptDeletedPrompts = 200;

// The file's path beside the library file at `promptsPath`.
std::u16string deletedPromptsPath(const std::u16string& promptsPath);

// Appends the prompt to the file at `path` (made when missing), the oldest dropped so that at
// most `keep` remain. False, with the file as it was, when it can't be written or holds
// something that is not a library, which is then left alone.
[[nodiscard]] bool keepDeletedPrompt(const std::u16string& path, const Prompt& prompt,
                                     std::size_t keep = kKeptDeletedPrompts);
