#include "favourites/favorites.h"

#include "base/wide_text.h"
#include "base/window.h"
#include "favourites/favorites_model.h"
#include "services/app_state.h"
#include "services/program.h"

namespace {

// The buttons and the library index of the prompt each one sends.
std::vector<HWND> buttons;
std::vector<std::int32_t> prompts;

} // namespace

void destroyFavoriteButtons() {
    for (HWND button : buttons) {
        if (isWindow(button)) DestroyWindow(button);
    }
    buttons.clear();
    prompts.clear();
}

const std::vector<HWND>& favoriteButtons() {
    return buttons;
}

std::optional<std::int32_t> favoritePrompt(int position) {
    if (position < 0 || static_cast<std::size_t>(position) >= prompts.size()) return std::nullopt;
    return prompts[static_cast<std::size_t>(position)];
}

void rebuildFavorites(HWND mainWindow, int top, HWND header, HWND strip) {
    if (!isWindow(mainWindow)) return;
    destroyFavoriteButtons();
    const AppState& state = app();
    const std::vector<std::int32_t> favorites = collectFavoriteIndices(state.library);
    const std::int32_t count = favoriteButtonCount(favorites.size(), state.live.maxFavorites);
    const FavoriteColumn column = favoriteColumn(top, count);

    if (isWindow(header)) {
        moveWindowTo(header, column.header);
        ShowWindow(header, count > 0 ? SW_SHOW : SW_HIDE);
        InvalidateRect(header, nullptr, TRUE);
    }
    if (count <= 0) {
        if (isWindow(strip)) ShowWindow(strip, SW_HIDE);
        return;
    }
    if (isWindow(strip)) {
        moveWindowTo(strip, column.strip);
        ShowWindow(strip, SW_SHOW);
        InvalidateRect(strip, nullptr, TRUE);
    }
    for (std::int32_t p = 0; p < count; ++p) {
        const std::int32_t index = favorites[static_cast<std::size_t>(p)];
        const std::u16string caption = favoriteCaption(state.library[static_cast<std::size_t>(index)].name);
        const Box& box = column.buttons[static_cast<std::size_t>(p)];
        // A button that can't be created still takes its place, id and list entry.
        buttons.push_back(createControl(mainWindow, 0, L"BUTTON", wide(caption),
                                        WS_CHILD | WS_VISIBLE | BS_LEFT, box.x, box.y, box.width, box.height,
                                        kFirstFavoriteId + p));
        prompts.push_back(index);
    }
}
