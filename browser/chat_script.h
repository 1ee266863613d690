#pragma once
// The script that writes a message into the AI chat page shown in the browser view and
// clicks the page's Send button 800 ms later, and the chats' start addresses.

#include "settings/settings.h"

#include <optional>
#include <string>
#include <string_view>

// The fixed pieces of the script. The head ends by opening the single-quoted literal that
// takes the escaped message; the tail closes it and goes on with the Gemini test.
extern const std::u16string_view scriptHead;
extern const std::u16string_view scriptTailFirst;
// Pages whose address contains this get the message as a paragraph's text.
extern const std::u16string_view geminiHostName;
extern const std::u16string_view scriptTailSecond;

// The prompt's text, followed by two line feeds and the input text when there is one.
std::u16string joinChatMessage(std::u16string_view promptText, std::u16string_view inputText);

// The whole script for one message (not yet escaped). The message is made safe inside the
// script's single-quoted literal: backslashes, apostrophes, CR LF and LF, then any carriage
// return left alone.
std::u16string buildChatScript(std::u16string_view message);

// What sendPromptToChat hands to the view for a prompt's text and an input text.
std::u16string chatScriptFor(std::u16string_view promptText, std::u16string_view inputText);

// Start address of a chat: 1 Gemini, 2 Copilot, any other value ChatGPT.
std::u16string_view aiStartAddress(AiTarget target);

// The address a selection in aiCombo opens; none for an index that is no chat.
std::optional<std::u16string_view> chatAddressForSelection(int index);
