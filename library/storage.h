#pragma once
// Where prompts.xml and prompt.cf live: a folder "Quillory" in the user's local
// application data folder.

#include "services/app_state.h"

#include <optional>
#include <string>

// The paths of prompts.xml and prompt.cf; creates their folder when missing. Without a known
// folder both paths are bare names, relative to the current directory.
StoragePaths findStoragePaths();

// Finds the local application data folder; nothing when the shell can't say.
using LocalAppDataLookup = std::optional<std::u16string> (*)();
// Tests point the storage at a folder of their own; null restores the shell's lookup.
void setLocalAppDataLookup(LocalAppDataLookup lookup);
