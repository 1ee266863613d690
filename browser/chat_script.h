#pragma once
// The script that writes a message into the AI chat page shown in the browser view and
// clicks the page's Send button 800 ms later, and the chats' start addresses.

#include "settings/settings.h"

#include <optional>
#include <string>
#include <string_view>

// What sendPromptToChat hands to the view for a prompt's text and an input text: the prompt's
// text, followed by two line feeds and the input text when there is one, made safe inside the
// script's single-quoted literal (backslashes, apostrophes, CR LF and LF, then any carriage
// return left alone).
std::u16string chatScriptFor(std::u16string_view promptText, std::u16string_view inputText);

// Start address of a chat: 1 Gemini, 2 Copilot, any other value ChatGPT.
std::u16string_view aiStartAddress(AiTarget target);

// The address a selection in aiCombo opens; none for an index that is no chat.
std::optional<std::u16string_view> chatAddressForSelection(int index);
