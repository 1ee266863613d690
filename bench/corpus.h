#pragma once
// Deterministic libraries of realistic prompts for the benchmarks: German and English text
// with umlauts and ß, emoji (surrogate pairs), the five characters the file escapes and
// CR LF line breaks. Every value is 20 to 2,000 UTF-16 units long.

#include "library/prompt_library.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The first `count` prompts of one fixed stream, so a smaller library is a prefix of a
// larger one and every size has the same mix of content.
PromptLibrary makeBenchLibrary(std::size_t count);

// Running prose of exactly `units` UTF-16 units (a surrogate pair or CR LF is never cut),
// drawn from the same vocabulary, for `seed`.
std::u16string makeBenchText(std::size_t units, std::uint64_t seed);
