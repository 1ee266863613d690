#pragma once
// The menu commands that open the secondary windows or work on the library file.
// Each opens at most one window of its kind and brings an open one to the front.

void openAboutWindow();                // 7001
void openSettingsWindow();             // 7002
void openPromptEditor(bool editExisting); // 3001 (false), 3002 (true)
void deleteSelectedPrompt();           // 3003
void exportLibrary();                  // 4001
void importLibrary();                  // 4002
