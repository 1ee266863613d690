#pragma once
// Placing the main window's children; the arithmetic is in app/layout_model.h.

#include "app/layout_model.h"

#include <windows.h>

// A window's rectangle in the client coordinates of `parent`.
Edges windowEdgesIn(HWND window, HWND parent);
void moveWindowTo(HWND window, const Box& box);

// WM_SIZE: browser view, AI header and strip, prompt strip, prompt pane.
void onSize(HWND mainWindow);
// The AI header and strip for the current client rectangle, invalidated.
void placeAiArea(HWND mainWindow);
// The prompt strip down to 3 pixels below the send button, invalidated.
void placePromptStrip(HWND mainWindow);
