// Stand-ins until the secondary windows land.
#include "app/secondary_windows.h"

void openAboutWindow() {}
void openSettingsWindow() {}
void openPromptEditor(bool) {}
void deleteSelectedPrompt() {}
void exportLibrary() {}
void importLibrary() {}
