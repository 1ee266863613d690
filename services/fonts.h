#pragma once
// The content font (and its bold twin) built from the system menu font at the size set, kept
// for every window of the program.

#include <windows.h>

// Copies the system menu font into AppState::baseLogFont; leaves it zero when the
// non-client metrics can't be read.
void readSystemMenuFont();

// The font for text drawn by the program itself: contentFont, or the stock GUI font.
HGDIOBJ contentFontOrDefault();

// Makes the content and bold fonts for a character height of `px` pixels (nothing for px <= 0).
void setContentFontSize(int px);
// Every control of the open About, settings, editor, search and fields windows gets the content
// font, so none of them keeps drawing with a replaced one.
void giveContentFontToSecondaryWindows();
// Called as an About, settings, editor, search or fields window goes: once none of them is open,
// the content fonts replaced meanwhile are deleted.
void releaseRetiredFonts();
