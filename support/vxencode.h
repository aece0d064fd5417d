// The reversible text-safe encoding (DES, a position-keyed XOR, hex text)
// and its three building blocks. Lengths below 0, null buffers and a null
// key do nothing; no function writes past the room its comment gives.
#pragma once

#include "support/vxapi.h"

// Encode (bEncode non-zero): DesGo encrypt, EasyEncode, ToHex over nLength
// bytes; lpBuffer must hold 2 * nLength + 1 bytes and then holds the hex
// text. Only whole 8-byte blocks are enciphered.
// Decode (0): nLength is the number of hex characters; ToAsc, EasyEncode and
// DesGo decrypt over the nLength / 2 bytes, then a terminator at nLength / 2
// (lpBuffer holds at least nLength + 1 bytes when nLength is 0 or 1, else
// nLength).
VX_CAPI void VxEncode(const char* lpKey, char* lpBuffer, int nLength, int bEncode);
// XORs byte i with the low 8 bits of i + 8; applying it twice restores the
// bytes.
VX_CAPI void EasyEncode(char* lpBuffer, int nLength);
// Replaces nLength bytes by 2 * nLength upper-case hex characters and a
// terminator: lpBuffer holds 2 * nLength + 1 bytes.
VX_CAPI void ToHex(char* lpBuffer, int nLength);
// Replaces nCount hex characters (upper-case, high nibble first) by the
// nCount / 2 bytes they stand for and a terminator at nCount / 2. A
// character up to '@' counts as a digit (its code - '0'), any above as a
// letter (its code - 'A' + 10), modulo 256: lower-case letters do not decode.
VX_CAPI void ToAsc(char* lpBuffer, int nCount);
