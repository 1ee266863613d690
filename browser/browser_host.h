#pragma once
// The embedded WebView2 browser view in the right part of the main window.

#include "settings/settings.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Asks the runtime for the view; it arrives later through the message loop.
void startBrowser(HWND mainWindow, AiTarget ai);
// Places the view for the main window's current client rectangle (WM_SIZE).
void resizeBrowser(HWND mainWindow);
// Opens chat `index` after the user picked it in aiCombo, and stores the choice.
void switchChat(int index);
// Writes the prompt's text, followed by the input text, into the chat and sends it.
void sendPromptToChat(std::int32_t libraryIndex, const std::u16string& inputText);
// The same for a text of the caller's, such as a prompt's text with its fields filled in.
void sendTextToChat(const std::u16string& promptText, const std::u16string& inputText);
// Tells the view that the main window moved on the screen (WM_MOVE).
void browserParentMoved();
// The hint shown in the view's place while there is no view; null otherwise.
HWND browserHint();
// Closes the view and gives back its references; in WM_DESTROY, while the child windows
// still exist, and again (then doing nothing) after the message loop, before COM ends.
// The hint goes with it.
void releaseBrowser();
