#pragma once
// What reading a library file would not keep. The reader passes over whatever it does not know,
// so a damaged file reads as fewer prompts; whoever writes the library back must know that first.

#include <cstddef>
#include <string_view>

struct LibraryLoss {
    enum class Kind { None, UnfinishedItem, UnreadItem, NotUtf8 };
    Kind kind = Kind::None;
    std::size_t line = 0; // from 1
};

// The first place where reading the document's bytes would lose something: an item begun and
// never finished, an item tag the reader does not see (another case, attributes, or inside an
// item), or bytes that are not UTF-8 (they would become U+FFFD). An item whose texts are all
// empty is dropped on purpose and is no loss.
LibraryLoss firstLibraryLoss(std::string_view bytes);
