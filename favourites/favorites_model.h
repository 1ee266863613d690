#pragma once
// The favourites column below the send button, and the colour pair a painted window
// uses, worked out without any window.

#include "base/geometry.h"
#include "settings/settings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command ids of the favourite buttons, one for each button shown.
inline constexpr int kFirstFavoriteId = 8000;
inline constexpr int kLastFavoriteId = 8099;

// Top of the favourites area: 20 pixels below the send button, or 400 without one.
int favoritesTop(std::optional<int> sendButtonBottom);

// How many buttons are shown: all favourites, but at most maxFavorites (signed) and at most
// 100, one for each favourite command id.
std::int32_t favoriteButtonCount(std::size_t favoriteCount, std::int32_t maxFavorites);

struct FavoriteColumn {
    Box header;
    Box strip;
    std::vector<Box> buttons; // button p gets the command id kFirstFavoriteId + p
};
FavoriteColumn favoriteColumn(int top, std::int32_t buttonCount);

// The button caption for a name: a favourite without a name still needs one, and every "&"
// is doubled so that the button shows it instead of underlining the next letter.
std::u16string favoriteCaption(const std::u16string& name);

// Area 1 is the prompt area, 3 the AI area; every other number paints as favourites.
const ColorPair& areaColors(std::intptr_t area, const ColorPair& prompt, const ColorPair& favorites,
                            const ColorPair& ai);
