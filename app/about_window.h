#pragma once
// The About window: the program's name, version and a short description.

// kAboutId: opens the window, or brings the open one to the front.
void openAboutWindow();
