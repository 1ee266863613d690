#pragma once
// Small window helpers that know nothing of this program.

#include "base/geometry.h"

#include <windows.h>

#include <string>

// False for null and for a handle whose window has gone.
inline bool isWindow(HWND window) {
    return window && IsWindow(window);
}

// Registers a window class of this process unless it is registered already.
void registerClassOnce(const wchar_t* className, WNDPROC procedure, HBRUSH background);

// Shows an existing window, makes it the foreground window and brings it to the top.
// False when the handle is null or no longer a window.
bool bringToFront(HWND window);

// The whole text of a window.
std::u16string readWindowText(HWND window);

// A window's rectangle in the client coordinates of `parent`.
Edges windowEdgesIn(HWND window, HWND parent);
void moveWindowTo(HWND window, const Box& box);
