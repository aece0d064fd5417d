#include "uninstall/report.h"

#include "support/vxhandle.h"
#include "support/vxnet.h"
#include "support/vxreg.h"
#include "support/vxtext.h"
#include "support/vxthread.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <new>

namespace {

const wchar_t kUidKey[] = L"SOFTWARE\\Tarnvel";
const wchar_t kUidValue[] = L"UID";
const size_t kStoredUidChars = 20;

// The block's fields in characters.
const size_t kUrlChars = sizeof(tagReportInfo::szUrl) / sizeof(wchar_t);
const size_t kTypeChars = sizeof(tagReportInfo::szType) / sizeof(wchar_t);
const size_t kValueChars = sizeof(tagReportInfo::szValue) / sizeof(wchar_t);

// "%s?type=%s&value=%s&uuid=%s&sign=%d" at its longest: the escaped value
// alone may need 891 characters.
const size_t kRequestChars = kUrlChars + kTypeChars + kReportValueChars + kUidChars + 12 + 32;

// Reports on their way: a run that ends the process at once waits for them.
std::atomic<int> g_reportsInFlight{0};

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != '\0' && strchr("!'()*-./:_~%", c) != nullptr);
}

// The identifier stored for this user, if it is text of exactly 20 characters.
bool ReadStoredUid(HKEY key, wchar_t* out) {
    wchar_t stored[31] = {};
    DWORD type = 0, cb = 30 * sizeof(wchar_t);
    if (RegQueryValueExW(key, kUidValue, nullptr, &type, reinterpret_cast<BYTE*>(stored), &cb) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    if (wcslen(stored) != kStoredUidChars)
        return false;
    vx::CopyBounded(out, stored, kStoredUidChars);
    return true;
}

} // namespace

void DoReport(const wchar_t* lpszUrl, const wchar_t* lpszType, const wchar_t* lpszValue) {
    if (!lpszUrl || !lpszType)
        return;
    // A URL cut to fit would send the report somewhere else.
    if (wcsnlen(lpszType, kTypeChars) >= kTypeChars || wcsnlen(lpszUrl, kUrlChars) >= kUrlChars)
        return;
    auto* info = new (std::nothrow) tagReportInfo();
    if (!info)
        return;
    vx::CopyBounded(info->szUrl, lpszUrl, kUrlChars - 1);
    vx::CopyBounded(info->szType, lpszType, kTypeChars - 1);
    if (lpszValue && wcsnlen(lpszValue, kValueChars) < kValueChars)
        vx::CopyBounded(info->szValue, lpszValue, kValueChars - 1);
    ++g_reportsInFlight;
    vx::unique_handle thread(GetVxThread().StartThread(ReportThread, info, 0));
    if (!thread) {
        --g_reportsInFlight;
        delete info;
    }
}

bool WaitForReports(unsigned timeoutMs) {
    const DWORD start = GetTickCount();
    while (g_reportsInFlight.load() > 0) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

unsigned __stdcall ReportThread(void* lpParam) {
    auto* info = static_cast<tagReportInfo*>(lpParam);
    if (!info)
        return 0;
    // Escaped, the value can grow ninefold: it is escaped where it fits.
    wchar_t value[kReportValueChars];
    vx::CopyBounded(value, info->szValue, kValueChars - 1);
    URLEncode(value, std::size(value));
    wchar_t uid[50] = {};
    CreateUID(uid, 1);
    DWORD tick = GetTickCount();
    wchar_t request[kRequestChars];
    int n = _snwprintf(request, std::size(request), L"%ls?type=%ls&value=%ls&uuid=%ls&sign=%d",
                       info->szUrl, info->szType, value, uid, static_cast<int>(tick));
    if (n >= 0 && static_cast<size_t>(n) < std::size(request)) {
        char response[50];
        CVxNet::Instance().GetUrlInfo(request, response, sizeof(response));
    }
    delete info;
    --g_reportsInFlight;
    return 0;
}

void CreateUID(wchar_t* lpszOut, int nPersist) {
    if (!lpszOut)
        return;
    srand(GetTickCount());
    int first = rand(), second = rand();
    wchar_t uid[kUidChars + 8] = {};
    _snwprintf(uid, kUidChars, L"VX%08d%05d%05d", static_cast<int>(GetTickCount()), second, first);

    if (nPersist) {
        vx::unique_hkey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kUidKey, 0, KEY_ALL_ACCESS, key.put()) !=
            ERROR_SUCCESS) {
            if (RegCreateKeyExW(HKEY_CURRENT_USER, kUidKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) == ERROR_SUCCESS)
                CVxReg::Instance().SetRegInfo(HKEY_CURRENT_USER, kUidKey, kUidValue, 0, uid);
        } else if (!ReadStoredUid(key.get(), uid)) {
            CVxReg::Instance().SetRegInfo(HKEY_CURRENT_USER, kUidKey, kUidValue, 0, uid);
        }
    }
    vx::CopyBounded(lpszOut, uid, kUidChars - 1);
}

int URLEncode(wchar_t* lpszText, size_t nChars) {
    if (!lpszText)
        return 0;
    if (!lpszText[0])
        return 1;
    // Every character escapes to at least one: longer text cannot fit.
    size_t len = wcsnlen(lpszText, kReportValueChars);
    if (len >= kReportValueChars)
        return 0;
    char utf8[kReportValueChars * 3];
    int bytes = WideCharToMultiByte(CP_UTF8, 0, lpszText, static_cast<int>(len), utf8,
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
    if (used + 1 > nChars)
        return 0;
    wmemcpy(lpszText, out, used);
    lpszText[used] = L'\0';
    return 1;
}
