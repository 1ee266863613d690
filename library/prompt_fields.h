#pragma once
// Fill-in fields in a prompt's text: "{{Empfänger}}" stands for a value the user gives each
// time the prompt is sent. The stored text keeps its fields; only the sent copy is filled.

#include <map>
#include <string>
#include <string_view>
#include <vector>

// A field is "{{", a name, "}}". The name is taken without the blanks and tabs at its ends and
// must then hold 1 to kMaxFieldName units, none of them a brace, CR or LF; anything else stays
// plain text. Names are compared exactly ("Ton" and "ton" are two fields).
inline constexpr std::size_t kMaxFieldName = 60;

// A value for each field name.
using FieldValues = std::map<std::u16string, std::u16string>;

// The distinct field names of the text, in the order of their first appearance.
std::vector<std::u16string> promptFieldNames(std::u16string_view text);

// The text with every field whose name has a value replaced by that value; fields without a
// value and everything else stay as written.
std::u16string fillPromptFields(std::u16string_view text, const FieldValues& values);
