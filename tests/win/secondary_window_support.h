#pragma once
// The main window started as in every window test, with the message boxes and file dialogs
// answered by the test: each call is recorded, and the answer is set beforehand.

#include "tests/win/win_test_support.h"

#include "app/dialogs.h"

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
    DWORD filterIndex;
    std::u16string initialFile;
    DWORD fileCapacity;
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

class SecondaryWindowTest : public MainWindowTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A file in the test's own folder, outside the storage folder.
    std::u16string testFile(const char16_t* name) const { return root_ + u"\\" + name; }
};

// The program's top-level windows of this class.
std::vector<HWND> windowsOfClass(const wchar_t* className);
// The child windows, in the order the system lists them.
std::vector<HWND> childWindows(HWND parent);
// The pixel height the window's font asks for, 0 when the font is gone or none is set.
int fontHeightOf(HWND window);
// Types the text into an edit box one character at a time, as the keyboard would.
void typeText(HWND edit, const std::u16string& text);
// The window rectangle in screen coordinates as x/y/width/height.
Box screenBoxOf(HWND window);
