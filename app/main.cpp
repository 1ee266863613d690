// Verbarix: the entry point and the message loop.
#include "app/main_window.h"
#include "base/single_copy.h"
#include "base/win_owners.h"
#include "browser/browser_host.h"

#include <objbase.h>

namespace {

// A second start brings the running copy's main window forward (restored when minimised).
void showRunningCopy() {
    HWND running = FindWindowW(kMainWindowClass, nullptr);
    if (!running) return; // still starting: it shows itself
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything is read: the copy that runs on owns prompts.xml and prompt.cf alone. Two
    // would each write their own library over the other's when they end.
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
