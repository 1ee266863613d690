#include "browser/chromium_loader/cdp_json.h"

#include "base/utf8.h"

namespace {

void appendEscape(std::string& out, char16_t unit) {
    static constexpr char hex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hex[(unit >> shift) & 0xF];
}

bool isHigh(char16_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLow(char16_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

// The end of the JSON value that starts at `at` (after white space), or npos if it is cut off.
std::size_t valueEnd(std::string_view json, std::size_t at) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = at; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            if (!inString && depth == 0) return i + 1;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '{':
        case '[':
            ++depth;
            break;
        case '}':
        case ']':
            if (depth == 0) return i; // the end of the enclosing object: a bare value ends here
            if (--depth == 0) return i + 1;
            break;
        case ',':
        case ' ':
        case '\t':
        case '\r':
        case '\n':
            if (depth == 0) return i;
            break;
        default:
            break;
        }
    }
    return depth == 0 && !inString && at < json.size() ? json.size() : std::string_view::npos;
}

std::size_t skipSpace(std::string_view json, std::size_t at) {
    while (at < json.size() && (json[at] == ' ' || json[at] == '\t' || json[at] == '\r' || json[at] == '\n'))
        ++at;
    return at;
}

} // namespace

std::string jsonString(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 2);
    out += '"';
    std::size_t run = 0; // start of the units that go over as they are, as UTF-8
    const auto flush = [&](std::size_t end) { out += toUtf8(text.substr(run, end - run)); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHigh(unit) && i + 1 < text.size() && isLow(text[i + 1])) {
            ++i;
            continue;
        }
        if (unit >= 0x20 && unit != u'"' && unit != u'\\' && !isHigh(unit) && !isLow(unit)) continue;
        flush(i);
        if (unit == u'"' || unit == u'\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else {
            appendEscape(out, unit);
        }
        run = i + 1;
    }
    flush(text.size());
    out += '"';
    return out;
}

std::vector<std::string> takeMessages(std::string& pending, std::string_view received) {
    std::vector<std::string> messages;
    std::size_t start = 0;
    for (std::size_t end; (end = received.find('\0', start)) != std::string_view::npos; start = end + 1) {
        pending.append(received.substr(start, end - start));
        messages.push_back(std::move(pending));
        pending.clear();
    }
    pending.append(received.substr(start));
    return messages;
}

std::optional<std::string_view> jsonMember(std::string_view json, std::string_view key) {
    std::size_t at = skipSpace(json, 0);
    if (at >= json.size() || json[at] != '{') return std::nullopt;
    at = skipSpace(json, at + 1);
    while (at < json.size() && json[at] == '"') {
        const std::size_t keyEnd = valueEnd(json, at);
        if (keyEnd == std::string_view::npos) return std::nullopt;
        const std::string_view name = json.substr(at + 1, keyEnd - at - 2);
        at = skipSpace(json, keyEnd);
        if (at >= json.size() || json[at] != ':') return std::nullopt;
        at = skipSpace(json, at + 1);
        const std::size_t end = valueEnd(json, at);
        if (end == std::string_view::npos || end == at) return std::nullopt;
        if (name == key) return json.substr(at, end - at);
        at = skipSpace(json, end);
        if (at >= json.size() || json[at] != ',') return std::nullopt;
        at = skipSpace(json, at + 1);
    }
    return std::nullopt;
}

std::optional<std::string_view> jsonText(std::string_view json, std::string_view key) {
    const auto value = jsonMember(json, key);
    if (!value || value->size() < 2 || value->front() != '"' || value->find('\\') != std::string_view::npos)
        return std::nullopt;
    return value->substr(1, value->size() - 2);
}
