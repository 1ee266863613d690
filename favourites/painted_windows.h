#pragma once
// The rounded, coloured section headers ("FavHeader") and strips ("FavStrip") of the
// three areas. The area number (1 prompt, 2 favourites, 3 AI) is the window's user data.

#include <windows.h>

inline constexpr wchar_t kFavHeaderClass[] = L"FavHeader";
inline constexpr wchar_t kFavStripClass[] = L"FavStrip";

// Registers both classes unless they are registered already.
void registerPaintedWindowClasses();
