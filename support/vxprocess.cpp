#include "support/vxprocess.h"

#include <cwchar>

void GetCurPath(wchar_t* out) {
    if (!out)
        return;
    DWORD n = GetModuleFileNameW(nullptr, out, MAX_PATH);
    // A path that filled the buffer may have been cut short: no folder at all
    // is safer than the wrong one.
    if (n == 0 || n >= MAX_PATH) {
        out[0] = L'\0';
        return;
    }
    if (wchar_t* slash = wcsrchr(out, L'\\'))
        slash[1] = L'\0';
}

int isWow64(void) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
    auto isWow64Process = vx::LookUp<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64 ? 1 : 0;
}
