// Path building and the folders an uninstall must never remove.
#pragma once

#include <windows.h>
#include <cstddef>

// Joins up to three parts into a MAX_PATH buffer; false (and out empty) when
// the result would not fit.
bool JoinPath(wchar_t* out, size_t cap, const wchar_t* a, const wchar_t* b = nullptr,
              const wchar_t* c = nullptr);

template <size_t N>
bool JoinPath(wchar_t (&out)[N], const wchar_t* a, const wchar_t* b = nullptr,
              const wchar_t* c = nullptr) {
    return JoinPath(out, N, a, b, c);
}

// "X:\..." or "\\server\share\..."; relative, drive-relative and device
// ("\\?\", "\\.\") paths are not.
bool isFullyQualified(const wchar_t* path);

// A folder whose removal would take more than one product with it: a drive
// or share root, the Windows or system folder, a Program Files folder, a
// user profile, the desktop, Start-menu, Programs, application-data or
// documents folders, anything that contains one of those, and any path that
// is not fully qualified. A trailing backslash does not matter.
bool isProtectedDir(const wchar_t* dir);

// True when path lies strictly below parent once both are made absolute.
bool isStrictlyInside(const wchar_t* path, const wchar_t* parent);
