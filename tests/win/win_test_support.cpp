#include "tests/win/win_test_support.h"

#include "app/main_window.h"
#include "base/wide_text.h"
#include "base/file_io.h"
#include "library/prompt_file.h"
#include "library/storage.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

std::u16string testRoot;

std::optional<std::u16string> testLocalAppData() {
    return testRoot;
}

int WINAPI recordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    dialogs().messageBoxes.push_back({owner, fromWide(text), fromWide(caption), type});
    return dialogs().messageBoxAnswer;
}

RecordedFileDialog recordDialog(const OPENFILENAMEW& dialog) {
    RecordedFileDialog seen{dialog.lStructSize,         dialog.hwndOwner, {},
                            fromWide(dialog.lpstrFile), std::nullopt,     dialog.Flags};
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

void MainWindowTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name() + "." +
                             std::to_string(GetCurrentProcessId()) + "." + std::to_string(GetTickCount());
    root_ = (std::filesystem::temp_directory_path() / ("vbx-" + name)).u16string();
    CreateDirectoryW(wide(root_), nullptr);
    testRoot = root_;
    setLocalAppDataLookup(testLocalAppData);
    // Several tests may share one process when run by hand: start from a fresh state.
    app() = AppState{};
    app().whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
    dialogs() = DialogLog{};
    showMessageBox = recordMessageBox;
    askSaveFileName = answerSaveDialog;
    askOpenFileName = answerOpenDialog;
}

void MainWindowTest::TearDown() {
    close();
    setLocalAppDataLookup(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root_), ignored);
    showMessageBox = MessageBoxW;
    askSaveFileName = GetSaveFileNameW;
    askOpenFileName = GetOpenFileNameW;
}

HWND MainWindowTest::start(int show) {
    window_ = createMainWindow(GetModuleHandleW(nullptr));
    if (window_ && show != SW_HIDE) ShowWindow(window_, show);
    pumpMessages();
    return window_;
}

void MainWindowTest::close() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    pumpMessages();
}

std::u16string MainWindowTest::dataFolder() const {
    return root_ + u"\\Quillory";
}

void MainWindowTest::writeLibrary(const PromptLibrary& library) {
    CreateDirectoryW(wide(dataFolder()), nullptr);
    ASSERT_TRUE(savePromptFile(library, promptsPath()));
}

void MainWindowTest::writeSettings(const std::string& text) {
    CreateDirectoryW(wide(dataFolder()), nullptr);
    ASSERT_TRUE(writeFileAtomically(settingsPath(), text));
}

PromptLibrary MainWindowTest::readLibrary() const {
    PromptLibrary library;
    EXPECT_TRUE(loadPromptFile(library, promptsPath()));
    return library;
}

std::string MainWindowTest::readSettingsText() const {
    return readWholeFile(settingsPath()).value_or("");
}

Settings MainWindowTest::readSettings() const {
    return loadSettings(settingsPath());
}

bool MainWindowTest::promptsFileExists() const {
    return GetFileAttributesW(wide(promptsPath())) != INVALID_FILE_ATTRIBUTES;
}

void MainWindowTest::removePromptsFile() {
    DeleteFileW(wide(promptsPath()));
}

void pumpMessages() {
    MSG message;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

Box boxOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    POINT topLeft{rect.left, rect.top};
    ScreenToClient(app().mainWindow, &topLeft);
    return {topLeft.x, topLeft.y, rect.right - rect.left, rect.bottom - rect.top};
}

std::u16string windowText(HWND window) {
    wchar_t buffer[1024]{};
    GetWindowTextW(window, buffer, 1024);
    return fromWide(buffer);
}

bool hasVisibleStyle(HWND window) {
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<std::u16string> comboEntries(HWND combo) {
    std::vector<std::u16string> entries;
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[512]{};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        entries.push_back(fromWide(buffer));
    }
    return entries;
}

int comboSelection(HWND combo) {
    return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

int comboFieldBottom(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (!GetComboBoxInfo(combo, &info)) return -1;
    POINT corner{info.rcItem.right, info.rcItem.bottom};
    ClientToScreen(combo, &corner);
    ScreenToClient(app().mainWindow, &corner);
    return corner.y;
}

void sendCommand(HWND mainWindow, int id, int notification, HWND control) {
    SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(control));
}

void chooseEntry(HWND window, int id, int entry) {
    HWND combo = GetDlgItem(window, id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void choosePrompt(int index) {
    HWND combo = app().promptCombo;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    sendCommand(app().mainWindow, 0, CBN_SELCHANGE, combo);
}

Prompt prompt(const char16_t* name, bool fav, const char16_t* lasttext) {
    Prompt p;
    p.name = name;
    p.text = std::u16string(u"Text von ") + name;
    p.fav = fav;
    p.lasttext = lasttext;
    return p;
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

PixelCanvas::~PixelCanvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF PixelCanvas::pixel(int x, int y) const {
    GdiFlush();
    const std::uint32_t value = bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

namespace {

std::uint32_t crc32(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void putChunk(std::string& out, const char* type, const std::string& data) {
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    putBigEndian(out, crc32(reinterpret_cast<const unsigned char*>(typed.data()), typed.size()));
}

} // namespace

bool PixelCanvas::savePng(const std::u16string& path) const {
    GdiFlush();
    std::string raw;
    for (int y = 0; y < height_; ++y) {
        raw.push_back('\0'); // no row filter
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t value =
                bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x];
            raw.push_back(static_cast<char>((value >> 16) & 0xFF));
            raw.push_back(static_cast<char>((value >> 8) & 0xFF));
            raw.push_back(static_cast<char>(value & 0xFF));
        }
    }
    // zlib stream of stored (uncompressed) deflate blocks.
    std::string zlib("\x78\x01", 2);
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t offset = 0; offset < raw.size() || offset == 0; offset += 65535) {
        const std::size_t size = std::min<std::size_t>(65535, raw.size() - offset);
        const bool last = offset + size >= raw.size();
        zlib.push_back(last ? '\x01' : '\x00');
        zlib.push_back(static_cast<char>(size & 0xFF));
        zlib.push_back(static_cast<char>(size >> 8));
        zlib.push_back(static_cast<char>(~size & 0xFF));
        zlib.push_back(static_cast<char>((~size >> 8) & 0xFF));
        zlib.append(raw, offset, size);
        if (last) break;
    }
    putBigEndian(zlib, (b << 16) | a);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width_));
    putBigEndian(header, static_cast<std::uint32_t>(height_));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", "");
    return writeFileAtomically(path, png);
}

ClipboardLock::ClipboardLock() : mutex_(CreateMutexW(nullptr, FALSE, L"VerbarixTestClipboard")) {
    WaitForSingleObject(mutex_, 60000);
}

ClipboardLock::~ClipboardLock() {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

void setClipboardText(const std::optional<std::u16string>& text) {
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    EmptyClipboard();
    if (text) {
        const std::size_t bytes = (text->size() + 1) * sizeof(char16_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(GlobalLock(memory), text->c_str(), bytes);
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory); // the clipboard owns it now
    }
    CloseClipboard();
}

std::u16string buildFolder(const char16_t* subfolder) {
    std::u16string folder;
    if (const char* binary = std::getenv("VBX_BINARY_DIR")) {
        const std::string unixPath(binary);
        // Wine shows the Linux file system as drive Z:.
        folder = unixPath.starts_with('/') ? u"Z:" : u"";
        for (char c : unixPath)
            folder.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
    } else {
        wchar_t current[MAX_PATH]{};
        GetCurrentDirectoryW(MAX_PATH, current);
        folder = fromWide(current);
    }
    folder += u"\\";
    folder += subfolder;
    CreateDirectoryW(wide(folder), nullptr);
    return folder;
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
