#pragma once
// Starts the real main window inside the test process, each test from an empty storage
// folder of its own, reads back what the program shows and writes, and answers the message
// boxes and file dialogs: each call is recorded, and the answer is set beforehand.

#include "app/app_state.h"
#include "app/shell.h"
#include "app/layout_model.h"
#include "library/prompt_library.h"
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

struct RecordedMessageBox {
    HWND owner;
    std::u16string text;
    std::u16string caption;
    UINT type;
};

// What a file dialog was given.
struct RecordedFileDialog {
    DWORD structSize;
    HWND owner;
    std::vector<std::u16string> filter; // the NUL-separated pieces
    std::u16string initialFile;
    std::optional<std::u16string> defaultExtension;
    DWORD flags;
};

// What the replaced dialogs were asked, and what they answer.
struct DialogLog {
    int messageBoxAnswer = IDOK;                    // IDYES, IDNO, IDOK
    std::optional<std::u16string> fileDialogAnswer; // the chosen path; nullopt cancels
    std::vector<RecordedMessageBox> messageBoxes;
    std::vector<RecordedFileDialog> saveDialogs;
    std::vector<RecordedFileDialog> openDialogs;
};
DialogLog& dialogs();

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window as the entry point does; hidden unless `show` asks (showing and
    // destroying a visible window costs seconds under Wine without a window manager).
    HWND start(int show = SW_HIDE);
    // Destroys the main window (the program's close) and handles what follows.
    void close();

    // The storage folder ("...\Quillory") and the two files in it.
    std::u16string dataFolder() const;
    std::u16string promptsPath() const { return dataFolder() + u"\\prompts.xml"; }
    std::u16string settingsPath() const { return dataFolder() + u"\\prompt.cf"; }
    void writeLibrary(const PromptLibrary& library);
    void writeSettings(const std::string& text);
    PromptLibrary readLibrary() const;
    std::string readSettingsText() const;
    Settings readSettings() const;
    bool promptsFileExists() const;
    void removePromptsFile();
    // A file in the test's own folder, outside the storage folder.
    std::u16string testFile(const char16_t* name) const { return root_ + u"\\" + name; }

    std::u16string root_; // the test's own local application data folder
    HWND window_ = nullptr;
};

// Handles every waiting message; a quit message from the program's close is dropped.
void pumpMessages();

// The window's rectangle in the main window's client coordinates, as x/y/width/height.
Box boxOf(HWND window);
// The window rectangle in screen coordinates as x/y/width/height.
Box screenBoxOf(HWND window);
std::u16string windowText(HWND window);
// Shown as far as the window itself is concerned, whether or not its parent is.
bool hasVisibleStyle(HWND window);
std::vector<std::u16string> comboEntries(HWND combo);
int comboSelection(HWND combo);
// The bottom of a combo box's selection field in the main window's client coordinates.
int comboFieldBottom(HWND combo);

// Sends WM_COMMAND as the control itself would.
void sendCommand(HWND mainWindow, int id, int notification = 0, HWND control = nullptr);
// Chooses an entry of promptCombo as the user would: the list changes, then CBN_SELCHANGE.
void choosePrompt(int index);
// The same for the combo box `id` of another window, which receives the notification.
void chooseEntry(HWND window, int id, int entry);

// The program's top-level windows of this class.
std::vector<HWND> windowsOfClass(const wchar_t* className);
// The child windows, in the order the system lists them.
std::vector<HWND> childWindows(HWND parent);
// The pixel height the window's font asks for, 0 when the font is gone or none is set.
int fontHeightOf(HWND window);
// Types the text into an edit box one character at a time, as the keyboard would.
void typeText(HWND edit, const std::u16string& text);

Prompt prompt(const char16_t* name, bool fav = false, const char16_t* lasttext = u"");

// A bitmap that a test paints into and reads pixels back from.
class PixelCanvas {
  public:
    PixelCanvas(int width, int height, COLORREF fill);
    ~PixelCanvas();
    PixelCanvas(const PixelCanvas&) = delete;
    PixelCanvas& operator=(const PixelCanvas&) = delete;
    HDC dc() const { return dc_; }
    COLORREF pixel(int x, int y) const;
    int width() const { return width_; }
    int height() const { return height_; }
    // Copies the canvas to a PNG file (plain, uncompressed deflate).
    bool savePng(const std::u16string& path) const;

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    std::uint32_t* bits_ = nullptr;
};

// Serialises the use of the one clipboard between test processes running side by side.
class ClipboardLock {
  public:
    ClipboardLock();
    ~ClipboardLock();
    ClipboardLock(const ClipboardLock&) = delete;
    ClipboardLock& operator=(const ClipboardLock&) = delete;

  private:
    HANDLE mutex_;
};

// Puts Unicode text on the clipboard; nullopt empties it.
void setClipboardText(const std::optional<std::u16string>& text);

// A folder of the build tree, for output that people look at (screenshots).
std::u16string buildFolder(const char16_t* subfolder);
