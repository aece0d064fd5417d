#include "uninstall/pathguard.h"

#include "support/vxhandle.h"

#include <knownfolders.h>
#include <shlobj.h>
#include <cwchar>

namespace {

bool isRoot(const std::wstring& p) {
    if (p.size() == 2 && p[1] == L':')
        return true;
    // "\\server\share"
    return p.size() > 2 && p[0] == L'\\' && p[1] == L'\\' &&
           p.find(L'\\', p.find(L'\\', 2) + 1) == std::wstring::npos;
}

const int kShellFolders[] = {
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
    CSIDL_MYPICTURES,
    CSIDL_MYMUSIC,
    CSIDL_MYVIDEO,
    CSIDL_COMMON_PICTURES,
    CSIDL_COMMON_MUSIC,
    CSIDL_COMMON_VIDEO,
    CSIDL_FAVORITES,
    CSIDL_TEMPLATES,
    CSIDL_COMMON_TEMPLATES,
    CSIDL_FONTS,
    CSIDL_RESOURCES,
    CSIDL_SENDTO,
    CSIDL_RECENT,
    CSIDL_INTERNET_CACHE,
    CSIDL_COOKIES,
    CSIDL_HISTORY,
    CSIDL_ADMINTOOLS,
    CSIDL_COMMON_ADMINTOOLS,
};

// The well-known folders inside every profile, as a profile lays them out
// (the deepest ones: their parents are covered as their ancestors).
const wchar_t* const kProfileFolders[] = {
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
    L"AppData\\Local\\Microsoft\\Windows",
    L"AppData\\Local\\Temp",
    L"AppData\\LocalLow",
    L"Desktop",
    L"Documents",
    L"Downloads",
    L"Music",
    L"Pictures",
    L"Videos",
    L"Favorites",
    L"Links",
    L"Saved Games",
    L"Contacts",
    L"Searches",
    L"Templates",
    L"OneDrive",
    // Public's own names and the older profile layout.
    L"Public Desktop",
    L"Public Documents",
    L"Public Downloads",
    L"Public Music",
    L"Public Pictures",
    L"Public Videos",
    L"My Documents",
    L"Application Data",
    L"Local Settings",
    L"Start Menu\\Programs\\Startup",
};

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

} // namespace

std::wstring RegText(HKEY root, const wchar_t* key, const wchar_t* value, REGSAM view) {
    vx::unique_hkey h;
    if (RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE | view, h.put()) != ERROR_SUCCESS)
        return L"";
    wchar_t raw[MAX_PATH] = {};
    DWORD type = 0, size = sizeof(raw) - sizeof(wchar_t);
    if (RegQueryValueExW(h.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(raw), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return L"";
    raw[size / sizeof(wchar_t)] = L'\0';
    wchar_t expanded[MAX_PATH];
    DWORD n = ExpandEnvironmentStringsW(raw, expanded, MAX_PATH);
    return n > 0 && n <= MAX_PATH ? expanded : L"";
}

namespace {

// The profile folders the profile list names, and the profiles directory.
std::vector<std::wstring> ListedProfiles(std::wstring& profilesDir) {
    std::vector<std::wstring> out;
    profilesDir = RegText(HKEY_LOCAL_MACHINE, kProfileList, L"ProfilesDirectory");
    for (const wchar_t* v : {L"Default", L"Public", L"AllUsersProfile"}) {
        std::wstring p = RegText(HKEY_LOCAL_MACHINE, kProfileList, v);
        // AllUsersProfile is a bare name inside the profiles directory, and
        // where a value is missing its folder has its usual name there.
        if (p.empty() && wcscmp(v, L"AllUsersProfile") != 0)
            p = v;
        if (!p.empty() && !isFullyQualified(p.c_str()) && !profilesDir.empty())
            p = profilesDir + L"\\" + p;
        out.push_back(p);
    }
    vx::unique_hkey list;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_ENUMERATE_SUB_KEYS, list.put()) !=
        ERROR_SUCCESS)
        return out;
    wchar_t sid[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = static_cast<DWORD>(std::size(sid));
        if (RegEnumKeyExW(list.get(), i, sid, &n, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        std::wstring key = std::wstring(kProfileList) + L"\\" + sid;
        out.push_back(RegText(HKEY_LOCAL_MACHINE, key.c_str(), L"ProfileImagePath"));
    }
    return out;
}

} // namespace

ProtectedFolders::ProtectedFolders() {
    wchar_t folder[MAX_PATH];
    for (int csidl : kShellFolders) {
        folder[0] = L'\0';
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
            Add(folder);
    }
    PWSTR known = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, KF_FLAG_DONT_VERIFY, nullptr, &known)))
        Add(known);
    CoTaskMemFree(known);

    // The 64-bit folders from the 64-bit view: a 32-bit process's environment
    // and shell folders show it only the 32-bit ones.
    for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_WOW64_32KEY)})
        for (const wchar_t* v : {L"ProgramFilesDir", L"CommonFilesDir", L"ProgramFilesDir (x86)",
                                 L"CommonFilesDir (x86)", L"ProgramW6432Dir", L"CommonW6432Dir"})
            Add(RegText(HKEY_LOCAL_MACHINE, kCurrentVersion, v, view).c_str());
    for (const wchar_t* var : {L"ProgramW6432", L"CommonProgramW6432", L"SystemRoot",
                               L"ProgramData", L"Public", L"ALLUSERSPROFILE"}) {
        DWORD n = GetEnvironmentVariableW(var, folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            Add(folder);
    }
    UINT n = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        Add(folder);
        Add((std::wstring(folder) + L"\\System32").c_str());
        Add((std::wstring(folder) + L"\\SysWOW64").c_str());
    }

    // Every profile: those listed, and every folder in the profiles
    // directory, whoever it belongs to.
    std::wstring profilesDir;
    std::vector<std::wstring> profiles = ListedProfiles(profilesDir);
    std::wstring resolvedDir;
    if (!profilesDir.empty() && ResolvePath(profilesDir.c_str(), resolvedDir)) {
        WIN32_FIND_DATAW fd;
        vx::unique_hfind find(FindFirstFileW((resolvedDir + L"\\*").c_str(), &fd));
        if (find) {
            do {
                if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
                    profiles.push_back(resolvedDir + L"\\" + fd.cFileName);
            } while (FindNextFileW(find.get(), &fd));
        }
    }
    for (const std::wstring& profile : profiles) {
        std::wstring resolved;
        if (profile.empty() || !ResolvePath(profile.c_str(), resolved))
            continue;
        // The names inside are written as the profile lays them out.
        for (const wchar_t* rel : kProfileFolders)
            m_folders.push_back(resolved + L"\\" + rel);
        m_folders.push_back(std::move(resolved));
    }
}

void ProtectedFolders::Add(const wchar_t* path) {
    std::wstring r;
    if (path && *path && ResolvePath(path, r))
        m_folders.push_back(std::move(r));
}

bool ProtectedFolders::Covers(const wchar_t* dir) const {
    std::wstring d;
    return !ResolvePath(dir, d) || CoversResolved(d);
}

bool ProtectedFolders::CoversResolved(const std::wstring& d) const {
    if (isRoot(d))
        return true;
    for (const std::wstring& f : m_folders)
        if (isEqualOrAncestor(d, f))
            return true;
    return false;
}

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

bool isProtectedDir(const wchar_t* dir) {
    return ProtectedFolders().Covers(dir);
}

bool isStrictlyInside(const wchar_t* path, const wchar_t* parent) {
    std::wstring p, q;
    if (!ResolvePath(path, p) || !ResolvePath(parent, q))
        return false;
    return p.size() > q.size() && isEqualOrAncestor(q, p);
}
