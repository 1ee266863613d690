// Verbarix: the entry point and the message loop.
#include "app/main_window.h"
#include "browser/browser_host.h"

#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
