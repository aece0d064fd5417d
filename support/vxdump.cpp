// The crash path assumes as little as it can: the dump's file name is built
// and the file opened before anything allocates much (the heap may be what
// failed), and the report, the dump and the message box each go ahead
// whatever became of the others.
#include "support/vxdump.h"

#include "support/vxhandle.h"
#include "support/vxtext.h"

#include <dbghelp.h>
#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <iterator>

namespace {
// The filter is a static function: it reaches the object through this.
CvxDump* g_dump = nullptr;
// The thread handling the crash; 0 until the first one.
std::atomic<DWORD> g_handlingThread{0};

// Waits until the first crash's handling ends the process, answering the
// messages other threads send meanwhile (the box may be owned by a window
// of this thread), without using the processor.
[[noreturn]] void Park() {
    for (;;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
} // namespace

CvxDump::CvxDump()
    : m_pfnPrevious(nullptr), m_szAppName{}, m_szReportName{}, m_pfnReport(nullptr),
      m_pfnBox(nullptr) {
    m_pfnPrevious = SetUnhandledExceptionFilter(ExceptionFilter);
    g_dump = this;
}

CvxDump::~CvxDump() {
    SetUnhandledExceptionFilter(m_pfnPrevious);
    g_dump = nullptr;
}

void CvxDump::Install(const wchar_t* lpszAppName, const wchar_t* lpszReportName) {
    vx::CopyBounded(m_szAppName, lpszAppName ? lpszAppName : L"", std::size(m_szAppName) - 1);
    vx::CopyBounded(m_szReportName, lpszReportName ? lpszReportName : L"",
                    std::size(m_szReportName) - 1);
}

void CvxDump::SetHooks(VXDUMPREPORTPROC pfnReport, VXDUMPBOXPROC pfnBox) {
    m_pfnReport = pfnReport;
    m_pfnBox = pfnBox;
}

LONG WINAPI CvxDump::ExceptionFilter(EXCEPTION_POINTERS* pPointers) {
    const DWORD self = GetCurrentThreadId();
    DWORD first = 0;
    if (!g_handlingThread.compare_exchange_strong(first, self)) {
        // A fault inside the handling itself ends the process at once;
        // any other thread must not re-run its faulting instruction.
        if (first == self)
            return EXCEPTION_EXECUTE_HANDLER;
        Park();
    }

    wchar_t exe[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t path[MAX_PATH + 20];
    const int len =
        _snwprintf(path, std::size(path), L"%ls_%d.dmp", exe, static_cast<int>(GetTickCount()));
    path[std::size(path) - 1] = L'\0';
    // A name cut short would name some other file: no dump then.
    const bool named = n > 0 && n < MAX_PATH && len > 0 && len < static_cast<int>(std::size(path));
    const DWORD pid = GetCurrentProcessId();
    vx::unique_handle process(named ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid) : nullptr);
    vx::unique_hfile file(process ? CreateFileW(path, GENERIC_ALL, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE);

    // The report travels on a thread of its own while the rest goes on.
    if (g_dump && g_dump->m_pfnReport)
        g_dump->m_pfnReport(g_dump->m_szReportName);

    if (file) {
        MINIDUMP_EXCEPTION_INFORMATION info = {};
        info.ThreadId = self;
        info.ExceptionPointers = pPointers;
        info.ClientPointers = TRUE;
        MiniDumpWriteDump(process.get(), pid, file.get(), MiniDumpNormal, &info, nullptr, nullptr);
    }
    file.reset();
    process.reset();

    if (g_dump && g_dump->m_pfnBox)
        g_dump->m_pfnBox();
    return EXCEPTION_EXECUTE_HANDLER;
}

// std::terminate's default handler, defined here so that the C++ runtime's
// own stays out of the link: that one names the exception's type on stderr,
// which a windowed program does not have, through a demangler of 46 KB.
// This one hands an uncaught exception to the crash filter instead.
void __gnu_cxx::__verbose_terminate_handler() {
    if (g_dump)
        RaiseException(VX_UNCAUGHT_CPP_EXCEPTION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    abort();
}

CvxDump& GetVxDump() {
    static CvxDump dump;
    return dump;
}

void InstallDump(const wchar_t* lpszAppName, const wchar_t* lpszReportName) {
    GetVxDump().Install(lpszAppName, lpszReportName);
}
