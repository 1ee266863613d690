#pragma once
// Where prompts.xml and prompt.cf live: a folder "Quillory" in the user's local
// application data folder.

#include <optional>
#include <string>
#include <string_view>

// Fixes promptsPath and settingsPath in AppState and creates the folder when missing.
// Without a known folder both paths are bare names, relative to the current directory.
void initStoragePaths();

// Finds the local application data folder; nothing when the shell can't say.
using LocalAppDataLookup = std::optional<std::u16string> (*)();
// Tests point the storage at a folder of their own; null restores the shell's lookup.
void setLocalAppDataLookup(LocalAppDataLookup lookup);

// Writes `bytes` to a new file beside prompts.xml named by `prefix`, the local time and ".xml"
// (datedFileName; the next free second when the name is taken) and flushes it to disk. `path`
// names the file tried; false when it could not be written.
[[nodiscard]] bool writeBesidePrompts(std::u16string_view prefix, std::string_view bytes,
                                      std::u16string& path);
