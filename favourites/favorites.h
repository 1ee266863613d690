#pragma once
// The favourite buttons below the send button, one for each favourite prompt up to the
// largest number set, with the header and strip of their area.

#include <windows.h>

// Makes the buttons anew for the library and places the favourites area below the send button.
void rebuildFavorites(HWND mainWindow);
void destroyFavoriteButtons();
