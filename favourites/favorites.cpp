#include "favourites/favorites.h"

#include "app/app_state.h"
#include "app/shell.h"
#include "favourites/favorites_model.h"

namespace {

std::optional<int> sendButtonBottom(HWND mainWindow) {
    const AppState& state = app();
    if (!isWindow(state.sendButton)) return std::nullopt;
    return windowEdgesIn(state.sendButton, mainWindow).bottom;
}

} // namespace

void destroyFavoriteButtons() {
    AppState& state = app();
    for (HWND button : state.favoriteButtons) {
        if (isWindow(button)) DestroyWindow(button);
    }
    state.favoriteButtons.clear();
    state.favoriteIndices.clear();
}

void rebuildFavorites(HWND mainWindow) {
    if (!isWindow(mainWindow)) return;
    destroyFavoriteButtons();
    AppState& state = app();
    const std::vector<std::int32_t> favorites = collectFavoriteIndices(state.library);
    const std::int32_t count = favoriteButtonCount(favorites.size(), state.live.maxFavorites);
    const FavoriteColumn column = favoriteColumn(favoritesTop(sendButtonBottom(mainWindow)), count);

    if (isWindow(state.favHeader)) {
        moveWindowTo(state.favHeader, column.header);
        ShowWindow(state.favHeader, count > 0 ? SW_SHOW : SW_HIDE);
        InvalidateRect(state.favHeader, nullptr, TRUE);
    }
    if (count <= 0) {
        if (isWindow(state.favStrip)) ShowWindow(state.favStrip, SW_HIDE);
        return;
    }
    if (isWindow(state.favStrip)) {
        moveWindowTo(state.favStrip, column.strip);
        ShowWindow(state.favStrip, SW_SHOW);
        InvalidateRect(state.favStrip, nullptr, TRUE);
    }
    for (std::int32_t p = 0; p < count; ++p) {
        const std::int32_t index = favorites[static_cast<std::size_t>(p)];
        const std::u16string caption = favoriteCaption(state.library[static_cast<std::size_t>(index)].name);
        const Box& box = column.buttons[static_cast<std::size_t>(p)];
        // A button that can't be created still takes its place, id and list entry.
        state.favoriteButtons.push_back(createControl(mainWindow, 0, L"BUTTON", wide(caption),
                                                      WS_CHILD | WS_VISIBLE | BS_LEFT, box.x, box.y,
                                                      box.width, box.height, kFirstFavoriteId + p));
        state.favoriteIndices.push_back(index);
    }
}
