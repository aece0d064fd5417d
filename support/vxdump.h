// The crash handler: an unhandled exception anywhere in the process is
// reported to the vendor's API endpoint, written as a minidump beside the
// executable and shown in a message box that closes by itself; then the
// process ends. The report and the box come from layers above this one: the
// program's entry hands them in as hooks.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

// Starts the crash report with the report's type name and returns at once
// (the report travels on a thread of its own).
typedef void (*VXDUMPREPORTPROC)(const wchar_t* lpszReportName);
// Tells the user and returns once the box has closed.
typedef void (*VXDUMPBOXPROC)();

class VX_API CvxDump {
public:
    // Installs the filter, keeping the one it replaces.
    CvxDump();
    // Puts the replaced filter back.
    ~CvxDump();
    CvxDump(const CvxDump&) = delete;
    CvxDump& operator=(const CvxDump&) = delete;

    // Stores the application name (at most 199 characters) and the report's
    // type name (at most 29: a longer one sends no report).
    void Install(const wchar_t* lpszAppName, const wchar_t* lpszReportName);
    // What the filter calls on a crash; a null hook leaves its step out.
    void SetHooks(VXDUMPREPORTPROC pfnReport, VXDUMPBOXPROC pfnBox);

private:
    // One crash per process: a second faulting thread waits until the
    // first one's handling has ended the process.
    static LONG WINAPI ExceptionFilter(EXCEPTION_POINTERS* pPointers);

    LPTOP_LEVEL_EXCEPTION_FILTER m_pfnPrevious;
    wchar_t m_szAppName[200];
    wchar_t m_szReportName[31];
    VXDUMPREPORTPROC m_pfnReport;
    VXDUMPBOXPROC m_pfnBox;
};

// The code of the exception an uncaught C++ exception is raised as, once the
// handler is installed, so that it takes the same path as a fault.
const DWORD VX_UNCAUGHT_CPP_EXCEPTION = 0xE0565843;

// The one handler, constructed (and so installed) on first use.
VX_API CvxDump& GetVxDump();
VX_CAPI void InstallDump(const wchar_t* lpszAppName, const wchar_t* lpszReportName);
