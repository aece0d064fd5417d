// The short Windows name the library reports for a version.
#pragma once

#include <windows.h>

namespace vx {

// "Win2000", "XP", "Vista", "Win7", "Win8", "9x" or "Me" for a platform id
// (VER_PLATFORM_WIN32_*) and version; every later NT version is "Win8".
const wchar_t* OsNameFor(DWORD platform, DWORD major, DWORD minor);

} // namespace vx
