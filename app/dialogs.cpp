#include "app/dialogs.h"

MessageBoxFunction showMessageBox = MessageBoxW;
FileDialogFunction askSaveFileName = GetSaveFileNameW;
FileDialogFunction askOpenFileName = GetOpenFileNameW;
