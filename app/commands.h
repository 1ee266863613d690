#pragma once
// The main window's WM_COMMAND dispatch and its owner drawing.

#include <windows.h>

// WM_COMMAND, matched in the fixed order of app/command_model.h.
void onCommand(HWND mainWindow, WPARAM wParam, LPARAM lParam);

// Makes the seven menu items owner-drawn; the bar entries stay plain text.
void makeMenuOwnerDrawn(HMENU fileMenu, HMENU promptsMenu, HMENU helpMenu);

// WM_MEASUREITEM and WM_DRAWITEM: true when the item was one of ours.
bool onMeasureItem(HWND mainWindow, MEASUREITEMSTRUCT* item);
bool onDrawItem(HWND mainWindow, const DRAWITEMSTRUCT* item);
