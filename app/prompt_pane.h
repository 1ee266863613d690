#pragma once
// The prompt selector and the text pane under it: what the main window and its commands call.

#include <cstdint>

// The entry selected in promptCombo; -1 for none.
std::int32_t selectedPrompt();
// Fills promptCombo with the library's names and selects `index` (the first entry when it is
// -1 or out of range); with `showSelected` the input box shows that prompt's last input text.
void showLibrary(std::int32_t index, bool showSelected);
// Stores the index (and the AI selection of aiCombo) by read-modify-write of prompt.cf; a
// failure is reported. True when it was written.
bool saveSelectedPromptIndex(std::int32_t index);

// The text of inputEdit becomes the selected prompt's lasttext (in memory only); true when that
// changed it.
bool storeInputText();
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
