#include "library/prompt_library.h"

std::vector<int32_t> collectFavoriteIndices(const PromptLibrary& library) {
    std::vector<int32_t> indices;
    for (std::size_t i = 0; i < library.size(); ++i) {
        if (library[i].fav) indices.push_back(static_cast<int32_t>(i));
    }
    return indices;
}

bool isPromptIndex(const PromptLibrary& library, std::int64_t index) {
    return index >= 0 && static_cast<std::uint64_t>(index) < library.size();
}

std::u16string withCrLfLineBreaks(std::u16string_view text) {
    std::u16string result;
    result.reserve(text.size());
    for (const char16_t c : text) {
        if (c == u'\n' && (result.empty() || result.back() != u'\r')) result += u'\r';
        result += c;
    }
    return result;
}

std::u16string promptCountText(std::size_t count) {
    const std::string digits = std::to_string(count);
    return std::u16string(digits.begin(), digits.end()) + (count == 1 ? u" Prompt" : u" Prompts");
}
