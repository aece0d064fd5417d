// Path building and the folders an uninstall must never remove.
#pragma once

#include "uninstall/pathresolve.h"

#include <windows.h>
#include <cstddef>
#include <string>
#include <vector>

// Joins up to three parts into a MAX_PATH buffer; false (and out empty) when
// the result would not fit.
bool JoinPath(wchar_t* out, size_t cap, const wchar_t* a, const wchar_t* b = nullptr,
              const wchar_t* c = nullptr);

template <size_t N>
bool JoinPath(wchar_t (&out)[N], const wchar_t* a, const wchar_t* b = nullptr,
              const wchar_t* c = nullptr) {
    return JoinPath(out, N, a, b, c);
}

// A string value of at most MAX_PATH characters in the given registry view
// (0 for the process's own), environment references expanded; "" when absent.
std::wstring RegText(HKEY root, const wchar_t* key, const wchar_t* value, REGSAM view = 0);

// The folders whose removal would take more than one product with it, each
// resolved: every user profile (those in the profile list and every folder
// in the profiles directory, Default and Public among them) with its
// well-known folders, the current user's shell folders, ProgramData, both
// Program Files folders and their Common Files (the 64-bit ones read from
// the registry's 64-bit view), the Windows, system and SysWOW64 folders.
class ProtectedFolders {
public:
    // Gathers the set as the machine has it now.
    ProtectedFolders();

    // True for a drive or share root, any of the folders above and anything
    // that contains one, and any path that cannot be resolved. A folder
    // below a protected one is not protected by that. dir is resolved
    // first; a trailing backslash does not matter.
    bool Covers(const wchar_t* dir) const;
    // The same for a path already resolved.
    bool CoversResolved(const std::wstring& dir) const;

private:
    void Add(const wchar_t* path);
    std::vector<std::wstring> m_folders;
};

// ProtectedFolders().Covers(dir), with the set gathered afresh.
bool isProtectedDir(const wchar_t* dir);

// True when path lies strictly below parent once both are resolved.
bool isStrictlyInside(const wchar_t* path, const wchar_t* parent);
