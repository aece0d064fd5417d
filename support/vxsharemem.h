// Named shared memory: a page-file mapping other processes open by name, as
// the log's shared-memory copy uses it. Part of the system utility functions
// (util/vxutil.h), kept here because the log below them writes through it.
// Names and buffers follow that family's rules: 260 characters unless a
// size is passed, 1 for success and 0 for failure.
#pragma once

#include "support/vxapi.h"

#include <windows.h>

VX_CAPI HANDLE CreateShareMem(const wchar_t* name, DWORD size);
VX_CAPI int isExistsShareMem(const wchar_t* name);
VX_CAPI int ReadShareMem(const wchar_t* name, wchar_t* out);
VX_CAPI int WriteShareMem(const wchar_t* name, const wchar_t* text, DWORD charOffset);
VX_CAPI int ReadShareMem2(const wchar_t* name, void* dest, DWORD length, DWORD byteOffset);
VX_CAPI int WriteShareMem2(const wchar_t* name, const void* src, DWORD length, DWORD byteOffset);
