#pragma once
// The search window: a field above the library's names, filtered as the user types. Enter or a
// double click chooses the prompt in the main window's list, Ctrl+Enter sends it as well.

// kSearchPromptId: opens the search window, or brings the open one to the front.
void openSearchWindow();

// After any change of the library: an open search window lists the library as it is now.
void refreshSearchWindow();
