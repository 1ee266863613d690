#include "favourites/painted_windows.h"

#include "base/win_owners.h"
#include "base/window.h"
#include "favourites/favorites_model.h"
#include "services/app_state.h"
#include "services/fonts.h"

namespace {

const ColorPair& colorsOf(HWND window) {
    const AppState& state = app();
    return areaColors(GetWindowLongPtrW(window, GWLP_USERDATA), state.live.promptColors,
                      state.live.favoritesColors, state.live.aiColors);
}

// Fills the rounded shape only; the corners keep whatever lies beneath.
void fillRounded(HDC dc, const RECT& client, ColorRef color) {
    UniqueRegion shape(
        CreateRoundRectRgn(client.left, client.top, client.right + 1, client.bottom + 1, 6, 6));
    SelectClipRgn(dc, shape.get());
    {
        UniqueBrush brush(CreateSolidBrush(color));
        FillRect(dc, &client, brush.get());
    }
    SelectClipRgn(dc, nullptr);
}

// One paint each for WM_PAINT and WM_PRINTCLIENT; leaves no object behind in the DC.
void paintHeader(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    const ColorPair& colors = colorsOf(window);
    fillRounded(dc, client, colors.backgroundColor);
    {
        // The outline in the fill colour smooths the rounded edge.
        UniquePen pen(CreatePen(PS_SOLID, 1, colors.backgroundColor));
        SelectedObject penInDc(dc, pen.get());
        SelectedObject brushInDc(dc, GetStockObject(NULL_BRUSH));
        RoundRect(dc, client.left, client.top, client.right, client.bottom, 6, 6);
    }
    const AppState& state = app();
    HGDIOBJ font = state.boldFont ? static_cast<HGDIOBJ>(state.boldFont.get()) : contentFontOrDefault();
    SelectedObject fontInDc(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colors.textColor);
    wchar_t caption[128]{};
    GetWindowTextW(window, caption, 128);
    RECT textRect = client;
    textRect.left += 10;
    DrawTextW(dc, caption, -1, &textRect, DT_SINGLELINE | DT_VCENTER);
}

void paintStrip(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    fillRounded(dc, client, colorsOf(window).backgroundColor);
}

// The header and the strip paint alike: one procedure, instantiated with each one's paint.
template <void (*Paint)(HWND, HDC)>
LRESULT paintedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintScope paint(window);
        Paint(window, paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK favHeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return paintedWindowProc<paintHeader>(window, message, wParam, lParam);
}

LRESULT CALLBACK favStripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return paintedWindowProc<paintStrip>(window, message, wParam, lParam);
}

} // namespace

void registerPaintedWindowClasses() {
    const auto background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    registerClassOnce(kFavHeaderClass, favHeaderProc, background);
    registerClassOnce(kFavStripClass, favStripProc, background);
}
