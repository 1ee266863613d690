// What the program draws itself: menu items, glyph buttons, headers and strips, the
// white control answer; and a screenshot of the whole window for people to look at.
#include "tests/win/win_test_support.h"

#include "app/shell.h"
#include "favourites/painted_windows.h"
#include "settings/fonts.h"

namespace {

constexpr COLORREF kMarker = RGB(255, 0, 255); // what lies beneath a painted window

DRAWITEMSTRUCT drawItem(UINT type, UINT id, UINT state, HDC dc, RECT rect) {
    DRAWITEMSTRUCT item{};
    item.CtlType = type;
    item.CtlID = type == ODT_MENU ? 0 : id;
    item.itemID = id;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hDC = dc;
    item.rcItem = rect;
    return item;
}

LRESULT sendDrawItem(HWND window, const DRAWITEMSTRUCT& item) {
    return SendMessageW(window, WM_DRAWITEM, item.CtlType == ODT_MENU ? 0 : item.CtlID,
                        reinterpret_cast<LPARAM>(&item));
}

// What a paint must leave as it found it in the device context.
struct DcObjects {
    explicit DcObjects(HDC dc)
        : font(GetCurrentObject(dc, OBJ_FONT)), pen(GetCurrentObject(dc, OBJ_PEN)),
          brush(GetCurrentObject(dc, OBJ_BRUSH)) {}
    bool operator==(const DcObjects&) const = default;
    HGDIOBJ font, pen, brush;
};

bool hasClipRegion(HDC dc) {
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetClipRgn(dc, probe) == 1;
    DeleteObject(probe);
    return has;
}

// Paints a header or strip into a canvas of its own size through WM_PRINTCLIENT.
struct PaintedPixels {
    explicit PaintedPixels(HWND window) : canvas(sizeOf(window).cx, sizeOf(window).cy, kMarker) {
        const DcObjects before(canvas.dc());
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        EXPECT_TRUE(DcObjects(canvas.dc()) == before) << "a paint left an object selected";
        EXPECT_FALSE(hasClipRegion(canvas.dc()));
    }
    static SIZE sizeOf(HWND window) {
        RECT client{};
        GetClientRect(window, &client);
        return {client.right, client.bottom};
    }
    PixelCanvas canvas;
};

bool hasPixelOtherThan(const PixelCanvas& canvas, RECT area, COLORREF a, COLORREF b) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (canvas.pixel(x, y) != a && canvas.pixel(x, y) != b) return true;
    return false;
}

} // namespace

TEST_F(MainWindowTest, MenuItemsAreMeasuredAndDrawnByTheProgram) {
    ASSERT_NE(start(), nullptr);
    const AppState& state = app();

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = 3003;
    EXPECT_EQ(SendMessageW(window_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), 1);
    {
        // Compared with the same font's own measure, whatever face Wine substitutes.
        PixelCanvas probe(4, 4, 0);
        SelectObject(probe.dc(), state.contentFont.get());
        SIZE extent{};
        GetTextExtentPoint32W(probe.dc(), L"Prompt löschen", 14, &extent);
        TEXTMETRICW metrics{};
        GetTextMetricsW(probe.dc(), &metrics);
        EXPECT_EQ(measure.itemWidth, static_cast<UINT>(extent.cx + 30));
        EXPECT_EQ(measure.itemHeight, static_cast<UINT>(metrics.tmHeight + 10));
        SelectObject(probe.dc(), GetStockObject(SYSTEM_FONT));
    }
    EXPECT_EQ(SendMessageW(window_, WM_MEASUREITEM, 0, 0), 0);

    PixelCanvas canvas(200, 30, kMarker);
    const RECT item{0, 0, 200, 30};
    const DcObjects before(canvas.dc());
    EXPECT_EQ(sendDrawItem(window_, drawItem(ODT_MENU, 7002, ODS_SELECTED, canvas.dc(), item)), 1);
    EXPECT_TRUE(DcObjects(canvas.dc()) == before);
    EXPECT_EQ(canvas.pixel(1, 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(canvas.pixel(198, 28), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_TRUE(hasPixelOtherThan(canvas, {12, 0, 200, 30}, GetSysColor(COLOR_HIGHLIGHT), kMarker));
    // Nothing is drawn in the 12 pixels left of the text.
    EXPECT_FALSE(hasPixelOtherThan(canvas, {0, 0, 12, 30}, GetSysColor(COLOR_HIGHLIGHT), kMarker));

    EXPECT_EQ(sendDrawItem(window_, drawItem(ODT_MENU, 4001, 0, canvas.dc(), item)), 1);
    EXPECT_EQ(canvas.pixel(1, 1), GetSysColor(COLOR_MENU));
}

TEST_F(MainWindowTest, GlyphButtonsDrawFaceBorderAndShiftWhenPressed) {
    ASSERT_NE(start(), nullptr);
    const RECT item{0, 0, 14, 14};
    for (UINT id : {9001u, 9002u}) {
        SCOPED_TRACE(id);
        PixelCanvas up(14, 14, kMarker);
        const DcObjects before(up.dc());
        EXPECT_EQ(sendDrawItem(window_, drawItem(ODT_BUTTON, id, 0, up.dc(), item)), 1);
        EXPECT_TRUE(DcObjects(up.dc()) == before);
        EXPECT_EQ(up.pixel(0, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(up.pixel(13, 13), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(up.pixel(1, 1), GetSysColor(COLOR_BTNFACE));

        PixelCanvas down(14, 14, kMarker);
        EXPECT_EQ(sendDrawItem(window_, drawItem(ODT_BUTTON, id, ODS_SELECTED, down.dc(), item)), 1);
        EXPECT_EQ(down.pixel(1, 1), GetSysColor(COLOR_3DLIGHT));
        EXPECT_EQ(down.pixel(0, 0), GetSysColor(COLOR_BTNSHADOW));
    }
    // Another button, or no structure at all, is left to the system.
    PixelCanvas other(14, 14, kMarker);
    EXPECT_EQ(sendDrawItem(window_, drawItem(ODT_BUTTON, 500, 0, other.dc(), item)), 0);
    EXPECT_EQ(other.pixel(1, 1), kMarker);
    EXPECT_EQ(SendMessageW(window_, WM_DRAWITEM, 0, 0), 0);
}

TEST_F(MainWindowTest, HeadersAndStripsPaintTheirAreaColours) {
    writeLibrary({prompt(u"Favorit", true)});
    writeSettings("prompt_sf=#FFFFFF\r\nprompt_bf=#102030\r\nfavoriten_bf=#405060\r\nai_bf=#708090\r\n"
                  "ai_sf=#000000\r\n");
    ASSERT_NE(start(), nullptr);
    AppState& state = app();
    const struct {
        HWND window;
        COLORREF background;
    } areas[] = {
        {state.promptHeader, RGB(0x10, 0x20, 0x30)}, {state.promptStrip, RGB(0x10, 0x20, 0x30)},
        {state.favHeader, RGB(0x40, 0x50, 0x60)},    {state.favStrip, RGB(0x40, 0x50, 0x60)},
        {state.aiHeader, RGB(0x70, 0x80, 0x90)},     {state.aiStrip, RGB(0x70, 0x80, 0x90)},
    };
    for (const auto& area : areas) {
        PaintedPixels painted(area.window);
        const PixelCanvas& canvas = painted.canvas;
        const int w = canvas.width(), h = canvas.height();
        EXPECT_EQ(canvas.pixel(w / 2, h - 2), area.background);
        EXPECT_EQ(canvas.pixel(w - 1, h / 2), area.background);
        // The rounded corners are left to what lies beneath.
        EXPECT_EQ(canvas.pixel(0, 0), kMarker);
        EXPECT_EQ(canvas.pixel(w - 1, h - 1), kMarker);
    }
    // The header caption is drawn in the text colour, 10 pixels in; a strip has none.
    PaintedPixels header(state.promptHeader);
    EXPECT_TRUE(hasPixelOtherThan(header.canvas, {10, 0, 200, 30}, RGB(0x10, 0x20, 0x30), kMarker));
    EXPECT_FALSE(hasPixelOtherThan(header.canvas, {0, 3, 10, 27}, RGB(0x10, 0x20, 0x30), kMarker));
    PaintedPixels strip(state.promptStrip);
    EXPECT_FALSE(hasPixelOtherThan(strip.canvas, {2, 3, 33, 300}, RGB(0x10, 0x20, 0x30), kMarker));

    // A colour change shows at the next paint; an unknown area paints as favourites.
    state.live.aiColors.backgroundColor = RGB(1, 2, 3);
    EXPECT_EQ(PaintedPixels(state.aiStrip).canvas.pixel(17, 20), RGB(1, 2, 3));
    SetWindowLongPtrW(state.aiHeader, GWLP_USERDATA, 0);
    EXPECT_EQ(PaintedPixels(state.aiHeader).canvas.pixel(5, 15), RGB(0x40, 0x50, 0x60));

    // Erasing is left undone on purpose.
    PixelCanvas erase(10, 10, kMarker);
    EXPECT_EQ(SendMessageW(state.aiStrip, WM_ERASEBKGND, reinterpret_cast<WPARAM>(erase.dc()), 0), 1);
    EXPECT_EQ(erase.pixel(5, 5), kMarker);
}

TEST_F(MainWindowTest, EditAndStaticControlsGetTheWhiteAnswer) {
    ASSERT_NE(start(SW_SHOWNORMAL), nullptr);
    PixelCanvas canvas(4, 4, kMarker);
    SetBkColor(canvas.dc(), RGB(1, 2, 3));
    const LRESULT brush = SendMessageW(window_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(canvas.dc()),
                                       reinterpret_cast<LPARAM>(app().inputEdit));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(app().whiteBrush.get()));
    EXPECT_EQ(GetBkColor(canvas.dc()), RGB(255, 255, 255));
    EXPECT_EQ(SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.dc()), 0), brush);
    EXPECT_NE(SendMessageW(window_, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(canvas.dc()), 0), brush);

    // Colour changes repaint the painted windows only.
    invalidatePaintedWindows(window_);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(app().aiHeader, &update, FALSE));
    EXPECT_FALSE(GetUpdateRect(app().inputEdit, &update, FALSE));
}

TEST_F(MainWindowTest, ScreenshotOfTheMainWindowWithASmallLibrary) {
    writeLibrary({prompt(u"Zusammenfassen", true, u"Bitte diesen Absatz kürzen."),
                  prompt(u"Übersetzen", true), prompt(u"Code prüfen"), prompt(u"", true)});
    writeSettings("prompt=0\r\nfavoriten_bf=#C8E6C8\r\nai_bf=#C8DCF0\r\n");
    ASSERT_NE(start(SW_MAXIMIZE), nullptr);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pumpMessages();

    RECT frame{};
    GetWindowRect(window_, &frame);
    PixelCanvas shot(frame.right - frame.left, frame.bottom - frame.top, RGB(0, 0, 0));
    // The window's own surface, frame and menu bar included.
    HDC windowDc = GetWindowDC(window_);
    BitBlt(shot.dc(), 0, 0, shot.width(), shot.height(), windowDc, 0, 0, SRCCOPY);
    ReleaseDC(window_, windowDc);
    const std::u16string path = buildFolder(u"screenshots") + u"\\main_window.png";
    EXPECT_TRUE(shot.savePng(path));

    // The left pane runs from x 10 to 560 in the client area.
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    const int dx = origin.x - frame.left, dy = origin.y - frame.top;
    EXPECT_EQ(shot.pixel(dx + 300, dy + 20), RGB(0xDC, 0xDC, 0xDC));
    EXPECT_EQ(shot.pixel(dx + 300, dy + 425), RGB(0xC8, 0xE6, 0xC8));
    EXPECT_EQ(shot.pixel(dx + 800, dy + 20), RGB(0xC8, 0xDC, 0xF0));
    EXPECT_EQ(app().favoriteButtons.size(), 3u);
}
