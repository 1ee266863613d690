#pragma once
// UTF-16 <-> UTF-8 with the semantics of WideCharToMultiByte / MultiByteToWideChar
// (CP_UTF8, no flags): an unpaired surrogate is written as U+FFFD, every invalid
// byte sequence is read as U+FFFD.

#include <string>
#include <string_view>

std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view bytes);
