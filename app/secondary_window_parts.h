#pragma once
// Pieces shared by the About, settings and prompt editor windows.

#include "base/wide_text.h"

#include <windows.h>

#include <string>

// Shows an existing window, makes it the foreground window and brings it to the top.
// False when the handle is null or no longer a window.
bool bringToFront(HWND window);

// Registers a secondary window class the first time it is needed.
void registerClassOnce(bool& registered, const wchar_t* className, WNDPROC procedure, HBRUSH background);

// Creates a child control (no instance handle, no creation parameter) and gives it the
// content font when there is one.
HWND createControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id);

// The end of an About, settings or editor window (its WM_NCDESTROY): the handle kept in
// `slot` is cleared if it is this window's, and fonts kept for the open windows may go.
void secondaryWindowGone(HWND& slot, HWND window);

// The whole text of a window.
std::u16string readWindowText(HWND window);
