#pragma once
// What the main window draws itself: the seven menu items in the content font and the two
// glyph buttons (clear, paste) of the prompt pane.

#include <windows.h>

// Makes the seven menu items owner-drawn; the bar entries stay plain text.
void makeMenuOwnerDrawn(HMENU fileMenu, HMENU promptsMenu, HMENU helpMenu);

// WM_MEASUREITEM and WM_DRAWITEM: true when the item was one of ours.
bool onMeasureItem(HWND mainWindow, MEASUREITEMSTRUCT* item);
bool onDrawItem(HWND mainWindow, const DRAWITEMSTRUCT* item);
