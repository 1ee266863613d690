#include "library/deleted_prompts.h"

#include "base/file_io.h"
#include "library/prompt_file.h"

std::u16string deletedPromptsPath(const std::u16string& promptsPath) {
    const std::size_t slash = promptsPath.find_last_of(u"\\/");
    return (slash == std::u16string::npos ? std::u16string() : promptsPath.substr(0, slash + 1)) +
           u"prompts-deleted.xml";
}

bool keepDeletedPrompt(const std::u16string& path, const Prompt& prompt, std::size_t keep) {
    PromptLibrary kept;
    // A file that can't be opened is taken as missing; one that is there all the same is held
    // or protected, and replacing it fails as well.
    const std::optional<std::string> bytes = readWholeFile(path);
    if (bytes && !bytes->empty() && !parsePromptLibrary(*bytes, kept)) return false;
    kept.push_back(prompt);
    if (kept.size() > keep) kept.erase(kept.begin(), kept.end() - static_cast<std::ptrdiff_t>(keep));
    return savePromptFile(kept, path);
}
