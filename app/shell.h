#pragma once
// What the application shell offers every window: the small window helpers, the dialogs, and
// the operations on the main window that the other windows call. Window code outside app/
// includes from app/ only this and app/app_state.h.

#include "app/command_model.h"
#include "app/layout_model.h"
#include "base/wide_text.h"

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <string>

// ---- Window helpers ---------------------------------------------------------------------------

// False for null and for a handle whose window has gone.
inline bool isWindow(HWND window) {
    return window && IsWindow(window);
}

// Creates a child control (no creation parameter) and gives it the content font when there is one.
HWND createControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id);

// Registers a window class of this program unless it is registered already.
void registerClassOnce(const wchar_t* className, WNDPROC procedure, HBRUSH background);

// Shows an existing window, makes it the foreground window and brings it to the top.
// False when the handle is null or no longer a window.
bool bringToFront(HWND window);

// The whole text of a window.
std::u16string readWindowText(HWND window);

// A window's rectangle in the client coordinates of `parent`.
Edges windowEdgesIn(HWND window, HWND parent);
void moveWindowTo(HWND window, const Box& box);

// The white answer to WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC.
LRESULT controlColorAnswer(HDC dc);

// What an About, settings, editor, search or fields window answers like the others, after its
// own cases: its controls on white; at its end (WM_NCDESTROY) the handle kept in `slot` is
// cleared if it is this window's, and fonts kept for the open windows may go; the rest as
// Windows does.
LRESULT secondaryWindowDefault(HWND& slot, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Dialogs ----------------------------------------------------------------------------------
// Message boxes and the common file dialogs, each reached through one pointer so that tests
// can answer them without a person. The program never changes them.

using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW dialog);

extern MessageBoxFunction showMessageBox;  // MessageBoxW
extern FileDialogFunction askSaveFileName; // GetSaveFileNameW
extern FileDialogFunction askOpenFileName; // GetOpenFileNameW

// Every save of prompts.xml and prompt.cf ends here: a failed one shows an error box naming the
// file, once until a save of that file succeeds again. Returns `written`. The box belongs to
// `owner`, or to the main window when it is null.
bool reportSave(bool written, const std::u16string& path, HWND owner = nullptr);
// Whether the last save of that file failed.
bool saveFailed(const std::u16string& path);
// Writes the library to prompts.xml, unless the file holds its bytes already, and reports a
// failure as reportSave does. A prompts.xml not read whole at the start is kept beside first (a
// failure to keep it fails the save).
bool saveLibrary(HWND owner = nullptr);

// ---- The main window --------------------------------------------------------------------------

// Fills promptCombo with the library's names and selects `index` (the first entry when it is
// -1 or out of range).
void fillPromptCombo(std::int32_t index);
// Stores the index (and the AI selection of aiCombo) by read-modify-write of prompt.cf; a
// failure is reported. True when it was written.
bool saveSelectedPromptIndex(std::int32_t index);

// After the content font changed: every control of every window gets it, the prompt pane is
// laid out for its size, and the painted headers and strips are drawn anew.
void showNewContentFont();
// After the library or the favourite count changed: the favourite buttons are made anew, then
// as showNewContentFont, and an open search window lists the library anew.
void refreshMainWindow();
