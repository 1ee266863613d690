#pragma once
// The prompt selector and the text pane under it: what the main window and its commands call.
// Filling the selector and storing its selection, which other windows call too, are in app/shell.h.

// The text of inputEdit becomes the selected prompt's lasttext (in memory only); true when that
// changed it.
bool storeInputText();
// Start: selects the stored prompt (or the first) and shows its last input text.
void selectStoredPrompt();
// CBN_SELCHANGE of promptCombo: the box's text becomes the new prompt's lasttext.
void onPromptSelectionChanged();
// kClearId: empties the box and stores that.
void clearInputText();
// kPasteId: replaces the box's text with the clipboard's, if it holds text.
void pasteClipboardText();
// kSendId: stores the box's text into the selected prompt and sends that prompt.
void sendSelectedPrompt();
// kFirstFavoriteId to kLastFavoriteId: sends favourite `position` with the box's text, storing nothing.
void sendFavorite(int position);
