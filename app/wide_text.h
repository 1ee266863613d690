#pragma once
// UTF-16 strings of the core as the wide strings of the Windows API (both 16-bit).

#include <windows.h>

#include <string>

inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string fromWide(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}
