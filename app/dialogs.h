#pragma once
// Message boxes and the common file dialogs, each reached through one pointer so that
// tests can answer them without a person. The program never changes them.

#include <windows.h>

#include <commdlg.h>

using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
using FileDialogFunction = BOOL(WINAPI*)(LPOPENFILENAMEW dialog);

extern MessageBoxFunction showMessageBox;  // MessageBoxW
extern FileDialogFunction askSaveFileName; // GetSaveFileNameW
extern FileDialogFunction askOpenFileName; // GetOpenFileNameW
