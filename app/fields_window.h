#pragma once
// The window "Felder ausfüllen": before a prompt whose text holds fill-in fields ({{Name}}) is
// sent, it asks for the value of each field.

#include <cstdint>
#include <string>

// Sends the prompt followed by the input text, as sendPromptToChat does. When the prompt's text
// holds fields, the window asks for them first, while the main window waits disabled: "Senden"
// sends the text with the fields filled in, "Ohne Ausfüllen senden" sends it as it is, Escape or
// closing the window sends nothing. The stored prompt never changes.
void sendPromptFillingFields(std::int32_t libraryIndex, const std::u16string& inputText);
