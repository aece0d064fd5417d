// Diagnostic log: time-stamped lines in a dated file beside the executable
// when HKLM\SOFTWARE\Tarnvel "debug" is "1" (or logging is forced), and a
// shared-memory channel another process can read.
#pragma once

#include "support/vxapi.h"

#include <windows.h>
#include <atomic>

class VX_API CVxLog {
public:
    static CVxLog& Instance();

    // While on, the file log is written whatever the registry says.
    void ForceLog(bool bOn);
    // Creates the page-file-backed mapping the shared-memory lines go to.
    void SetMemName(const wchar_t* lpszName, int nSize);

    // One line to the day's file, if logging is on.
    void WriteLog(const wchar_t* lpszText);
    // The same with printf-style formatting (at most 1,023 characters).
    void WriteLog2(const wchar_t* lpszFormat, ...);
    // One formatted line to the shared-memory block, whatever the switch.
    void WriteLog3(const wchar_t* lpszFormat, ...);

    // The next write position in the block, in characters.
    int GetMemOffset() const;

private:
    CVxLog();
    ~CVxLog();
    CVxLog(const CVxLog&) = delete;
    CVxLog& operator=(const CVxLog&) = delete;

    bool isLog();
    void GetLogFileName(wchar_t* out);

    std::atomic<bool> m_bForce;
    wchar_t m_szMemName[MAX_PATH];
    HANDLE m_hMem;
    int m_nMemOffset;
    // The block's size in characters, from SetMemName.
    int m_nMemChars;
    // Serialises WriteLog3, so lines neither interleave nor race for the offset.
    mutable SRWLOCK m_memLock;
};

VX_CAPI void WriteLog(const wchar_t* lpszText);
