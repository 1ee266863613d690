#pragma once
// The prompt editor: a window in which a new prompt is made or the selected one is changed.

#include <cstdint>

// "Prompt neu erstellen" (editExisting false) and "Prompt editieren" (true, on prompt `selected`
// of the list; nothing without a selection): opens the editor, or brings the open one to the front.
void openPromptEditor(bool editExisting, std::int32_t selected);

// An editor open on an existing prompt follows that prompt while the library changes under it:
// a deletion before it moves it down one place; when the prompt itself is deleted, or the
// whole library is replaced by an import, the editor's input is saved as a new prompt.
void editTargetAfterDeletion(std::int32_t deletedIndex);
void editTargetAfterReplacement();
