#pragma once
// Prompts from a CSV file (RFC 4180) as spreadsheets and other tools write it.

#include "library/prompt_library.h"

#include <optional>
#include <string>
#include <string_view>

// The prompts of the file's bytes: UTF-8 with or without a byte order mark, a header row naming
// the columns "name", "text" and optionally "fav" in any order (other columns are passed over),
// then one prompt per record. Line breaks inside values become CR LF. On bad input nothing, and
// `error` names the line and says what is wrong.
std::optional<PromptLibrary> promptsFromCsv(std::string_view bytes, std::string& error);
