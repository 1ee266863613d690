#pragma once
// UTF-16 <-> UTF-8 with the semantics of WideCharToMultiByte / MultiByteToWideChar
// (CP_UTF8, no flags): an unpaired surrogate is written as U+FFFD, every invalid
// byte sequence is read as U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view bytes);

// Where the first byte sequence that fromUtf8 would replace by U+FFFD begins; npos when the
// bytes are well-formed UTF-8 throughout.
std::size_t invalidUtf8At(std::string_view bytes);

// Windows-1252 ("ANSI" of Western European Windows) as MultiByteToWideChar(1252) reads it: the
// five bytes the code page leaves unused become the C1 control of the same value.
std::u16string fromWindows1252(std::string_view bytes);
