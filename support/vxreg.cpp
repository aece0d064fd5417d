#include "support/vxreg.h"

#include "support/vxhandle.h"
#include "support/vxprocess.h"
#include "support/vxtext.h"

#include <process.h>
#include <cstring>
#include <iterator>
#include <new>

namespace {

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

REGSAM ViewFlag(int nUse64) {
    if (nUse64)
        return KEY_WOW64_64KEY;
    return isWow64() ? KEY_WOW64_32KEY : 0;
}

vx::unique_hkey OpenKey(HKEY hKey, const wchar_t* path, REGSAM access) {
    vx::unique_hkey key;
    if (!path || RegOpenKeyExW(hKey, path, 0, access, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

} // namespace

CVxReg::CVxReg() : m_nStop(0), m_nRunning(0) {}

CVxReg& CVxReg::Instance() {
    static CVxReg reg;
    return reg;
}

int CVxReg::GetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
                       wchar_t* out) {
    if (!out)
        return 0;
    vx::unique_hkey key = OpenKey(hKey, lpszPath, KEY_ALL_ACCESS | ViewFlag(nUse64));
    if (!key)
        return 0;
    // Room for 260 characters and the terminator a string value is stored
    // with, and one cleared character more, so that data of any type ends
    // in a terminator; text longer than 260 characters is not read.
    wchar_t buf[MAX_PATH + 2] = {};
    DWORD cb = (MAX_PATH + 1) * sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), lpszName, nullptr, nullptr, reinterpret_cast<BYTE*>(buf),
                         &cb) != ERROR_SUCCESS ||
        wcslen(buf) > MAX_PATH)
        return 0;
    vx::CopyBounded(out, buf, MAX_PATH);
    return 1;
}

int CVxReg::SetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
                       const wchar_t* lpszValue) {
    if (!lpszValue)
        return 0;
    vx::unique_hkey key = OpenKey(hKey, lpszPath, KEY_ALL_ACCESS | ViewFlag(nUse64));
    if (!key)
        return 0;
    DWORD cb = static_cast<DWORD>((wcslen(lpszValue) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), lpszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue),
                          cb) == ERROR_SUCCESS;
}

int CVxReg::SetAutoRun(const wchar_t* lpszName, int nEnable, const wchar_t* lpszPath) {
    vx::unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS);
    if (!key)
        return 0;
    if (!nEnable) {
        RegDeleteValueW(key.get(), lpszName);
        return 1;
    }
    wchar_t command[MAX_PATH] = {};
    if (lpszPath) {
        vx::CopyBounded(command, lpszPath, MAX_PATH - 1);
    } else {
        DWORD n = GetModuleFileNameW(nullptr, command, MAX_PATH);
        // A path cut short would start some other program.
        if (n == 0 || n >= MAX_PATH)
            return 0;
    }
    DWORD cb = static_cast<DWORD>(wcslen(command) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), lpszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                          cb) == ERROR_SUCCESS;
}

int CVxReg::MonitorReg(HKEY hKey, const wchar_t* lpszPath, int nUse64, VXREGCALLBACK pfn,
                       void* lpContext) {
    vx::unique_handle event(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!event)
        return 0;
    vx::unique_hkey key = OpenKey(hKey, lpszPath, KEY_NOTIFY | ViewFlag(nUse64));
    if (!key)
        return 0;
    if (RegNotifyChangeKeyValue(key.get(), TRUE, REG_NOTIFY_CHANGE_NAME, event.get(), TRUE) !=
        ERROR_SUCCESS)
        return 0;
    while (!m_nStop) {
        if (WaitForSingleObject(event.get(), 500) != WAIT_OBJECT_0)
            continue;
        if (pfn)
            pfn(lpContext);
        ResetEvent(event.get());
        RegNotifyChangeKeyValue(key.get(), TRUE,
                                REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event.get(),
                                TRUE);
    }
    return 1;
}

void CVxReg::StartMonitor(HKEY hKey, const wchar_t* lpszPath, int nUse64, VXREGCALLBACK pfn,
                          void* lpContext) {
    auto* req = new (std::nothrow) tagMonitorReq();
    if (!req)
        return;
    req->hKey = hKey;
    vx::CopyBounded(req->szPath, lpszPath ? lpszPath : L"", std::size(req->szPath) - 1);
    req->nUse64 = nUse64;
    req->pfnCallback = pfn;
    req->lpContext = lpContext;
    req->pOwner = this;
    m_nStop = 0;
    HANDLE h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, MonitorThread, req, 0, nullptr));
    if (h)
        CloseHandle(h);
    else
        delete req;
}

unsigned __stdcall CVxReg::MonitorThread(void* lpParam) {
    auto* req = static_cast<tagMonitorReq*>(lpParam);
    if (!req)
        return 1;
    CVxReg* self = req->pOwner;
    // Only a monitor that was counted in is counted out again.
    bool counted = self->m_lock.Lock(1000);
    if (counted) {
        ++self->m_nRunning;
        self->m_lock.Unlock();
    }
    self->MonitorReg(req->hKey, req->szPath, req->nUse64, req->pfnCallback, req->lpContext);
    delete req;
    if (counted) {
        bool locked = self->m_lock.Lock(1000);
        --self->m_nRunning;
        if (locked)
            self->m_lock.Unlock();
    }
    return 0;
}

void CVxReg::StopMonitor() {
    m_nStop = 1;
}

int GetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
               wchar_t* out) {
    return CVxReg::Instance().GetRegInfo(hKey, lpszPath, lpszName, nUse64, out);
}

int SetRegInfo(HKEY hKey, const wchar_t* lpszPath, const wchar_t* lpszName, int nUse64,
               const wchar_t* lpszValue) {
    return CVxReg::Instance().SetRegInfo(hKey, lpszPath, lpszName, nUse64, lpszValue);
}

int SetAutoRun(const wchar_t* lpszName, int nEnable, const wchar_t* lpszPath) {
    return CVxReg::Instance().SetAutoRun(lpszName, nEnable, lpszPath);
}

void StartMonitor(HKEY hKey, const wchar_t* lpszPath, int nUse64, VXREGCALLBACK pfn,
                  void* lpContext) {
    CVxReg::Instance().StartMonitor(hKey, lpszPath, nUse64, pfn, lpContext);
}

void StopMonitor() {
    CVxReg::Instance().StopMonitor();
}
