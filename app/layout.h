#pragma once
// Placing the main window's children; the arithmetic is in app/layout_model.h.

#include "app/layout_model.h"

#include <windows.h>

// WM_SIZE: browser view, AI header and strip, prompt strip, prompt pane.
void onSize(HWND mainWindow);
// The AI header and strip for the current client rectangle, invalidated.
void placeAiArea(HWND mainWindow);
// The prompt strip down to 3 pixels below the send button, invalidated.
void placePromptStrip(HWND mainWindow);
// The edit box below promptCombo's selection field and the two glyph buttons above its
// right end, for the combo box's height in the current font.
void layoutPromptPane(HWND mainWindow);
