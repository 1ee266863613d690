#include "library/prompt_library.h"

#include <functional>
#include <unordered_set>

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

PromptLibrary promptsToAdd(const PromptLibrary& library, const PromptLibrary& incoming) {
    // Name and text of a prompt in `library` or `incoming`, both of which outlive the set.
    using Key = std::pair<std::u16string_view, std::u16string_view>;
    const auto hash = [](const Key& key) {
        const std::hash<std::u16string_view> of;
        return of(key.first) * 31 + of(key.second);
    };
    std::unordered_set<Key, decltype(hash)> seen(library.size() + incoming.size(), hash);
    for (const Prompt& prompt : library)
        seen.emplace(prompt.name, prompt.text);
    PromptLibrary added;
    for (const Prompt& prompt : incoming)
        if (seen.emplace(prompt.name, prompt.text).second) added.push_back(prompt);
    return added;
}
