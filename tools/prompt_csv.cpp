#include "tools/prompt_csv.h"

#include "base/utf8.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

// One record's fields as written (quotes taken off, doubled quotes made single) and the line
// of the file it starts on.
struct Record {
    std::vector<std::string> fields;
    std::size_t line = 0;
};

ReadError onLine(std::size_t line, std::string reason) {
    return {ReadError::Place::Line, line, std::move(reason)};
}

constexpr std::string_view kSeparators = ",;\t";

// The separator the header row holds most of, outside quotes; a comma when it holds none.
char separatorOf(std::string_view text) {
    std::array<std::size_t, kSeparators.size()> counts{};
    bool quoted = false;
    for (const char c : text.substr(std::min(text.find_first_not_of("\r\n"), text.size()))) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\n') break;
        if (const std::size_t at = kSeparators.find(c); at != std::string_view::npos) ++counts[at];
    }
    return kSeparators[static_cast<std::size_t>(std::ranges::max_element(counts) - counts.begin())];
}

// Splits the text into records. A record ends at CR LF or LF outside quotes; a lone CR is an
// ordinary character. False on broken quoting, with `error` set.
bool splitRecords(std::string_view text, char separator, std::vector<Record>& records, ReadError& error) {
    std::size_t line = 1;
    std::size_t i = 0;
    const auto atLineEnd = [&] { return text[i] == '\n' || text.substr(i).starts_with("\r\n"); };
    while (i < text.size()) {
        Record& record = records.emplace_back(Record{{}, line});
        for (;;) {
            std::string& field = record.fields.emplace_back();
            // Blanks before an opening quote and after a closing one, as people type "a, "b"".
            const std::size_t quote = std::min(text.find_first_not_of(' ', i), text.size());
            if (quote < text.size() && text[quote] == '"') {
                i = quote;
                const std::size_t opened = line;
                for (++i;; ++i) {
                    if (i == text.size()) {
                        error = onLine(opened, "the quoted field that starts here is never closed");
                        return false;
                    }
                    if (text[i] == '"' && !text.substr(i).starts_with("\"\"")) break;
                    if (text[i] == '"') ++i; // the first of a doubled quote
                    if (text[i] == '\n') ++line;
                    field += text[i];
                }
                i = std::min(text.find_first_not_of(' ', i + 1), text.size());
            } else {
                for (; i < text.size() && text[i] != separator && !atLineEnd(); ++i) {
                    if (text[i] == '"') {
                        error = onLine(line, "a quote inside a field that is not in quotes");
                        return false;
                    }
                    field += text[i];
                }
            }
            if (i == text.size()) break;
            if (text[i] == separator) {
                ++i;
                continue;
            }
            if (!atLineEnd()) {
                error = onLine(line, "text after the closing quote of a field");
                return false;
            }
            i += text[i] == '\r' ? 2 : 1;
            ++line;
            break;
        }
    }
    return true;
}

// A value read as UTF-8, which must be well-formed: exactly what comes back unchanged from
// UTF-16. Line breaks as the editor holds them.
std::optional<std::u16string> valueOf(std::string_view bytes) {
    if (invalidUtf8At(bytes) != std::string_view::npos) return std::nullopt;
    return withCrLfLineBreaks(fromUtf8(bytes));
}

// Blanks around it left out, ASCII letters in lower case.
std::string keyOf(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    std::string key(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// A value of the file as a message shows it: printable ASCII as it is, other bytes as \xNN,
// and no more than a few of them.
std::string shown(std::string_view value) {
    constexpr std::size_t most = 24;
    std::string text;
    for (const char c : value.substr(0, most)) {
        const auto byte = static_cast<unsigned char>(c);
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        text += byte >= 0x20 && byte < 0x7F ? std::string(1, c) : hex;
    }
    return value.size() > most ? text + "..." : text;
}

// The fav column as spreadsheets and people fill it in; an empty cell is no favourite.
std::optional<bool> favFrom(std::string_view value) {
    const std::string key = keyOf(value);
    for (const std::string_view yes : {"1", "true", "yes", "ja", "wahr"})
        if (key == yes) return true;
    for (const std::string_view no : {"", "0", "false", "no", "nein", "falsch"})
        if (key == no) return false;
    return std::nullopt;
}

enum Column { kName, kText, kFav, kColumnCount };
constexpr std::array<std::array<std::string_view, 4>, kColumnCount> kAliases = {{
    {"name", "title", "titel", "act"},
    {"text", "prompt", "content", "inhalt"},
    {"fav", "favorite", "favourite", "favorit"},
}};
constexpr std::array<std::string_view, kColumnCount> kRoles = {"name", "text", "fav"};
constexpr std::size_t kAbsent = std::string::npos;

// Where each column stands in the header: the field with the name that comes first in the list
// of names wanted. False with `error` set when a required one is missing or a name stands twice.
bool findColumns(const Record& header, const CsvColumns& columns, std::array<std::size_t, kColumnCount>& at,
                 ReadError& error) {
    const std::array<const std::string*, kColumnCount> given = {&columns.name, &columns.text, &columns.fav};
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        const std::string own = keyOf(*given[c]);
        std::vector<std::string_view> wanted(kAliases[c].begin(), kAliases[c].end());
        if (!own.empty()) wanted = {own};
        std::vector<std::size_t> ranks;
        for (const std::string& field : header.fields)
            ranks.push_back(
                static_cast<std::size_t>(std::ranges::find(wanted, keyOf(field)) - wanted.begin()));
        const auto best = std::ranges::min_element(ranks);
        at[c] = best == ranks.end() || *best == wanted.size()
                    ? kAbsent
                    : static_cast<std::size_t>(best - ranks.begin());
        if (at[c] != kAbsent && std::ranges::count(ranks, *best) > 1) {
            error = onLine(header.line, "the column \"" + std::string(wanted[*best]) + "\" is named twice");
            return false;
        }
        if (at[c] != kAbsent || (c == kFav && own.empty())) continue;
        std::string names = "\"" + *given[c] + "\"";
        if (own.empty())
            names = "for the " + std::string(kRoles[c]) + " (" + std::string(wanted[0]) + ", " +
                    std::string(wanted[1]) + ", " + std::string(wanted[2]) + " or " + std::string(wanted[3]) +
                    ")";
        error = onLine(header.line, "the header row has no column " + names);
        return false;
    }
    return true;
}

// The prompt of one record, or the reason it is none.
std::string readPrompt(const Record& record, const std::array<std::size_t, kColumnCount>& at,
                       Prompt& prompt) {
    std::array<std::u16string, kColumnCount> values;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (at[c] == kAbsent) continue;
        const std::optional<std::u16string> value = valueOf(record.fields[at[c]]);
        if (!value) return "the field \"" + std::string(kRoles[c]) + "\" is not valid UTF-8";
        values[c] = *value;
    }
    if (values[kName].empty()) return "the name is empty";
    const std::string_view favText = at[kFav] == kAbsent ? std::string_view() : record.fields[at[kFav]];
    const std::optional<bool> fav = favFrom(favText);
    if (!fav)
        return "fav is \"" + shown(favText) + "\", not one of 1/0, true/false, yes/no, ja/nein, wahr/falsch";
    prompt = Prompt{values[kName], values[kText], *fav, {}};
    return {};
}

// A value as a spreadsheet reads it back: in quotes, with its quotes doubled, when it holds the
// separator, a quote or a line break.
void putValue(std::string& out, std::u16string_view value, char separator) {
    const std::string bytes = toUtf8(value);
    if (bytes.find_first_of({separator, '"', '\r', '\n'}) == std::string::npos) {
        out += bytes;
        return;
    }
    out += '"';
    for (const char c : bytes)
        out += c == '"' ? "\"\"" : std::string(1, c);
    out += '"';
}

} // namespace

std::optional<PromptLibrary> promptsFromCsv(std::string_view bytes, ReadError& error,
                                            const CsvColumns& columns) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::vector<Record> records;
    if (!splitRecords(bytes, separatorOf(bytes), records, error)) return std::nullopt;
    // Blank lines, and rows whose cells are all empty, hold no prompt.
    std::erase_if(records, [](const Record& r) {
        return std::ranges::all_of(r.fields, [](const std::string& field) { return field.empty(); });
    });
    if (records.empty()) {
        error = onLine(1, "the file has no header row");
        return std::nullopt;
    }
    std::array<std::size_t, kColumnCount> at;
    if (!findColumns(records[0], columns, at, error)) return std::nullopt;
    const std::size_t width = records[0].fields.size();

    PromptLibrary prompts;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const Record& record = records[r];
        std::string why;
        if (record.fields.size() != width)
            why = "the header row has " + std::to_string(width) + " fields, this record " +
                  std::to_string(record.fields.size());
        else
            why = readPrompt(record, at, prompts.emplace_back());
        if (!why.empty()) {
            error = onLine(record.line, why);
            return std::nullopt;
        }
    }
    return prompts;
}

std::string promptsToCsv(const PromptLibrary& library, char separator) {
    std::string out = "\xEF\xBB\xBFname";
    out += separator;
    out += "text";
    out += separator;
    out += "fav\r\n";
    for (const Prompt& prompt : library) {
        putValue(out, prompt.name, separator);
        out += separator;
        putValue(out, prompt.text, separator);
        out += separator;
        out += prompt.fav ? "1\r\n" : "0\r\n";
    }
    return out;
}
