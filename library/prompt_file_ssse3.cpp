// The library file writer's encoding loop, built with SSSE3 (see escape_utf8.h).
#include "library/escape_utf8.h"

#if !defined(__SSSE3__)
#error "this file is built with -mssse3"
#endif

char* putEscapedSsse3(const char16_t*& p, const char16_t* end, char* out, char* limit) {
    return escape_utf8::putEscaped(p, end, out, limit);
}
