// Registry helper: one string value read or written in a chosen registry
// view, the start-with-Windows entry, and a change monitor on a thread.
#pragma once

#include "support/vxapi.h"
#include "support/vxthread.h"

#include <windows.h>
#include <atomic>

typedef void (*VXREGCALLBACK)(void* lpContext);

class CVxReg;

// A monitor's request, made by StartMonitor and freed by its thread.
struct tagMonitorReq {
    HKEY hKey;
    wchar_t szPath[300];
    int nUse64;
    VXREGCALLBACK pfnCallback;
    void* lpContext;
    CVxReg* pOwner;
};

// nUse64 in every call: non-zero reads the 64-bit view; zero the 32-bit view
// in a WOW64 process and the native view otherwise.
class VX_API CVxReg {
public:
    static CVxReg& Instance();

    // Reads any value of up to 260 characters into out (261 characters) as
    // terminated text. 1 on success; out is untouched on failure.
    int GetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
                   wchar_t* out);
    // Writes a REG_SZ into an existing key. 1 on success.
    int SetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
                   const wchar_t* lpszValue);
    // Adds (the running exe when lpszPath is null) or removes a value of
    // HKLM\...\CurrentVersion\Run. Removing a missing value succeeds.
    int SetAutoRun(const wchar_t* lpszName, int nEnable, const wchar_t* lpszPath);

    // Watches the key's subtree on the calling thread, calling pfn(lpContext)
    // on each change, until StopMonitor. 1 after a stop, 0 if it could not start.
    int MonitorReg(HKEY hKey, const wchar_t* lpszPath, int nUse64, VXREGCALLBACK pfn,
                   void* lpContext);
    // Runs MonitorReg on a new detached thread; clears the stop flag.
    void StartMonitor(HKEY hKey, const wchar_t* lpszPath, int nUse64, VXREGCALLBACK pfn,
                      void* lpContext);
    static unsigned __stdcall MonitorThread(void* lpParam);
    // Every monitor ends within 500 ms; does not wait for them.
    void StopMonitor();

    // Monitor threads currently inside MonitorReg.
    int GetRunningMonitors() const { return m_nRunning; }

private:
    CVxReg();

    std::atomic<int> m_nStop;
    std::atomic<int> m_nRunning;
    CLock m_lock;
};

VX_CAPI int GetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
                       wchar_t* out);
VX_CAPI int SetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
                       const wchar_t* lpszValue);
VX_CAPI int SetAutoRun(const wchar_t* lpszName, int nEnable, const wchar_t* lpszPath);
VX_CAPI void StartMonitor(HKEY hKey, const wchar_t* lpszPath, int nUse64, VXREGCALLBACK pfn,
                          void* lpContext);
VX_CAPI void StopMonitor(void);
