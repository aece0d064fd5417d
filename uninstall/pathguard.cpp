#include "uninstall/pathguard.h"

#include <shlobj.h>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

// Absolute form without trailing backslashes ("C:" for a drive root).
bool Normalize(const wchar_t* in, std::wstring& out) {
    if (!in || !isFullyQualified(in))
        return false;
    wchar_t buf[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(in, static_cast<DWORD>(std::size(buf)), buf, nullptr);
    if (n == 0 || n >= std::size(buf))
        return false;
    out.assign(buf, n);
    while (!out.empty() && (out.back() == L'\\' || out.back() == L'/'))
        out.pop_back();
    return !out.empty();
}

bool SameText(const wchar_t* a, size_t na, const wchar_t* b, size_t nb) {
    return CompareStringOrdinal(a, static_cast<int>(na), b, static_cast<int>(nb), TRUE) ==
           CSTR_EQUAL;
}

// True when a equals b or contains it (a is b or one of b's ancestors).
bool EqualOrAncestor(const std::wstring& a, const std::wstring& b) {
    if (a.size() > b.size() || !SameText(a.c_str(), a.size(), b.c_str(), a.size()))
        return false;
    return a.size() == b.size() || b[a.size()] == L'\\';
}

bool isRoot(const std::wstring& p) {
    if (p.size() == 2 && p[1] == L':')
        return true;
    if (p.size() > 2 && p[0] == L'\\' && p[1] == L'\\') {
        // "\\server" or "\\server\share"
        size_t slash = p.find(L'\\', 2);
        return slash == std::wstring::npos || p.find(L'\\', slash + 1) == std::wstring::npos;
    }
    return false;
}

const int kProtectedFolders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_STARTUP,
    CSIDL_COMMON_STARTUP,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_COMMON_APPDATA,
    CSIDL_PERSONAL,
    CSIDL_COMMON_DOCUMENTS,
};

bool CoversFolder(const std::wstring& dir, const wchar_t* folder) {
    std::wstring f;
    return Normalize(folder, f) && EqualOrAncestor(dir, f);
}

} // namespace

bool JoinPath(wchar_t* out, size_t cap, const wchar_t* a, const wchar_t* b, const wchar_t* c) {
    if (cap == 0)
        return false;
    size_t len = 0;
    for (const wchar_t* part : {a, b, c}) {
        if (!part)
            continue;
        size_t n = wcslen(part);
        if (n >= cap - len) {
            out[0] = L'\0';
            return false;
        }
        wmemcpy(out + len, part, n);
        len += n;
    }
    out[len] = L'\0';
    return true;
}

bool isFullyQualified(const wchar_t* p) {
    if (!p)
        return false;
    if (((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) && p[1] == L':' &&
        p[2] == L'\\')
        return true;
    // UNC: "\\server\share"; "\\?\" and "\\.\" are device namespaces.
    return p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\0' && p[2] != L'?' && p[2] != L'.' &&
           p[2] != L'\\';
}

bool isProtectedDir(const wchar_t* dir) {
    std::wstring d;
    if (!Normalize(dir, d) || isRoot(d))
        return true;
    wchar_t folder[MAX_PATH];
    for (int csidl : kProtectedFolders) {
        folder[0] = L'\0';
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
            CoversFolder(d, folder))
            return true;
    }
    // A 32-bit process sees "Program Files (x86)" above; the 64-bit one is here.
    for (const wchar_t* var : {L"ProgramW6432", L"CommonProgramW6432", L"SystemRoot"}) {
        DWORD n = GetEnvironmentVariableW(var, folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH && CoversFolder(d, folder))
            return true;
    }
    return false;
}

bool isStrictlyInside(const wchar_t* path, const wchar_t* parent) {
    std::wstring p, q;
    if (!Normalize(path, p) || !Normalize(parent, q))
        return false;
    return p.size() > q.size() && EqualOrAncestor(q, p);
}
