#include "gdi_census.h"

#include <set>

namespace gdi_census {
namespace {

// Never destroyed: the wrappers stay in the import table while the program's own statics
// release their fonts and brushes at exit.
std::set<HGDIOBJ>& live = *new std::set<HGDIOBJ>;
std::set<HDC>& dcs = *new std::set<HDC>;

// The real functions, taken from the import table before it is changed.
decltype(&CreateFontIndirectW) realCreateFontIndirectW;
decltype(&CreateFontW) realCreateFontW;
decltype(&CreateSolidBrush) realCreateSolidBrush;
decltype(&CreateBrushIndirect) realCreateBrushIndirect;
decltype(&CreatePen) realCreatePen;
decltype(&CreateRoundRectRgn) realCreateRoundRectRgn;
decltype(&CreateRectRgn) realCreateRectRgn;
decltype(&CreateCompatibleBitmap) realCreateCompatibleBitmap;
decltype(&DeleteObject) realDeleteObject;
decltype(&SetWindowRgn) realSetWindowRgn;
decltype(&GetDC) realGetDC;
decltype(&GetWindowDC) realGetWindowDC;
decltype(&ReleaseDC) realReleaseDC;
decltype(&CreateCompatibleDC) realCreateCompatibleDC;
decltype(&DeleteDC) realDeleteDC;

template <typename Handle> Handle noteObject(Handle object) {
    if (object) live.insert(object);
    return object;
}

HFONT WINAPI countCreateFontIndirectW(const LOGFONTW* font) {
    return noteObject(realCreateFontIndirectW(font));
}
HFONT WINAPI countCreateFontW(int height, int width, int escapement, int orientation, int weight,
                              DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                              DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                              LPCWSTR face) {
    return noteObject(realCreateFontW(height, width, escapement, orientation, weight, italic, underline,
                                      strikeOut, charSet, outPrecision, clipPrecision, quality,
                                      pitchAndFamily, face));
}
HBRUSH WINAPI countCreateSolidBrush(COLORREF color) {
    return noteObject(realCreateSolidBrush(color));
}
HBRUSH WINAPI countCreateBrushIndirect(const LOGBRUSH* brush) {
    return noteObject(realCreateBrushIndirect(brush));
}
HPEN WINAPI countCreatePen(int style, int width, COLORREF color) {
    return noteObject(realCreatePen(style, width, color));
}
HRGN WINAPI countCreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    return noteObject(realCreateRoundRectRgn(left, top, right, bottom, width, height));
}
HRGN WINAPI countCreateRectRgn(int left, int top, int right, int bottom) {
    return noteObject(realCreateRectRgn(left, top, right, bottom));
}
HBITMAP WINAPI countCreateCompatibleBitmap(HDC dc, int width, int height) {
    return noteObject(realCreateCompatibleBitmap(dc, width, height));
}
BOOL WINAPI countDeleteObject(HGDIOBJ object) {
    const BOOL deleted = realDeleteObject(object);
    if (deleted) live.erase(object);
    return deleted;
}
// On success the window owns the region and the system deletes it.
int WINAPI countSetWindowRgn(HWND window, HRGN region, BOOL redraw) {
    const int set = realSetWindowRgn(window, region, redraw);
    if (set && region) live.erase(region);
    return set;
}
HDC WINAPI countGetDC(HWND window) {
    HDC dc = realGetDC(window);
    if (dc) dcs.insert(dc);
    return dc;
}
HDC WINAPI countGetWindowDC(HWND window) {
    HDC dc = realGetWindowDC(window);
    if (dc) dcs.insert(dc);
    return dc;
}
int WINAPI countReleaseDC(HWND window, HDC dc) {
    const int released = realReleaseDC(window, dc);
    if (released) dcs.erase(dc);
    return released;
}
HDC WINAPI countCreateCompatibleDC(HDC dc) {
    HDC created = realCreateCompatibleDC(dc);
    if (created) dcs.insert(created);
    return created;
}
BOOL WINAPI countDeleteDC(HDC dc) {
    const BOOL deleted = realDeleteDC(dc);
    if (deleted) dcs.erase(dc);
    return deleted;
}

// Replaces every import table entry of the exe that holds `target` by `replacement`.
template <typename Function>
void redirect(const wchar_t* dll, const char* name, Function& real, Function wrapper) {
    HMODULE module = GetModuleHandleW(dll);
    if (!module) module = LoadLibraryW(dll);
    const auto target = reinterpret_cast<ULONG_PTR>(GetProcAddress(module, name));
    real = reinterpret_cast<Function>(target);
    if (!target) return;

    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
             thunk->u1.Function != 0; ++thunk) {
            if (thunk->u1.Function != target) continue;
            DWORD protection = 0;
            VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, PAGE_READWRITE, &protection);
            thunk->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
            VirtualProtect(&thunk->u1.Function, sizeof thunk->u1.Function, protection, &protection);
        }
    }
}

BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*reinterpret_cast<std::size_t*>(count);
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM count) {
    ++*reinterpret_cast<std::size_t*>(count);
    EnumChildWindows(window, countChild, count);
    return TRUE;
}

} // namespace

void install() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    redirect(L"gdi32.dll", "CreateFontIndirectW", realCreateFontIndirectW, countCreateFontIndirectW);
    redirect(L"gdi32.dll", "CreateFontW", realCreateFontW, countCreateFontW);
    redirect(L"gdi32.dll", "CreateSolidBrush", realCreateSolidBrush, countCreateSolidBrush);
    redirect(L"gdi32.dll", "CreateBrushIndirect", realCreateBrushIndirect, countCreateBrushIndirect);
    redirect(L"gdi32.dll", "CreatePen", realCreatePen, countCreatePen);
    redirect(L"gdi32.dll", "CreateRoundRectRgn", realCreateRoundRectRgn, countCreateRoundRectRgn);
    redirect(L"gdi32.dll", "CreateRectRgn", realCreateRectRgn, countCreateRectRgn);
    redirect(L"gdi32.dll", "CreateCompatibleBitmap", realCreateCompatibleBitmap, countCreateCompatibleBitmap);
    redirect(L"gdi32.dll", "DeleteObject", realDeleteObject, countDeleteObject);
    redirect(L"user32.dll", "SetWindowRgn", realSetWindowRgn, countSetWindowRgn);
    redirect(L"user32.dll", "GetDC", realGetDC, countGetDC);
    redirect(L"user32.dll", "GetWindowDC", realGetWindowDC, countGetWindowDC);
    redirect(L"user32.dll", "ReleaseDC", realReleaseDC, countReleaseDC);
    redirect(L"gdi32.dll", "CreateCompatibleDC", realCreateCompatibleDC, countCreateCompatibleDC);
    redirect(L"gdi32.dll", "DeleteDC", realDeleteDC, countDeleteDC);
}

std::size_t liveObjects() {
    return live.size();
}

std::size_t openDcs() {
    return dcs.size();
}

std::size_t threadWindows() {
    std::size_t count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace gdi_census
