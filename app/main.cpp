// Verbarix: the entry point and the message loop.
#include "app/main_window.h"
#include "base/win_owners.h"
#include "browser/browser_host.h"

#include <objbase.h>

namespace {

// One copy at a time: two would each write their own library over the other's when they end.
// The mutex is named in the Local namespace, that is for the user's logon session.
constexpr wchar_t kSingleCopyMutex[] = L"Local\\Verbarix.OneCopy";

// A second start brings the running copy's main window forward (restored when minimised).
void showRunningCopy() {
    HWND running = FindWindowW(kMainWindowClass, nullptr);
    if (!running) return; // still starting: it shows itself
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything is read: the copy that runs on owns prompts.xml and prompt.cf alone.
    const UniqueKernelHandle singleCopy(CreateMutexW(nullptr, FALSE, kSingleCopyMutex));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        showRunningCopy();
        return 0;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND mainWindow = createMainWindow(instance);
    if (!mainWindow) {
        // Without a window the loop would wait for ever.
        releaseSharedResources();
        CoUninitialize();
        return 1;
    }
    ShowWindow(mainWindow, SW_MAXIMIZE); // whatever show command we were started with
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    releaseBrowser(); // while COM is still there to take the references back
    releaseSharedResources();
    CoUninitialize();
    return 0;
}
