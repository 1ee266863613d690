#include "favourites/painted_windows.h"

#include "app/app_state.h"
#include "favourites/favorites_model.h"
#include "settings/fonts.h"

namespace {

const ColorPair& colorsOf(HWND window) {
    const AppState& state = app();
    return areaColors(GetWindowLongPtrW(window, GWLP_USERDATA), state.promptColors, state.favoritesColors,
                      state.aiColors);
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

void registerClass(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

} // namespace

void registerPaintedWindowClasses() {
    AppState& state = app();
    if (!state.favHeaderClassRegistered) {
        registerClass(kFavHeaderClass, favHeaderProc);
        state.favHeaderClassRegistered = true;
    }
    if (!state.favStripClassRegistered) {
        registerClass(kFavStripClass, favStripProc);
        state.favStripClassRegistered = true;
    }
}

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

LRESULT CALLBACK favHeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintScope paint(window);
        paintHeader(window, paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        paintHeader(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK favStripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PaintScope paint(window);
        paintStrip(window, paint.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        paintStrip(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
