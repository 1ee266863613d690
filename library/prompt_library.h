#pragma once
// One prompt and the ordered library of prompts held in memory.
// A prompt's identity is its 0-based position in the library.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Prompt {
    std::u16string name;
    std::u16string text;
    bool fav = false;
    std::u16string lasttext; // input text last stored for this prompt
    bool operator==(const Prompt&) const = default;
};

// count = size(), element access = operator[], append = push_back,
// remove = erase, replace all = assignment.
using PromptLibrary = std::vector<Prompt>;

// Whether `index` designates one of the library's prompts.
bool isPromptIndex(const PromptLibrary& library, std::int64_t index);

// Library indices of all prompts whose fav flag is set, in library order.
std::vector<int32_t> collectFavoriteIndices(const PromptLibrary& library);

// The text with its line breaks as the edit controls hold them and as a library file is read:
// a line feed without a carriage return before it gets one; CR LF and a lone CR stay.
std::u16string withCrLfLineBreaks(std::u16string_view text);

// "1 Prompt", "30 Prompts".
std::u16string promptCountText(std::size_t count);

// Of `incoming`, the prompts to add to `library`: those whose name and text equal neither those
// of a prompt in the library nor those of one taken before them. In the order of `incoming`.
PromptLibrary promptsToAdd(const PromptLibrary& library, const PromptLibrary& incoming);
