#pragma once
// Prompts from and to CSV files (RFC 4180) as spreadsheets and other tools write and read them.

#include "library/prompt_library.h"
#include "tools/read_error.h"

#include <optional>
#include <string>
#include <string_view>

// The columns to take, by name in any case. An empty name takes the usual ones: name, title,
// titel or act; text, prompt, content or inhalt; fav, favorite, favourite or favorit (the
// first of them that the header row holds).
struct CsvColumns {
    std::string name, text, fav;
};

// The prompts of the file's bytes: UTF-8 with or without a byte order mark; fields separated by
// commas, semicolons or tabs, whichever the header row holds most of; a header row naming the
// columns, blanks around the names left out (other columns are passed over); then one prompt per
// record. Line breaks inside values become CR LF. On bad input nothing, and `error` says why
// and on which line.
std::optional<PromptLibrary> promptsFromCsv(std::string_view bytes, ReadError& error,
                                            const CsvColumns& columns = {});

// The library for spreadsheets: UTF-8 with a byte order mark, the columns name, text and fav
// (1 or 0), values quoted where they need it, CR LF after every record.
std::string promptsToCsv(const PromptLibrary& library, char separator = ',');
