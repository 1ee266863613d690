#include "library/prompt_file_check.h"

#include "base/utf8.h"

#include <algorithm>

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Whether the bytes at '<' open an element named "item" in any case that holds something: not
// "<items>" and not an empty "<item/>".
bool opensItem(std::string_view rest) {
    if (rest.size() < 6) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if ((rest[1 + i] | 0x20) != "item"[i]) return false;
    if (std::string_view(">\t\r\n ").find(rest[5]) == npos) return false;
    const std::size_t end = rest.find('>');
    return end == npos || rest[end - 1] != '/';
}

} // namespace

LibraryLoss firstLibraryLoss(std::string_view bytes) {
    LibraryLoss loss;
    std::size_t at = invalidUtf8At(bytes);
    if (at != npos) loss.kind = LibraryLoss::Kind::NotUtf8;
    // The reader's scan: from each "<item>" to the first "</item>" after it, then on from there.
    // Any other item tag before the next block, or inside one, is not read.
    for (std::size_t tag = bytes.find('<'), scanFrom = 0; tag < at; tag = bytes.find('<', tag + 1)) {
        const std::string_view rest = bytes.substr(tag);
        if (!opensItem(rest)) continue;
        if (tag < scanFrom || !rest.starts_with("<item>")) {
            at = tag;
            loss.kind = LibraryLoss::Kind::UnreadItem;
            break;
        }
        const std::size_t close = bytes.find("</item>", tag);
        if (close == npos) {
            at = tag;
            loss.kind = LibraryLoss::Kind::UnfinishedItem;
            break;
        }
        scanFrom = close + 7;
    }
    if (loss.kind != LibraryLoss::Kind::None)
        loss.line = 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + at, '\n'));
    return loss;
}
