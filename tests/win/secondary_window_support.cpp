#include "tests/win/secondary_window_support.h"

#include "app/wide_text.h"

namespace {

int WINAPI recordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    dialogs().messageBoxes.push_back({owner, fromWide(text), fromWide(caption), type});
    return dialogs().messageBoxAnswer;
}

RecordedFileDialog recordDialog(const OPENFILENAMEW& dialog) {
    RecordedFileDialog seen{dialog.lStructSize,         dialog.hwndOwner, {},           dialog.nFilterIndex,
                            fromWide(dialog.lpstrFile), dialog.nMaxFile,  std::nullopt, dialog.Flags};
    for (const wchar_t* piece = dialog.lpstrFilter; piece && *piece; piece += lstrlenW(piece) + 1)
        seen.filter.push_back(fromWide(piece));
    if (dialog.lpstrDefExt) seen.defaultExtension = fromWide(dialog.lpstrDefExt);
    return seen;
}

BOOL answerFileDialog(LPOPENFILENAMEW dialog, std::vector<RecordedFileDialog>& record) {
    record.push_back(recordDialog(*dialog));
    const auto& answer = dialogs().fileDialogAnswer;
    if (!answer) return FALSE;
    lstrcpynW(dialog->lpstrFile, wide(*answer), static_cast<int>(dialog->nMaxFile));
    return TRUE;
}

BOOL WINAPI answerSaveDialog(LPOPENFILENAMEW dialog) {
    return answerFileDialog(dialog, dialogs().saveDialogs);
}
BOOL WINAPI answerOpenDialog(LPOPENFILENAMEW dialog) {
    return answerFileDialog(dialog, dialogs().openDialogs);
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

DialogLog& dialogs() {
    static DialogLog log;
    return log;
}

void SecondaryWindowTest::SetUp() {
    MainWindowTest::SetUp();
    dialogs() = DialogLog{};
    showMessageBox = recordMessageBox;
    askSaveFileName = answerSaveDialog;
    askOpenFileName = answerOpenDialog;
}

void SecondaryWindowTest::TearDown() {
    MainWindowTest::TearDown();
    showMessageBox = MessageBoxW;
    askSaveFileName = GetSaveFileNameW;
    askOpenFileName = GetOpenFileNameW;
}

std::vector<HWND> windowsOfClass(const wchar_t* className) {
    std::vector<HWND> all, matching;
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
        wchar_t name[64]{};
        GetClassNameW(window, name, 64);
        if (lstrcmpiW(name, className) == 0) matching.push_back(window);
    }
    return matching;
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, collectWindow, reinterpret_cast<LPARAM>(&children));
    return children;
}

int fontHeightOf(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (!font || GetObjectW(font, sizeof(description), &description) != sizeof(description)) return 0;
    return -description.lfHeight;
}

void typeText(HWND edit, const std::u16string& text) {
    for (char16_t c : text)
        SendMessageW(edit, WM_CHAR, c, 1);
}

Box screenBoxOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}
