#include "tools/prompt_import.h"

#include "base/utf8.h"
#include "library/prompt_file.h"
#include "library/prompt_file_check.h"
#include "tools/prompt_json.h"

#include <array>

namespace {

PromptsRead fromLibrary(std::string_view bytes) {
    PromptsRead read;
    using Kind = LibraryLoss::Kind;
    const LibraryLoss loss = firstLibraryLoss(bytes);
    static constexpr std::array<const char*, 4> reasons = {
        "", "an item begins here and never ends",
        "an item here is not read (only <item> in lower case, without attributes and not inside "
        "another item is)",
        "bytes here are not UTF-8"};
    if (PromptLibrary prompts; !parsePromptLibrary(bytes, prompts))
        read.error.reason = "the file holds no prompt library";
    else if (loss.kind != Kind::None)
        read.error = {ReadError::Place::Line, loss.line, reasons[static_cast<std::size_t>(loss.kind)]};
    else
        read.prompts = std::move(prompts);
    return read;
}

} // namespace

std::optional<PromptFormat> promptFormatOf(std::u16string_view fileName) {
    const std::size_t dot = fileName.find_last_of(u'.');
    if (dot == std::u16string_view::npos) return std::nullopt;
    std::u16string extension(fileName.substr(dot + 1));
    for (char16_t& c : extension)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (extension == u"xml") return PromptFormat::Library;
    if (extension == u"json") return PromptFormat::Json;
    if (extension == u"csv") return PromptFormat::Csv;
    return std::nullopt;
}

PromptsRead readPrompts(std::string_view bytes, PromptFormat format, const CsvColumns& columns) {
    if (format == PromptFormat::Library) return fromLibrary(bytes);
    PromptsRead read;
    if (format == PromptFormat::Json) {
        read.prompts = promptsFromJson(bytes, read.error);
        return read;
    }
    // German spreadsheet programs write "ANSI": without a byte order mark, bytes that are not
    // UTF-8 are taken as Windows-1252. With the mark the file says it is UTF-8.
    std::string converted;
    if (!bytes.starts_with("\xEF\xBB\xBF") && invalidUtf8At(bytes) != std::string_view::npos) {
        converted = toUtf8(fromWindows1252(bytes));
        bytes = converted;
        read.windows1252 = true;
    }
    read.prompts = promptsFromCsv(bytes, read.error, columns);
    return read;
}
