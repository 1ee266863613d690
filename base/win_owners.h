#pragma once
// Owners of Win32 handles and GDI objects, and guards for the paired calls of painting.

#include "base/unique_handle.h"

#include <windows.h>

inline void deleteGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void closeKernelHandle(HANDLE handle) {
    CloseHandle(handle);
}
inline void closeFileSearch(HANDLE handle) {
    FindClose(handle);
}
// Some calls fail with INVALID_HANDLE_VALUE (CreateFileW, FindFirstFileW), others with null
// (CreateFileMappingW, CreateMutexW): both are empty.
inline bool validHandle(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE;
}

using UniqueFont = UniqueHandle<HFONT, deleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, deleteGdiObject>;
using UniquePen = UniqueHandle<HPEN, deleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, deleteGdiObject>;
using UniqueKernelHandle = UniqueHandle<HANDLE, closeKernelHandle, validHandle>;
using UniqueFileSearch = UniqueHandle<HANDLE, closeFileSearch, validHandle>;

// Selects an object into a DC for one scope and puts the old one back.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (old_) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint / EndPaint for one WM_PAINT.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window_, &ps_); }
    HDC dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// GetDC / ReleaseDC for one scope.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};
