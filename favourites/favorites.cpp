#include "app/app_state.h"
#include "app/command_model.h"
#include "app/layout.h"
#include "app/shell.h"
#include "base/wide_text.h"
#include "favourites/favorites_model.h"

namespace {

bool isWindow(HWND window) {
    return window && IsWindow(window);
}

std::optional<int> sendButtonBottom(HWND mainWindow) {
    HWND send = app().sendButton;
    if (!isWindow(send)) return std::nullopt;
    return windowEdgesIn(send, mainWindow).bottom;
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
    const std::int32_t count = favoriteButtonCount(favorites.size(), state.maxFavorites);
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
        HWND button = CreateWindowExW(0, L"BUTTON", wide(caption), WS_CHILD | WS_VISIBLE | BS_LEFT, box.x,
                                      box.y, box.width, box.height, mainWindow,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstFavoriteId + p)),
                                      nullptr, nullptr);
        if (button && state.contentFont)
            SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(state.contentFont.get()), TRUE);
        state.favoriteButtons.push_back(button);
        state.favoriteIndices.push_back(index);
    }
}
