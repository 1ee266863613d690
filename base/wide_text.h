#pragma once
// UTF-16 strings of the core as the wide strings of the Windows API.

#include <windows.h>

#include <string>

// The casts below are sound only because both are 16-bit units (true for every Windows compiler).
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline std::u16string fromWide(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}
