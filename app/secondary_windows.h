#pragma once
// The menu commands that open the secondary windows or work on the library file.
// Each opens at most one window of its kind and brings an open one to the front.

#include <windows.h>

void openAboutWindow();                   // 7001
void openSettingsWindow();                // 7002
void openPromptEditor(bool editExisting); // 3001 (false), 3002 (true)
void deleteSelectedPrompt();              // 3003
void exportLibrary();                     // 4001
void importLibrary();                     // 4002

// Gives every control of the open About, settings and editor windows the font that
// replaces the content font, so none of them keeps drawing with the deleted one.
// A null font hands them back to the system font.
void applyFontToSecondaryWindows(HFONT font);
