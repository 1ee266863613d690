#pragma once
// The main window of class "AI_APP_V4": creation, procedure and the end of its resources.

#include <windows.h>

inline constexpr wchar_t kMainWindowClass[] = L"AI_APP_V4";

// Registers the main window class (once per process) and creates the main window, not
// yet shown. The entry point and the tests both start the program through it.
// Null when the window could not be created.
HWND createMainWindow(HINSTANCE instance);

// After the message loop: deletes the shared fonts and the white brush.
void releaseSharedResources();
