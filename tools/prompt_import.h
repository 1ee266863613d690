#pragma once
// Prompts from a file of the kinds the program and vbxtool take in: a library (.xml), a JSON
// array (.json) or CSV (.csv), read by one path for both.

#include "library/prompt_library.h"
#include "tools/prompt_csv.h"
#include "tools/read_error.h"

#include <optional>
#include <string_view>

enum class PromptFormat { Library, Json, Csv };

// The format a file's name says by its extension, in any case; nothing for another extension.
std::optional<PromptFormat> promptFormatOf(std::u16string_view fileName);

struct PromptsRead {
    std::optional<PromptLibrary> prompts; // nothing when the file can't be read whole; see `error`
    ReadError error;
    bool windows1252 = false; // a CSV file that is not UTF-8 was read as Windows-1252
};

// The prompts of a file's bytes. A library that reading would not keep whole (an item not read,
// bytes that are not UTF-8) is refused, with its line in `error`.
PromptsRead readPrompts(std::string_view bytes, PromptFormat format, const CsvColumns& columns = {});
