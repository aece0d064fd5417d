// What system this runs on: version, WOW64, UAC, battery and processor.
#include "util/vxutil.h"

#include "support/vxhandle.h"
#include "util/osname.h"

#include <cpuid.h>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

using vx::LookUp;

// GetVersionEx lies to programs without a compatibility manifest (Windows 10
// reports itself as 6.2); RtlGetVersion does not.
OSVERSIONINFOW QueryVersion() {
    OSVERSIONINFOW vi = {};
    vi.dwOSVersionInfoSize = sizeof(vi);
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = LookUp<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    if (rtlGetVersion && rtlGetVersion(&vi) == 0)
        return vi;
    if (!GetVersionExW(&vi))
        vi = {};
    return vi;
}

bool IsNtLaterThanXp(const OSVERSIONINFOW& vi) {
    return vi.dwPlatformId == VER_PLATFORM_WIN32_NT && vi.dwMajorVersion > 5;
}

} // namespace

namespace vx {

const wchar_t* OsNameFor(DWORD platform, DWORD major, DWORD minor) {
    if (platform == VER_PLATFORM_WIN32_NT) {
        if (major == 5)
            return minor == 0 ? L"Win2000" : L"XP";
        if (major == 6 && minor == 0)
            return L"Vista";
        if (major == 6 && minor == 1)
            return L"Win7";
        if (major >= 6)
            return L"Win8";
    } else if (platform == VER_PLATFORM_WIN32_WINDOWS) {
        if (major == 4)
            return minor < 90 ? L"9x" : L"Me";
        if (major > 4)
            return L"Me";
    }
    return L"XP";
}

} // namespace vx

int GetOsName(wchar_t* out) {
    if (!out)
        return 0;
    OSVERSIONINFOW vi = QueryVersion();
    const wchar_t* name = vx::OsNameFor(vi.dwPlatformId, vi.dwMajorVersion, vi.dwMinorVersion);
    wcsncpy(out, name, MAX_PATH - 1);
    out[MAX_PATH - 1] = L'\0';
    return 1;
}

int isWin7(void) {
    return IsNtLaterThanXp(QueryVersion()) ? 1 : 0;
}

int isWin8(void) {
    OSVERSIONINFOW vi = QueryVersion();
    return IsNtLaterThanXp(vi) && (vi.dwMajorVersion > 6 || vi.dwMinorVersion > 1) ? 1 : 0;
}

void DisableFsRedirection(void** saved) {
    using DisableFn = BOOL(WINAPI*)(void**);
    if (!saved || !isWow64())
        return;
    auto disable = LookUp<DisableFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
    if (disable)
        disable(saved);
}

void RevertFsRedirection(void** saved) {
    using RevertFn = BOOL(WINAPI*)(void*);
    if (!saved || !isWow64())
        return;
    auto revert = LookUp<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
    if (revert)
        revert(*saved);
}

int isEnableUAC(void) {
    if (QueryVersion().dwMajorVersion <= 5)
        return 0;
    // The 64-bit view: a 32-bit build must read the system's own policy.
    vx::unique_hkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegQueryValueExW(key.get(), L"EnableLUA", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
        return 0;
    return type == REG_DWORD && size == sizeof(value) && value == 1 ? 1 : 0;
}

int isNotebook(void) {
    SYSTEM_POWER_STATUS status = {};
    // 255 means the battery is unknown: no battery.
    return GetSystemPowerStatus(&status) && status.BatteryLifePercent <= 100 ? 1 : 0;
}

void GetCPUID(char* out) {
    if (!out)
        return;
    out[0] = '\0';
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx))
        return;
    char vendor[13];
    memcpy(vendor, &ebx, 4);
    memcpy(vendor + 4, &edx, 4);
    memcpy(vendor + 8, &ecx, 4);
    vendor[12] = '\0';
    unsigned int features = 0;
    __get_cpuid(1, &eax, &ebx, &ecx, &features);
    _snprintf(out, MAX_PATH, "%s%d", vendor, static_cast<int>(features));
    out[MAX_PATH - 1] = '\0';
}
