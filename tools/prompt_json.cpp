#include "tools/prompt_json.h"

#include "base/utf8.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

// The JSON library's message without its "[json.exception...] " tag and without the bytes it
// read last, which may be anything the file holds. A number too big for a double is named as
// such: the library's own message quotes it.
std::string messageOf(const Json::exception& failure) {
    if (failure.id == 406) return "a number is too big";
    std::string_view message = failure.what();
    if (const std::size_t tag = message.find("] "); tag != std::string_view::npos)
        message.remove_prefix(tag + 2);
    return std::string(message.substr(0, message.find("; last read:")));
}

// A string member into `out`; the reason when it is missing (and required) or no string. A
// null member counts as missing.
std::string readText(const Json& item, const char* key, bool required, std::u16string& out) {
    const auto found = item.find(key);
    const std::string quoted = std::string(1, '"').append(key).append(1, '"');
    if (found == item.end() || found->is_null()) return required ? quoted + " is missing" : std::string();
    if (!found->is_string()) return quoted + " is not a string";
    // The parser lets only well-formed UTF-8 through.
    out = withCrLfLineBreaks(fromUtf8(found->get_ref<const std::string&>()));
    return {};
}

// The prompt of one element, or the reason it is none.
std::string readPrompt(const Json& item, Prompt& prompt) {
    if (!item.is_object()) return "not an object";
    for (std::string why :
         {readText(item, "name", true, prompt.name), readText(item, "text", true, prompt.text),
          readText(item, "lasttext", false, prompt.lasttext)}) {
        if (!why.empty()) return why;
    }
    if (prompt.name.empty()) return "the name is empty";
    const auto fav = item.find("fav");
    if (fav == item.end() || fav->is_null()) return {};
    if (!fav->is_boolean()) return "\"fav\" is not true or false";
    prompt.fav = fav->get<bool>();
    return {};
}

} // namespace

std::string promptsToJson(const PromptLibrary& library) {
    // Ordered, so the members stand in the prompt's own order.
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const Prompt& prompt : library) {
        array.push_back({{"name", toUtf8(prompt.name)},
                         {"text", toUtf8(prompt.text)},
                         {"fav", prompt.fav},
                         {"lasttext", toUtf8(prompt.lasttext)}});
    }
    return array.dump(2) + "\n";
}

std::optional<PromptLibrary> promptsFromJson(std::string_view bytes, ReadError& error) {
    // Followed while parsing, so an error can be put at its element: the elements of the top
    // array begun and those read whole so far.
    std::size_t begun = 0;
    std::size_t whole = 0;
    const Json::parser_callback_t count = [&](int depth, Json::parse_event_t event, Json&) {
        using Event = Json::parse_event_t;
        if (depth != 1) return true;
        if (event == Event::object_start || event == Event::array_start || event == Event::value) ++begun;
        if (event == Event::object_end || event == Event::array_end || event == Event::value) ++whole;
        return true;
    };
    Json document;
    try {
        document = Json::parse(bytes.begin(), bytes.end(), count);
    } catch (const Json::exception& failure) {
        using Place = ReadError::Place;
        error = {Place::File, 0, messageOf(failure)};
        if (begun > whole)
            error = {Place::Element, whole, messageOf(failure)};
        else if (whole > 0)
            error = {Place::AfterElement, whole - 1, messageOf(failure)};
        return std::nullopt;
    }
    if (!document.is_array()) {
        error = {ReadError::Place::File, 0, "the file holds no JSON array"};
        return std::nullopt;
    }
    PromptLibrary prompts;
    for (std::size_t i = 0; i < document.size(); ++i) {
        std::string why = readPrompt(document[i], prompts.emplace_back());
        if (!why.empty()) {
            error = {ReadError::Place::Element, i, std::move(why)};
            return std::nullopt;
        }
    }
    return prompts;
}
