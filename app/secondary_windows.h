#pragma once
// The menu commands that open the secondary windows or work on the library file.
// Each opens at most one window of its kind and brings an open one to the front.

#include <windows.h>

#include <cstdint>

void openAboutWindow();                   // 7001
void openSettingsWindow();                // 7002
void openPromptEditor(bool editExisting); // 3001 (false), 3002 (true)
void deleteSelectedPrompt();              // 3003
void exportLibrary();                     // 4001
void importLibrary();                     // 4002

// An editor open on an existing prompt follows that prompt while the library changes under it:
// a deletion before it moves it down one place; when the prompt itself is deleted, or the
// whole library is replaced by an import, the editor's input is saved as a new prompt.
void editTargetAfterDeletion(std::int32_t deletedIndex);
void editTargetAfterReplacement();

// Gives every control of the open About, settings and editor windows the font that
// replaces the content font, so none of them keeps drawing with the deleted one.
// A null font hands them back to the system font.
void applyFontToSecondaryWindows(HFONT font);
