#pragma once
// Counts the GDI objects and device contexts that the program itself holds. Wine's
// GetGuiResources is a stub that answers 0, so the census watches the calls instead: the
// exe's import table entries of the GDI creators, DeleteObject, SetWindowRgn (which hands a
// region to the system) and the DC calls are pointed at counting wrappers. Code inside the
// system DLLs (the standard controls) is not counted; it is not ours to leak.

#include <windows.h>

#include <cstddef>

namespace gdi_census {

// Points the exe's imports at the wrappers; once per process.
void install();

// GDI objects created through the exe and neither deleted nor handed to the system.
std::size_t liveObjects();
// GetDC / GetWindowDC / CreateCompatibleDC without their ReleaseDC / DeleteDC.
std::size_t openDcs();
// Windows of this thread, top-level and children.
std::size_t threadWindows();

} // namespace gdi_census
