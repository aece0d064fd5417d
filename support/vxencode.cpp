#include "support/vxencode.h"

#include "support/vxdes.h"

#include <cstddef>

void EasyEncode(char* lpBuffer, int nLength) {
    if (!lpBuffer)
        return;
    for (int i = 0; i < nLength; ++i)
        lpBuffer[i] = static_cast<char>(static_cast<unsigned char>(lpBuffer[i]) ^
                                        static_cast<unsigned char>(i + 8));
}

void ToHex(char* lpBuffer, int nLength) {
    if (!lpBuffer || nLength < 0)
        return;
    static const char kDigits[] = "0123456789ABCDEF";
    size_t n = static_cast<size_t>(nLength);
    lpBuffer[2 * n] = '\0';
    // From the last byte back, so no byte is overwritten before it is read.
    for (size_t i = n; i-- > 0;) {
        unsigned char b = static_cast<unsigned char>(lpBuffer[i]);
        lpBuffer[2 * i] = kDigits[b >> 4];
        lpBuffer[2 * i + 1] = kDigits[b & 0x0F];
    }
}

void ToAsc(char* lpBuffer, int nCount) {
    if (!lpBuffer || nCount < 0)
        return;
    auto nibble = [](char c) {
        unsigned char code = static_cast<unsigned char>(c);
        return static_cast<unsigned char>(code <= 64 ? code - 48 : code - 55);
    };
    int n = nCount / 2;
    for (int i = 0; i < n; ++i)
        lpBuffer[i] = static_cast<char>(
            static_cast<unsigned char>(nibble(lpBuffer[2 * i]) * 16 + nibble(lpBuffer[2 * i + 1])));
    lpBuffer[n] = '\0';
}

void VxEncode(const char* lpKey, char* lpBuffer, int nLength, int bEncode) {
    // Without a key nothing is enciphered: the text is left as it is rather
    // than passed off as encoded.
    if (!lpKey || !lpBuffer || nLength < 0)
        return;
    if (bEncode) {
        DesGo(lpKey, lpBuffer, nLength, 1);
        EasyEncode(lpBuffer, nLength);
        ToHex(lpBuffer, nLength);
    } else {
        ToAsc(lpBuffer, nLength);
        EasyEncode(lpBuffer, nLength / 2);
        DesGo(lpKey, lpBuffer, nLength / 2, 0);
        lpBuffer[nLength / 2] = '\0';
    }
}
