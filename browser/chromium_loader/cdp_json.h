#pragma once
// The little JSON the stand-in loader speaks with Chromium over the DevTools pipe: messages are
// UTF-8 JSON texts, each ended by a NUL. Only what the loader sends is written, and only the
// members it looks at are read; everything else is skipped whole.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A UTF-16 text as a JSON string literal in UTF-8, quotes included. Surrogate pairs become
// their character; a lone surrogate and every control character are written as \uXXXX, so the
// text reaches the page unit for unit, as WebView2 hands a script over.
std::string jsonString(std::u16string_view text);

// Adds what came out of the pipe to `pending` and takes from it every message it completes,
// without its NUL; an unfinished message waits in `pending` for the next piece.
std::vector<std::string> takeMessages(std::string& pending, std::string_view received);

// The raw JSON text of the member `key` of the object `json`, or nothing when `json` is no
// object or has no such member. Keys are compared as written, without decoding escapes.
std::optional<std::string_view> jsonMember(std::string_view json, std::string_view key);

// The member's value when it is a string without escapes (ids, method and type names).
std::optional<std::string_view> jsonText(std::string_view json, std::string_view key);
