#include "uninstall/report.h"

#include "support/vxhandle.h"
#include "support/vxnet.h"
#include "support/vxtext.h"
#include "support/vxthread.h"
#include "util/vxutil.h"

#include <atomic>
#include <cwchar>
#include <iterator>
#include <new>

namespace {

// The block's fields in characters.
const size_t kUrlChars = sizeof(tagReportInfo::szUrl) / sizeof(wchar_t);
const size_t kTypeChars = sizeof(tagReportInfo::szType) / sizeof(wchar_t);
const size_t kValueChars = sizeof(tagReportInfo::szValue) / sizeof(wchar_t);

// "%s?type=%s&value=%s&uuid=%s&sign=%d" at its longest: the escaped value
// alone may need 891 characters.
const size_t kRequestChars = kUrlChars + kTypeChars + kReportValueChars + kUidChars + 12 + 32;

// Reports on their way: a run that ends the process at once waits for them.
std::atomic<int> g_reportsInFlight{0};

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
