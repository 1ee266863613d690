#pragma once
// The main window of class "AI_APP_V4": creation, procedure and the end of its resources.

#include <windows.h>

inline constexpr wchar_t kMainWindowClass[] = L"AI_APP_V4";

// Registers the main window class (once per process) and creates the main window, not
// yet shown. The entry point and the tests both start the program through it.
// Null when the window could not be created.
HWND createMainWindow(HINSTANCE instance);

// Told the name of each step of the main window's creation as it ends, in their order, so a
// benchmark can time them; nothing is told by default.
using StartupStepHook = void (*)(const char* step);
void setStartupStepHookForTesting(StartupStepHook hook);

// After the message loop: deletes the shared fonts and the white brush.
void releaseSharedResources();
