#pragma once
// What every part needs of this program: its controls in the content font, its dialogs, its
// saves with their error report, and the messages by which a part tells the main window that
// the library or the look changed.

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <string>
#include <string_view>

// ---- Controls ---------------------------------------------------------------------------------

// Creates a child control (no creation parameter) and gives it the content font when there is one.
HWND createControl(HWND parent, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id);

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

// ---- Saves ------------------------------------------------------------------------------------

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

// Writes `bytes` to a new file beside prompts.xml named by `prefix`, the local time and ".xml"
// (datedFileName; the next free second when the name is taken) and flushes it to disk. `path`
// names the file tried; false when it could not be written.
[[nodiscard]] bool writeBesidePrompts(std::u16string_view prefix, std::string_view bytes,
                                      std::u16string& path);

// ---- Notifications to the main window ---------------------------------------------------------
// Sent, not posted: when the call returns, every view of the main window is in order, so a box
// shown after it (a failed save's) never lets the user pick from an old list.

// The library changed (which prompts it holds, or where): its change count goes up, and the prompt list is
// filled anew with prompt `select` selected (the first when it is out of range); with `showSelected`, the
// input box shows that prompt's last input text and the selection is stored in prompt.cf. Then every other
// view follows.
inline constexpr UINT kLibraryChangedMessage = WM_APP + 1;
void notifyLibraryChanged(std::int32_t select, bool showSelected);
// The content font, the colours or the largest number of favourites changed.
inline constexpr UINT kLookChangedMessage = WM_APP + 2;
void notifyLookChanged();
// Prompt `index` is chosen as in the prompt list, and with `send` sent as by the send button.
inline constexpr UINT kPickPromptMessage = WM_APP + 3;
void pickPrompt(std::int32_t index, bool send);
