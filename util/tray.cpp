// A window's icon in the notification area (icon id 0).
#include "util/vxutil.h"

#include <shellapi.h>
#include <cwchar>

namespace {

// The XP layout, up to and with the GUID member: every shell since then
// accepts it.
const DWORD kNotifyIconSize = NOTIFYICONDATAW_V3_SIZE;
#ifndef _WIN64
static_assert(kNotifyIconSize == 952, "the 32-bit notify-icon layout changed");
#endif

NOTIFYICONDATAW notifyData(HWND hwnd, UINT flags) {
    NOTIFYICONDATAW data = {};
    data.cbSize = kNotifyIconSize;
    data.hWnd = hwnd;
    data.uID = 0;
    data.uFlags = flags;
    return data;
}

// Copies at most max characters, always terminated.
template <size_t N> void copyBounded(wchar_t (&to)[N], const wchar_t* from, size_t max) {
    static_assert(N > 0, "empty buffer");
    size_t limit = max < N - 1 ? max : N - 1;
    size_t n = 0;
    for (; from && n < limit && from[n]; ++n)
        to[n] = from[n];
    to[n] = L'\0';
}

int notify(DWORD message, NOTIFYICONDATAW& data) {
    return Shell_NotifyIconW(message, &data) ? 1 : 0;
}

} // namespace

int ShowTray(HWND hwnd, HICON icon, const wchar_t* tip, UINT callbackMsg) {
    NOTIFYICONDATAW data = notifyData(hwnd, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.hIcon = icon;
    data.uCallbackMessage = callbackMsg;
    copyBounded(data.szTip, tip, 127);
    return notify(NIM_ADD, data);
}

int SetIcon(HWND hwnd, HICON icon) {
    NOTIFYICONDATAW data = notifyData(hwnd, NIF_ICON);
    data.hIcon = icon;
    return notify(NIM_MODIFY, data);
}

int SetTip(HWND hwnd, const wchar_t* tip) {
    NOTIFYICONDATAW data = notifyData(hwnd, NIF_TIP);
    copyBounded(data.szTip, tip, 127);
    return notify(NIM_MODIFY, data);
}

int ShowBalloon(HWND hwnd, const wchar_t* title, const wchar_t* text, UINT timeoutMs) {
    NOTIFYICONDATAW data = notifyData(hwnd, NIF_INFO);
    data.dwInfoFlags = NIIF_INFO;
    data.uTimeout = timeoutMs;
    copyBounded(data.szInfoTitle, title, 63);
    copyBounded(data.szInfo, text, 255);
    return notify(NIM_MODIFY, data);
}

int DelTray(HWND hwnd) {
    NOTIFYICONDATAW data = notifyData(hwnd, 0);
    return notify(NIM_DELETE, data);
}
