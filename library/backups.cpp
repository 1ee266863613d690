#include "library/backups.h"

#include <algorithm>

namespace {

constexpr std::u16string_view suffix = u".xml";
constexpr std::size_t stampLength = 15; // YYYYMMDD-HHMMSS

void appendDigits(std::u16string& text, int value, int width) {
    std::u16string digits(static_cast<std::size_t>(width), u'0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
        digits[static_cast<std::size_t>(i)] = static_cast<char16_t>(u'0' + value % 10);
    text += digits;
}

} // namespace

std::u16string datedFileName(std::u16string_view prefix, int year, int month, int day, int hour, int minute,
                             int second) {
    std::u16string name(prefix);
    appendDigits(name, year, 4);
    appendDigits(name, month, 2);
    appendDigits(name, day, 2);
    name += u'-';
    appendDigits(name, hour, 2);
    appendDigits(name, minute, 2);
    appendDigits(name, second, 2);
    return name += suffix;
}

namespace {

bool isBackupFileName(std::u16string_view name) {
    constexpr std::u16string_view prefix = kBackupPrefix;
    if (name.size() != prefix.size() + stampLength + suffix.size()) return false;
    if (!name.starts_with(prefix) || !name.ends_with(suffix)) return false;
    const std::u16string_view stamp = name.substr(prefix.size(), stampLength);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const bool digit = stamp[i] >= u'0' && stamp[i] <= u'9';
        if (i == 8 ? stamp[i] != u'-' : !digit) return false;
    }
    return true;
}

} // namespace

std::vector<std::u16string> backupsByAge(std::vector<std::u16string> names) {
    std::erase_if(names, [](const std::u16string& name) { return !isBackupFileName(name); });
    // Fixed-width stamps: the order of the names is the order of the times.
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::u16string> backupsBeyond(std::vector<std::u16string> names, std::size_t keep,
                                          std::u16string_view justMade) {
    names = backupsByAge(std::move(names));
    const std::size_t count = names.size();
    std::erase(names, justMade);
    names.resize(count > keep ? std::min(count - keep, names.size()) : 0);
    return names;
}
