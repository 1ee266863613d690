#pragma once
// The main window's WM_COMMAND dispatch.

#include <windows.h>

// WM_COMMAND, matched in the fixed order of commandAction (app/command_model.h).
void onCommand(WPARAM wParam, LPARAM lParam);
