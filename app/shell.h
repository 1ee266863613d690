#pragma once
// Operations of the main window that the other windows call. All work on app().

#include <windows.h>

#include <cstdint>
#include <string>

// Prompt selector and text pane.
void fillPromptCombo(std::int32_t index);
std::u16string getInputText();
void storeInputText();
// Stores the index (and the AI selection of aiCombo) by read-modify-write of prompt.cf.
void saveSelectedPromptIndex(std::int32_t index);

// Layout.
void layoutPromptPane(HWND mainWindow);

// Fonts and colours.
void setContentFontSize(int px);
// Called as an About, settings or editor window goes: once none of them is open, the content
// fonts replaced meanwhile are deleted.
void releaseRetiredFonts();
void applyContentFont(HWND mainWindow);
void invalidatePaintedWindows(HWND mainWindow);
// The white answer to WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC.
LRESULT controlColorAnswer(HDC dc);

// Favourite buttons.
void rebuildFavorites(HWND mainWindow);
void destroyFavoriteButtons();
