#pragma once
// Debian's Chromium started from the Wine side, and its DevTools pipe: FIFOs that a shell binds to
// the browser's descriptors 3 and 4 and the loader opens as files. Wine hands out no usable handle
// of a Linux process, so the shell stays as the browser's keeper: it ends the browser when our
// hold on it (a third FIFO) ends, whether we let go or our process dies.

#include "base/win_owners.h"

#include <windows.h>

#include <memory>
#include <string>

// The way to a browser: commands go out through a thread of their own, so that a browser that
// stops reading never stops the thread that sends. Dropping the link lets go of the browser: it
// still gets what was sent, then the end of its input, and its keeper ends it if it lingers.
class BrowserLink {
  public:
    BrowserLink(UniqueKernelHandle toBrowser, UniqueKernelHandle hold);
    BrowserLink(const BrowserLink&) = delete;
    BrowserLink& operator=(const BrowserLink&) = delete;
    ~BrowserLink();

    // Queues one DevTools message; never waits for the browser.
    void send(std::string message);

    struct Queue;

  private:
    std::shared_ptr<Queue> queue_; // shared with the writing thread, which may outlive the link
    UniqueKernelHandle hold_;
};

// What the pipe's thread hands over to the thread that started the browser, through a message
// posted to that thread's window; the window procedure takes ownership of it.
struct PipeNews {
    enum Kind { connected, message, ended };
    Kind kind;
    std::string text;                  // message: one DevTools message, without its NUL
    std::unique_ptr<BrowserLink> link; // connected: where the commands go
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
// start itself failed. Each start has a pipe of its own, also beside another program's browser
// on the same profile.
bool startChromium(const ChromiumStart& start, HWND window, UINT message, WPARAM session);
