#pragma once
// The prompt library's XML file (prompts.xml and every exported or imported library).

#include "library/prompt_library.h"

#include <string>
#include <string_view>

std::u16string escapeXml(std::u16string_view text);
std::u16string unescapeXml(std::u16string_view text);
std::u16string extractTag(std::u16string_view block, std::u16string_view tagName);

// The complete document for a library, byte for byte.
std::string serializePromptLibrary(const PromptLibrary& library);
// The prompts found in a document's bytes; false when the bytes are not a library
// (no item and no "<prompts>").
bool parsePromptLibrary(std::string_view bytes, PromptLibrary& out);

// Writes the whole library to `path`. True when the file was written; callers that
// are silent by design may ignore the result.
bool savePromptFile(const PromptLibrary& library, const std::u16string& path);
// Replaces `library` by the file's prompts and returns true; returns false and leaves
// `library` unchanged when the file can't be read or holds no library.
bool loadPromptFile(PromptLibrary& library, const std::u16string& path);
