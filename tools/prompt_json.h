#pragma once
// Prompts to and from JSON: an array of objects with "name", "text", "fav" (a boolean) and
// "lasttext", the four fields of a prompt.

#include "library/prompt_library.h"
#include "tools/read_error.h"

#include <optional>
#include <string>
#include <string_view>

// The library as such an array, UTF-8, indented by two blanks, ending with a line feed.
std::string promptsToJson(const PromptLibrary& library);

// The prompts of such an array; "name" and "text" are required, other members are passed over.
// Line breaks inside values become CR LF. On bad input nothing, and `error` names the element
// (counted from 0) and says what is wrong; no input makes the JSON library's exceptions escape.
std::optional<PromptLibrary> promptsFromJson(std::string_view bytes, ReadError& error);
