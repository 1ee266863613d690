#pragma once
// Debian's Chromium started from the Wine side, and its DevTools pipe: two FIFOs that a shell
// binds to the browser's descriptors 3 and 4 and the loader opens as files. Wine hands out no
// usable handle of a Linux process, so the pipe is all there is: its end says the browser ended,
// and closing our end of it ends the browser.

#include "base/win_owners.h"

#include <windows.h>

#include <string>

// What the pipe's thread hands over to the thread that started the browser, through a message
// posted to that thread's window; the window procedure takes ownership of it.
struct PipeNews {
    enum Kind { connected, message, ended };
    Kind kind;
    std::string text;             // message: one DevTools message, without its NUL
    UniqueKernelHandle toBrowser; // connected: where the commands go
};

struct ChromiumStart {
    std::string chromium;    // Unix path of the browser
    std::wstring dataFolder; // Windows path of the folder for its profile and pipe
    RECT screenBounds;       // where its window first shows
    std::string testPort;    // set by tests only: the chats' hosts served on 127.0.0.1 at this port
};

// The Unix path of an installed Chromium (VBX_CHROMIUM, else Debian's and Ubuntu's places), or
// empty when there is none or when this is no Wine.
std::string findChromium();

// The Windows path of the folder for the browser's profile when the program names none.
std::wstring defaultDataFolder();

// Starts the browser and a thread that connects to its pipe and then posts everything it
// reads, as PipeNews, to `window` with `message` and `session` as its WPARAM; false when the
// start itself failed.
bool startChromium(const ChromiumStart& start, HWND window, UINT message, WPARAM session);

// Writes one DevTools message and its NUL; false when the browser is gone.
bool sendToBrowser(HANDLE toBrowser, const std::string& message);
