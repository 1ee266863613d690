#include "library/prompt_fields.h"

#include <algorithm>

namespace {

struct Field {
    std::size_t begin = 0; // of "{{"
    std::size_t end = 0;   // after "}}"
    std::u16string_view name;
};

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// Calls `visit` for each field from left to right. After a "{{" that opens no field the scan
// goes on at its second brace, so "{{{Ton}}" holds the field "Ton" after a plain brace.
template <typename Visit> void forEachField(std::u16string_view text, Visit&& visit) {
    for (std::size_t at = text.find(u"{{"); at != std::u16string_view::npos; at = text.find(u"{{", at)) {
        const std::size_t close = text.find_first_of(u"{}\r\n", at + 2);
        if (close == std::u16string_view::npos) return; // nothing after can close a field
        if (!text.substr(close).starts_with(u"}}")) {
            at += 1;
            continue;
        }
        std::u16string_view name = text.substr(at + 2, close - at - 2);
        while (!name.empty() && isBlank(name.front()))
            name.remove_prefix(1);
        while (!name.empty() && isBlank(name.back()))
            name.remove_suffix(1);
        if (name.empty() || name.size() > kMaxFieldName) {
            at += 1;
            continue;
        }
        visit(Field{at, close + 2, name});
        at = close + 2;
    }
}

} // namespace

std::vector<std::u16string> promptFieldNames(std::u16string_view text) {
    std::vector<std::u16string> names;
    forEachField(text, [&names](const Field& field) {
        if (std::find(names.begin(), names.end(), field.name) == names.end()) names.emplace_back(field.name);
    });
    return names;
}

std::u16string fillPromptFields(std::u16string_view text, const FieldValues& values) {
    std::u16string filled;
    filled.reserve(text.size());
    std::size_t copied = 0;
    forEachField(text, [&](const Field& field) {
        const auto value = values.find(std::u16string(field.name));
        if (value == values.end()) return;
        filled.append(text.substr(copied, field.begin - copied)).append(value->second);
        copied = field.end;
    });
    return filled.append(text.substr(copied));
}
