#pragma once
// The menu commands that act on the library as a whole.

#include <cstdint>

// "Prompt löschen": deletes prompt `selected` of the list once the user has confirmed it.
void deletePrompt(std::int32_t selected);
// kExportId: writes the library to a file the user picks.
void exportLibrary();
// kImportId: replaces the library by the one in a file the user picks, once the user has
// agreed (when the library holds prompts) and the old file is kept as a dated backup beside it.
void importLibrary();
