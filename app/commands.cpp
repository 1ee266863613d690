#include "app/commands.h"

#include "app/app_state.h"
#include "app/command_model.h"
#include "app/prompt_pane.h"
#include "app/secondary_windows.h"
#include "browser/browser_host.h"
#include "settings/fonts.h"

namespace {

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
    makeItemOwnerDrawn(promptsMenu, kNewPromptId);
    makeItemOwnerDrawn(promptsMenu, kEditPromptId);
    makeItemOwnerDrawn(promptsMenu, kDeletePromptId);
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

void onCommand(HWND mainWindow, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int notification = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    const bool fromPromptCombo = control && control == app().promptCombo;
    switch (commandAction(id, notification, fromPromptCombo)) {
    case CommandAction::Clear:
        clearInputText();
        break;
    case CommandAction::Paste:
        pasteClipboardText();
        break;
    case CommandAction::Favorite:
        sendFavorite(id - kFirstFavoriteId);
        break;
    case CommandAction::About:
        openAboutWindow();
        break;
    case CommandAction::Settings:
        openSettingsWindow();
        break;
    case CommandAction::SwitchChat:
        switchChat(mainWindow);
        break;
    case CommandAction::SelectPrompt:
        onPromptSelectionChanged();
        break;
    case CommandAction::Export:
        exportLibrary();
        break;
    case CommandAction::Import:
        importLibrary();
        break;
    case CommandAction::OpenEditor:
        openPromptEditor(id == kEditPromptId);
        break;
    case CommandAction::DeletePrompt:
        deleteSelectedPrompt();
        break;
    case CommandAction::Send:
        sendSelectedPrompt();
        break;
    case CommandAction::None:
        break;
    }
}
