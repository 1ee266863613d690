#pragma once
// The fonts built from the system menu font. setContentFontSize, applyContentFont,
// invalidatePaintedWindows and controlColorAnswer are declared in app/shell.h.

#include <windows.h>

// Copies the system menu font into AppState::baseLogFont; leaves it zero when the
// non-client metrics can't be read.
void readSystemMenuFont();

// The font for text drawn by the program itself: contentFont, or the stock GUI font.
HGDIOBJ contentFontOrDefault();
