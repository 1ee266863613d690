#include "tools/prompt_csv.h"

#include "base/utf8.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// One record's fields as written (quotes taken off, doubled quotes made single) and the line
// of the file it starts on.
struct Record {
    std::vector<std::string> fields;
    std::size_t line = 0;
};

std::string onLine(std::size_t line, std::string_view message) {
    return "line " + std::to_string(line) + ": " + std::string(message);
}

// Splits the text into records. A record ends at CR LF or LF outside quotes; a lone CR is an
// ordinary character. False on broken quoting, with `error` set.
bool splitRecords(std::string_view text, std::vector<Record>& records, std::string& error) {
    std::size_t line = 1;
    std::size_t i = 0;
    const auto atLineEnd = [&] { return text[i] == '\n' || text.substr(i).starts_with("\r\n"); };
    while (i < text.size()) {
        Record& record = records.emplace_back(Record{{}, line});
        for (;;) {
            std::string& field = record.fields.emplace_back();
            if (i < text.size() && text[i] == '"') {
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
                ++i;
            } else {
                for (; i < text.size() && text[i] != ',' && !atLineEnd(); ++i) {
                    if (text[i] == '"') {
                        error = onLine(line, "a quote inside a field that is not in quotes");
                        return false;
                    }
                    field += text[i];
                }
            }
            if (i == text.size()) break;
            if (text[i] == ',') {
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
    std::u16string text = fromUtf8(bytes);
    if (toUtf8(text) != bytes) return std::nullopt;
    return withCrLfLineBreaks(text);
}

std::string asciiLowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The fav column as spreadsheets and people fill it in; an empty cell is no favourite.
std::optional<bool> favFrom(std::string_view value) {
    const std::string lower = asciiLowerCase(value);
    if (lower == "1" || lower == "true" || lower == "ja") return true;
    if (lower.empty() || lower == "0" || lower == "false" || lower == "nein") return false;
    return std::nullopt;
}

enum Column { kName, kText, kFav, kColumnCount };
constexpr std::array<std::string_view, kColumnCount> kColumnNames = {"name", "text", "fav"};
constexpr std::size_t kAbsent = std::string::npos;

// Where each column stands in the header; false with `error` set when one is missing or twice.
bool findColumns(const Record& header, std::array<std::size_t, kColumnCount>& at, std::string& error) {
    at.fill(kAbsent);
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const auto known = std::ranges::find(kColumnNames, asciiLowerCase(header.fields[i]));
        if (known == kColumnNames.end()) continue;
        std::size_t& column = at[static_cast<std::size_t>(known - kColumnNames.begin())];
        if (column != kAbsent) {
            error = onLine(header.line, "the column \"" + std::string(*known) + "\" is named twice");
            return false;
        }
        column = i;
    }
    for (const Column required : {kName, kText}) {
        if (at[required] != kAbsent) continue;
        error = onLine(header.line,
                       "the header row has no column \"" + std::string(kColumnNames[required]) + "\"");
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
        if (!value) return "the field \"" + std::string(kColumnNames[c]) + "\" is not valid UTF-8";
        values[c] = *value;
    }
    if (values[kName].empty()) return "the name is empty";
    const std::optional<bool> fav = favFrom(at[kFav] == kAbsent ? "" : record.fields[at[kFav]]);
    if (!fav) return "fav is \"" + record.fields[at[kFav]] + "\", not one of 1/0, true/false, ja/nein";
    prompt = Prompt{values[kName], values[kText], *fav, {}};
    return {};
}

} // namespace

std::optional<PromptLibrary> promptsFromCsv(std::string_view bytes, std::string& error) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::vector<Record> records;
    if (!splitRecords(bytes, records, error)) return std::nullopt;
    // Blank lines, and rows whose cells are all empty, hold no prompt.
    std::erase_if(records, [](const Record& r) {
        return std::ranges::all_of(r.fields, [](const std::string& field) { return field.empty(); });
    });
    if (records.empty()) {
        error = onLine(1, "the file has no header row");
        return std::nullopt;
    }
    std::array<std::size_t, kColumnCount> at;
    if (!findColumns(records[0], at, error)) return std::nullopt;
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
