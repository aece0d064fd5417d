#include "support/vxlog.h"

#include "support/vxhandle.h"
#include "support/vxprocess.h"
#include "support/vxreg.h"
#include "support/vxsharemem.h"
#include "support/vxtext.h"

#include <share.h>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

const int kMessageChars = 1024;

// Formats into a cleared buffer of kMessageChars, cutting longer output.
void FormatMessageText(wchar_t (&out)[kMessageChars], const wchar_t* format, va_list args) {
    wmemset(out, 0, kMessageChars);
    if (format)
        _vsnwprintf(out, kMessageChars - 1, format, args);
    out[kMessageChars - 1] = L'\0';
}

std::wstring FormatLine(const wchar_t* text) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t stamp[32];
    _snwprintf(stamp, std::size(stamp), L"%d-%02d-%02d %02d:%02d:%02d\t", st.wYear, st.wMonth,
               st.wDay, st.wHour, st.wMinute, st.wSecond);
    stamp[std::size(stamp) - 1] = L'\0';
    std::wstring line(stamp);
    line += text ? text : L"";
    line += L"\r\n";
    return line;
}

// Opened for appending with no sharing restriction, so writers in other
// threads and processes can have the file open at the same time.
vx::unique_file OpenLogFile(const wchar_t* path) {
    return vx::unique_file(_wfsopen(path, L"ab", _SH_DENYNO));
}

void AppendLine(FILE* file, const wchar_t* text) {
    std::wstring line = FormatLine(text);
    int n = WideCharToMultiByte(CP_THREAD_ACP, 0, line.c_str(), static_cast<int>(line.size()),
                                nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return;
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, line.c_str(), static_cast<int>(line.size()), &bytes[0], n,
                        nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), file);
}

} // namespace

CVxLog::CVxLog() : m_bForce(false), m_hMem(nullptr), m_nMemOffset(0), m_nMemChars(0) {
    m_szMemName[0] = L'\0';
    InitializeSRWLock(&m_memLock);
}

CVxLog::~CVxLog() {
    if (m_hMem)
        CloseHandle(m_hMem);
}

CVxLog& CVxLog::Instance() {
    static CVxLog log;
    return log;
}

void CVxLog::ForceLog(bool bOn) {
    m_bForce = bOn;
}

bool CVxLog::isLog() {
    if (m_bForce)
        return true;
    const wchar_t kKey[] = L"SOFTWARE\\Tarnvel";
    wchar_t value[300] = {};
    CVxReg& reg = CVxReg::Instance();
    if (!reg.GetRegInfo(HKEY_LOCAL_MACHINE, kKey, L"debug", 0, value) && isWow64())
        reg.GetRegInfo(HKEY_LOCAL_MACHINE, kKey, L"debug", 1, value);
    return wcscmp(value, L"1") == 0;
}

void CVxLog::GetLogFileName(wchar_t* out) {
    wchar_t dir[MAX_PATH + 1] = {};
    GetCurPath(dir);
    SYSTEMTIME st;
    GetLocalTime(&st);
    int n = _snwprintf(out, MAX_PATH, L"%sVX-%d-%d-%d.log", dir, st.wYear, st.wMonth, st.wDay);
    // A name that does not fit would be some other file.
    if (n < 0 || n >= MAX_PATH)
        out[0] = L'\0';
}

void CVxLog::WriteLog(const wchar_t* lpszText) {
    if (!isLog())
        return;
    wchar_t name[MAX_PATH];
    GetLogFileName(name);
    vx::unique_file file = OpenLogFile(name);
    if (file)
        AppendLine(file.get(), lpszText);
}

void CVxLog::WriteLog2(const wchar_t* lpszFormat, ...) {
    if (!isLog())
        return;
    wchar_t name[MAX_PATH];
    GetLogFileName(name);
    vx::unique_file file = OpenLogFile(name);
    if (!file)
        return;
    wchar_t text[kMessageChars];
    va_list args;
    va_start(args, lpszFormat);
    FormatMessageText(text, lpszFormat, args);
    va_end(args);
    AppendLine(file.get(), text);
}

void CVxLog::SetMemName(const wchar_t* lpszName, int nSize) {
    if (!lpszName || nSize <= 0)
        return;
    AcquireSRWLockExclusive(&m_memLock);
    vx::CopyBounded(m_szMemName, lpszName, std::size(m_szMemName) - 1);
    if (m_hMem)
        CloseHandle(m_hMem);
    m_hMem = CreateShareMem(m_szMemName, static_cast<DWORD>(nSize));
    m_nMemChars = m_hMem ? nSize / static_cast<int>(sizeof(wchar_t)) : 0;
    // A new block is written from its start.
    m_nMemOffset = 0;
    ReleaseSRWLockExclusive(&m_memLock);
}

void CVxLog::WriteLog3(const wchar_t* lpszFormat, ...) {
    wchar_t text[kMessageChars];
    va_list args;
    va_start(args, lpszFormat);
    FormatMessageText(text, lpszFormat, args);
    va_end(args);
    std::wstring line = FormatLine(text);
    int len = static_cast<int>(line.size());

    // A line that would not fit with its terminator is dropped whole, and a
    // line that is not written leaves the offset where it is, so the block
    // always reads as one string of whole lines.
    AcquireSRWLockExclusive(&m_memLock);
    if (m_hMem && len < m_nMemChars - m_nMemOffset &&
        WriteShareMem(m_szMemName, line.c_str(), static_cast<DWORD>(m_nMemOffset)))
        m_nMemOffset += len;
    ReleaseSRWLockExclusive(&m_memLock);
}

int CVxLog::GetMemOffset() const {
    AcquireSRWLockShared(&m_memLock);
    int offset = m_nMemOffset;
    ReleaseSRWLockShared(&m_memLock);
    return offset;
}

void WriteLog(const wchar_t* lpszText) {
    CVxLog::Instance().WriteLog(lpszText);
}
