// What the services need to know of their own process: the executable's
// folder and whether it runs under WOW64. Part of the system utility
// functions (util/vxutil.h), kept here because the log, the network, the
// registry and the zlib loader below them ask it.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

// The executable's directory ending in a backslash, into out (MAX_PATH
// characters); empty when the path did not fit.
VX_CAPI void GetCurPath(wchar_t* out);
// 1 for a 32-bit process on 64-bit Windows.
VX_CAPI int isWow64(void);

namespace vx {

// An export of a module the process has loaded, as type Fn; null when either
// is not there (functions newer systems added are looked up, not imported).
template <typename Fn> Fn LookUp(const wchar_t* module, const char* name) {
    HMODULE h = GetModuleHandleW(module);
    FARPROC p = h ? GetProcAddress(h, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(p));
}

} // namespace vx
