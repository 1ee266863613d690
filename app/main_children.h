#pragma once
// The main window's children in one list: they are made, given the content font, repainted and
// ended through it.

#include "settings/settings.h"

#include <windows.h>

struct MainChildren {
    HWND promptHeader = nullptr;
    HWND aiCombo = nullptr;
    HWND promptCombo = nullptr;
    HWND inputEdit = nullptr;
    HWND clearButton = nullptr;
    HWND pasteButton = nullptr;
    HWND sendButton = nullptr;
    HWND promptStrip = nullptr;
    HWND favHeader = nullptr;
    HWND favStrip = nullptr;
    HWND aiHeader = nullptr;
    HWND aiStrip = nullptr;
};

// The children while the main window exists; all null before and after.
const MainChildren& mainChildren();

// Creates them in their order, aiCombo filled with the chats and chat `ai` selected.
void createMainChildren(HWND mainWindow, AiTarget ai);
// Ends them, the favourite buttons with them, while the main window still exists.
void destroyMainChildren();

// The content font to every control of the main window (the painted headers and strips draw
// with it themselves), the browser's hint and the controls of the open secondary windows; the
// menu bar drawn anew in it.
void applyContentFont(HWND mainWindow);
// The painted headers and strips drawn anew.
void invalidatePaintedWindows();
