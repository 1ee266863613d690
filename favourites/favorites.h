#pragma once
// The favourite buttons below the send button, one for each favourite prompt up to the
// largest number set, with the header and strip of their area.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

// Makes the buttons anew for the library, from `top` down, and places the favourites area's
// `header` and `strip` above and beside them (hidden without a button).
void rebuildFavorites(HWND mainWindow, int top, HWND header, HWND strip);
void destroyFavoriteButtons();

// The buttons shown, in their order (button p has the command id kFirstFavoriteId + p).
const std::vector<HWND>& favoriteButtons();
// The library index of the prompt that button `position` sends; none for no button.
std::optional<std::int32_t> favoritePrompt(int position);
