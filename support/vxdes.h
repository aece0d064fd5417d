// DES (FIPS 46) in ECB mode over a caller's buffer, with a caller's key.
#pragma once

#include "support/vxapi.h"

// Enciphers (bEncrypt non-zero) or deciphers the nLength / 8 whole 8-byte
// blocks of lpBuffer in place under the 8 key bytes at lpKey (their low,
// parity bits ignored). The nLength % 8 bytes after them, and any byte past
// nLength, are left alone; a null key or buffer, or fewer than 8 bytes, do
// nothing.
VX_CAPI void DesGo(const char* lpKey, char* lpBuffer, int nLength, int bEncrypt);
