#pragma once
// Where prompts.xml and prompt.cf live: a folder "Quillory" in the user's local
// application data folder.

#include <optional>
#include <string>

// Fixes promptsPath and settingsPath in AppState and creates the folder when missing.
// Without a known folder both paths are bare names, relative to the current directory.
void initStoragePaths();

// Finds the local application data folder; nothing when the shell can't say.
using LocalAppDataLookup = std::optional<std::u16string> (*)();
// Tests point the storage at a folder of their own; null restores the shell's lookup.
void setLocalAppDataLookup(LocalAppDataLookup lookup);
