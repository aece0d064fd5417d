// Bounded text copies into caller-owned fixed-size buffers.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace vx {

// Copies text up to its terminator or limit characters, whichever comes
// first, and terminates out: out must hold limit + 1 characters. The source
// need not be terminated within limit. Returns the characters copied.
inline size_t CopyBounded(wchar_t* out, const wchar_t* text, size_t limit) {
    size_t n = 0;
    while (n < limit && text[n])
        ++n;
    wmemcpy(out, text, n);
    out[n] = L'\0';
    return n;
}

// A whole number as decimal text. std::to_wstring would format it through
// the MinGW runtime's C99 printf, which brings its float formatting (some
// 40 KB) into the exe.
inline std::wstring DecimalText(long long n) {
    wchar_t text[24];
    return _i64tow(n, text, 10);
}

} // namespace vx
