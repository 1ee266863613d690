#include "app/owner_drawing.h"

#include "app/command_model.h"
#include "base/win_owners.h"
#include "services/fonts.h"

namespace {

// MinGW's headers shape some structures by WINVER; this is the size of the current 64-bit
// structure, the one GetMenuItemInfoW and SetMenuItemInfoW take on every Windows 10 and 11.
static_assert(sizeof(MENUITEMINFOW) == 80);

// The item's text, found by its command id anywhere in the main window's menu.
void readMenuText(HWND mainWindow, UINT id, wchar_t (&text)[256]) {
    GetMenuStringW(GetMenu(mainWindow), id, text, 255, MF_BYCOMMAND);
}

void makeItemOwnerDrawn(HMENU menu, UINT id) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoW(menu, id, FALSE, &info)) return;
    info.fType |= MFT_OWNERDRAW;
    SetMenuItemInfoW(menu, id, FALSE, &info);
}

void drawMenuItem(HWND mainWindow, const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    SelectedObject font(item.hDC, contentFontOrDefault());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    wchar_t text[256]{};
    readMenuText(mainWindow, item.itemID, text);
    RECT textRect = item.rcItem;
    textRect.left += 12;
    DrawTextW(item.hDC, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER);
}

void drawGlyphButton(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    HDC dc = item.hDC;
    {
        UniqueBrush face(CreateSolidBrush(GetSysColor(pressed ? COLOR_3DLIGHT : COLOR_BTNFACE)));
        FillRect(dc, &item.rcItem, face.get());
    }
    {
        UniquePen border(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
        SelectedObject pen(dc, border.get());
        SelectedObject brush(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
    }
    const wchar_t* glyph = item.CtlID == kClearId ? L"\u2716" : L"\u2398";
    SelectedObject font(dc, contentFontOrDefault());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT textRect = item.rcItem;
    if (pressed) OffsetRect(&textRect, 1, 1);
    DrawTextW(dc, glyph, -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace

void makeMenuOwnerDrawn(HMENU fileMenu, HMENU promptsMenu, HMENU helpMenu) {
    makeItemOwnerDrawn(fileMenu, kExportId);
    makeItemOwnerDrawn(fileMenu, kImportId);
    makeItemOwnerDrawn(fileMenu, kAddPromptsId);
    makeItemOwnerDrawn(promptsMenu, kNewPromptId);
    makeItemOwnerDrawn(promptsMenu, kEditPromptId);
    makeItemOwnerDrawn(promptsMenu, kDeletePromptId);
    makeItemOwnerDrawn(promptsMenu, kSearchPromptId);
    if (helpMenu) {
        makeItemOwnerDrawn(helpMenu, kAboutId);
        makeItemOwnerDrawn(helpMenu, kSettingsId);
    }
}

bool onMeasureItem(HWND mainWindow, MEASUREITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_MENU) return false;
    WindowDc dc(mainWindow);
    SelectedObject font(dc.get(), contentFontOrDefault());
    wchar_t text[256]{};
    readMenuText(mainWindow, item->itemID, text);
    SIZE extent{};
    GetTextExtentPoint32W(dc.get(), text, lstrlenW(text), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    item->itemHeight = static_cast<UINT>(metrics.tmHeight + 10);
    item->itemWidth = static_cast<UINT>(extent.cx + 30);
    return true;
}

bool onDrawItem(HWND mainWindow, const DRAWITEMSTRUCT* item) {
    if (!item) return false;
    if (item->CtlType == ODT_MENU) {
        drawMenuItem(mainWindow, *item);
        return true;
    }
    if (item->CtlType == ODT_BUTTON && (item->CtlID == kClearId || item->CtlID == kPasteId)) {
        drawGlyphButton(*item);
        return true;
    }
    return false;
}
