#pragma once
// The prompt editor: a window in which a new prompt is made or the selected one is changed.

#include <cstdint>

// kNewPromptId (editExisting false) and kEditPromptId (true): opens the editor, or brings the
// open one to the front.
void openPromptEditor(bool editExisting);

// An editor open on an existing prompt follows that prompt while the library changes under it:
// a deletion before it moves it down one place; when the prompt itself is deleted, or the
// whole library is replaced by an import, the editor's input is saved as a new prompt.
void editTargetAfterDeletion(std::int32_t deletedIndex);
void editTargetAfterReplacement();
