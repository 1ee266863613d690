#pragma once
// The prompt selector and the text pane under it: what the main window's commands call.
// fillPromptCombo, getInputText, storeInputText and saveSelectedPromptIndex are in app/shell.h.

// Start: selects the stored prompt (or the first) and shows its last input text.
void selectStoredPrompt();
// CBN_SELCHANGE of promptCombo: the box's text becomes the new prompt's lasttext.
void onPromptSelectionChanged();
// Command 9001: empties the box and stores that.
void clearInputText();
// Command 9002: replaces the box's text with the clipboard's, if it holds text.
void pasteClipboardText();
// Command 500: stores the box's text into the selected prompt and sends that prompt.
void sendSelectedPrompt();
// Commands 8000 to 8099: sends favourite `position` with the box's text, storing nothing.
void sendFavorite(int position);
