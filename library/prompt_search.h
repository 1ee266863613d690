#pragma once
// Finding prompts by what the user types: the case folding, the matching and the order of the
// search window's list, free of windows.
//
// Case is ignored as Windows' CompareStringEx(NORM_IGNORECASE) ignores it for German text: the
// lower case of LCMapStringEx(LCMAP_LOWERCASE) for one unit (Ä and ä, Σ and σ, Ж and ж alike),
// and, as that comparison has it, ß, ẞ and "ss" alike and the final ς as σ. Accents are not
// ignored, and İ stays İ. The table covers Latin (ASCII, Latin-1, Extended-A and the Additional
// block), Greek, Cyrillic and the full-width Latin letters; other units stay as they are.

#include "library/prompt_library.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::u16string foldCase(std::u16string_view text);

// The names and texts of a library, folded once, so that a search per keystroke folds only the
// query.
struct PromptSearchIndex {
    std::u16string names; // every folded name, one after the other
    std::u16string texts;
    std::vector<std::size_t> nameEnds; // where name i ends in `names`; it starts where i - 1 ended
    std::vector<std::size_t> textEnds;
};

// Folds the library into `index`, anew after every change of the library. The index keeps its
// memory: a big library's fresh pages cost more than the folding.
void indexPrompts(PromptSearchIndex& index, const PromptLibrary& library);

// The library indices of the prompts that hold every word of `query` (split at blanks) in their
// name or text, in this order: names that start with the query, names in which a word starts
// with it, names that contain it (or each of its words), then the prompts whose text alone holds
// some word; library order within each group. A query of blanks only lists every prompt.
std::vector<std::int32_t> searchPrompts(const PromptSearchIndex& index, std::u16string_view query);

// The line under the list: "12 von 30 Prompts", "1 von 1 Prompt".
std::u16string searchCountText(std::size_t shown, std::size_t total);
