#include "favourites/favorites_model.h"

#include <algorithm>

int favoritesTop(std::optional<int> sendButtonBottom) {
    return sendButtonBottom ? *sendButtonBottom + 20 : 400;
}

std::int32_t favoriteButtonCount(std::size_t favoriteCount, std::int32_t maxFavorites) {
    // Only these ids are dispatched as favourites; the ids above them belong to other commands.
    constexpr std::int64_t mostButtons = kLastFavoriteId - kFirstFavoriteId + 1;
    const auto count = static_cast<std::int64_t>(favoriteCount);
    return static_cast<std::int32_t>(std::min({count, std::int64_t{maxFavorites}, mostButtons}));
}

FavoriteColumn favoriteColumn(int top, std::int32_t buttonCount) {
    FavoriteColumn column;
    column.header = {10, top, 550, 30};
    column.strip = {10, top + 24, 35, 36 * buttonCount + 11};
    for (std::int32_t p = 0; p < buttonCount; ++p)
        column.buttons.push_back({50, top + 38 + 36 * p, 510, 30});
    return column;
}

std::u16string favoriteCaption(const std::u16string& name) {
    if (name.empty()) return u"(ohne Name)";
    // A button takes "&" as the mark of its access key; "&&" shows one "&" as written.
    std::u16string caption;
    caption.reserve(name.size());
    for (const char16_t unit : name) {
        if (unit == u'&') caption += u'&';
        caption += unit;
    }
    return caption;
}

const ColorPair& areaColors(std::intptr_t area, const ColorPair& prompt, const ColorPair& favorites,
                            const ColorPair& ai) {
    if (area == 1) return prompt;
    if (area == 3) return ai;
    return favorites;
}
