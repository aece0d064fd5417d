// The escaping of a query value, byte by byte of its UTF-8 form.
#include "util/vxutil.h"

#include <cstring>
#include <cwchar>

namespace {

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != '\0' && strchr("!'()*-./:_~%", c) != nullptr);
}

} // namespace

int URLEncode(wchar_t* text, size_t chars) {
    if (!text)
        return 0;
    if (!text[0])
        return 1;
    // Every character escapes to at least one: longer text cannot fit.
    size_t len = wcsnlen(text, kReportValueChars);
    if (len >= kReportValueChars)
        return 0;
    char utf8[kReportValueChars * 3];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(len), utf8,
                                    static_cast<int>(sizeof(utf8)), nullptr, nullptr);
    if (bytes <= 0)
        return 0;
    static const wchar_t kHex[] = L"0123456789abcdef";
    wchar_t out[kReportValueChars];
    size_t used = 0;
    for (int i = 0; i < bytes; ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t need = isUnreserved(c) ? 1 : 3;
        if (used + need + 1 > kReportValueChars)
            return 0;
        if (need == 1) {
            out[used++] = c;
        } else {
            out[used++] = L'%';
            out[used++] = kHex[c >> 4];
            out[used++] = kHex[c & 15];
        }
    }
    if (used + 1 > chars)
        return 0;
    wmemcpy(text, out, used);
    text[used] = L'\0';
    return 1;
}
