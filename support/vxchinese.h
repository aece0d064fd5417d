// Chinese text in the GB (code page 936) and Big5 (code page 950) code
// pages: a GB test, the system's code page, and simplified to traditional
// conversion in place.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

// 1 when the zero-terminated text is GB2312 Chinese: a non-zero, even byte
// length and every lead byte (even index) at least 0xA1 and not 0xA3 (the
// full-width ASCII row). Trail bytes are not examined. 0 otherwise or null.
VX_CAPI int isHZ(const char* lpszText);
// 1 when the system's ANSI code page is 950 (Big5).
VX_CAPI int isTraditional(void);
// Simplified GB text in a buffer of nSize bytes becomes traditional Big5
// text in place: mapped to traditional forms (locale 2052), read as code
// page 936, written as code page 950 with the system's replacement for
// characters Big5 lacks. Reads at most nSize bytes and writes at most nSize
// bytes with the terminator; if any step fails or the result and its
// terminator do not fit, the buffer is left as it was.
VX_CAPI void gb2big(char* lpszText, int nSize);
// On a Big5 system (isTraditional) gb2big; otherwise the text's traditional
// forms, still GB-encoded, for a simplified-Chinese system. Bounded as gb2big.
VX_CAPI void GbToTraditional(char* lpszText, int nSize);

namespace vx {
// GbToTraditional as it goes on a system whose ANSI code page is acp.
void GbToTraditionalForCodePage(char* lpszText, int nSize, UINT acp);
} // namespace vx
