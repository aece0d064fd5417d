#include "uninstall/pathresolve.h"

#include <cwchar>
#include <vector>

namespace {

bool isSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

} // namespace

// With the "\\?\" and "\\?\UNC\" forms written as ordinary paths.
bool HandlePath(HANDLE h, std::wstring& out) {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return false;
        if (n < buf.size()) {
            out.assign(buf.data(), n);
            break;
        }
        buf.resize(n + 1);
    }
    if (out.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        out.erase(2, 6);
    else if (out.compare(0, 4, L"\\\\?\\") == 0)
        out.erase(0, 4);
    while (!out.empty() && out.back() == L'\\')
        out.pop_back();
    return !out.empty();
}

namespace {

// This machine by any of the names a share path may use for it.
bool isThisMachine(const std::wstring& host) {
    for (const wchar_t* loop : {L"localhost", L"::1", L"[::1]", L"0--1.ipv6-literal.net"})
        if (isSameText(host, loop))
            return true;
    if (host.compare(0, 4, L"127.") == 0)
        return true;
    for (COMPUTER_NAME_FORMAT f :
         {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
        wchar_t name[256];
        DWORD n = static_cast<DWORD>(std::size(name));
        if (GetComputerNameExW(f, name, &n) && n > 0 && isSameText(host, name))
            return true;
    }
    return false;
}

// A path split into its root ("C:" or "\\server\share") and its components,
// each without trailing dots and spaces (which the file system drops).
struct SplitPath {
    std::wstring root;
    std::vector<std::wstring> parts;
};

bool Split(const wchar_t* in, SplitPath& sp) {
    if (!isFullyQualified(in))
        return false;
    DWORD need = GetFullPathNameW(in, 0, nullptr, nullptr);
    if (need == 0)
        return false;
    std::vector<wchar_t> buf(need + 1);
    DWORD n = GetFullPathNameW(in, need + 1, buf.data(), nullptr);
    if (n == 0 || n > need)
        return false;
    std::wstring full(buf.data(), n);

    size_t pos;
    if (full.size() >= 2 && full[1] == L':') {
        sp.root = {static_cast<wchar_t>(towupper(full[0])), L':'};
        pos = 2;
    } else {
        // "\\server\share"
        size_t server = full.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2)
            return false;
        size_t share = full.find(L'\\', server + 1);
        if (share == std::wstring::npos)
            share = full.size();
        std::wstring host = full.substr(2, server - 2),
                     name = full.substr(server + 1, share - server - 1);
        if (name.empty())
            return false;
        if (isThisMachine(host)) {
            // Only an administrative share says which folder it is.
            if (name.size() != 2 || name[1] != L'$' || !iswalpha(name[0]))
                return false;
            sp.root = {static_cast<wchar_t>(towupper(name[0])), L':'};
        } else {
            sp.root = L"\\\\" + host + L"\\" + name;
        }
        pos = share;
    }
    sp.parts.clear();
    while (pos < full.size()) {
        while (pos < full.size() && isSlash(full[pos]))
            ++pos;
        size_t end = pos;
        while (end < full.size() && !isSlash(full[end]))
            ++end;
        std::wstring part = full.substr(pos, end - pos);
        while (!part.empty() && (part.back() == L'.' || part.back() == L' '))
            part.pop_back();
        // Wildcards would match other names; a colon names a stream.
        if (part.find_first_of(L"*?<>\":|") != std::wstring::npos)
            return false;
        if (!part.empty())
            sp.parts.push_back(part);
        pos = end;
    }
    return true;
}

std::wstring Join(const std::wstring& root, const std::vector<std::wstring>& parts, size_t n) {
    std::wstring p = root;
    for (size_t i = 0; i < n; ++i)
        p += L"\\" + parts[i];
    return p;
}

// The first n components resolved through a handle on their longest
// existing prefix (links followed); the rest appended as written.
std::wstring ResolveAncestors(const SplitPath& sp, size_t n) {
    for (size_t i = n; i > 0; --i) {
        std::wstring prefix = Join(sp.root, sp.parts, i);
        vx::unique_hfile h(CreateFileW(prefix.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr));
        std::wstring real;
        if (h && HandlePath(h.get(), real)) {
            for (size_t j = i; j < n; ++j)
                real += L"\\" + sp.parts[j];
            return real;
        }
    }
    return Join(sp.root, sp.parts, n);
}

// Without the Sysnative mapping.
bool ResolveAsIs(const wchar_t* in, std::wstring& out) {
    SplitPath sp;
    if (!in || !Split(in, sp))
        return false;
    if (sp.parts.empty()) {
        out = sp.root;
        return true;
    }
    out = ResolveAncestors(sp, sp.parts.size() - 1);
    // The last component as its folder lists it (a short name becomes the
    // long one); a link there is not followed.
    std::wstring path = out + L"\\" + sp.parts.back();
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find(FindFirstFileW(path.c_str(), &fd));
    out += L"\\";
    out += find ? fd.cFileName : sp.parts.back();
    return true;
}

} // namespace

bool isFullyQualified(const wchar_t* p) {
    if (!p)
        return false;
    if (iswalpha(p[0]) && p[0] < 0x80 && p[1] == L':' && isSlash(p[2]))
        return true;
    // UNC: "\\server\share"; "\\?\" and "\\.\" are device namespaces.
    return p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\0' && p[2] != L'?' && p[2] != L'.' &&
           !isSlash(p[2]);
}

bool ResolvePath(const wchar_t* in, std::wstring& out) {
    if (!ResolveAsIs(in, out))
        return false;
    // Where the system folder is seen through "Sysnative" (a 32-bit process's
    // window on the real one) it is the system folder all the same.
    static const std::wstring windows = [] {
        wchar_t win[MAX_PATH];
        UINT n = GetSystemWindowsDirectoryW(win, MAX_PATH);
        std::wstring r;
        return n > 0 && n < MAX_PATH && ResolveAsIs(win, r) ? r : std::wstring();
    }();
    if (windows.empty())
        return true;
    std::wstring sysnative = windows + L"\\Sysnative";
    if (isEqualOrAncestor(sysnative, out))
        out.replace(0, sysnative.size(), windows + L"\\System32");
    return true;
}

bool isSamePath(const wchar_t* a, const wchar_t* b) {
    std::wstring ra, rb;
    return ResolvePath(a, ra) && ResolvePath(b, rb) && isSameText(ra, rb);
}

bool isHandleNamed(HANDLE h, const std::wstring& path) {
    std::wstring real;
    if (HandlePath(h, real))
        return isSameText(real, path);
    // Some systems give no full name past MAX_PATH; the name within the
    // volume the path was opened on says the same.
    if (path.size() < 3 || path[1] != L':')
        return false;
    std::vector<DWORD> buf((sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t)) / sizeof(DWORD));
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buf.data());
    if (!GetFileInformationByHandleEx(h, FileNameInfo, info, static_cast<DWORD>(buf.size() * 4)))
        return false;
    return isSameText(std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t)),
                      path.substr(2));
}

std::wstring LongPath(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC" + path.substr(1);
    return L"\\\\?\\" + path;
}

NodeKind OpenNode(const std::wstring& path, tagNodeHandle* out, bool asFolder,
                  const DWORD* listed) {
    if (out)
        *out = tagNodeHandle();
    const std::wstring longPath = LongPath(path);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (asFolder ? 0 : FILE_SHARE_DELETE);
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    // A folder is only held: a handle with delete access on it would keep
    // its own listing from being opened.
    bool deletable = !asFolder;
    vx::unique_hfile h;
    if (deletable)
        h.reset(CreateFileW(longPath.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                            share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!h) {
        deletable = false;
        h.reset(CreateFileW(longPath.c_str(), FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                            flags, nullptr));
    }
    if (!h) {
        DWORD attrs = GetFileAttributesW(longPath.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES)
            return NodeKind::Missing;
        if (attrs & FILE_ATTRIBUTE_REPARSE_POINT)
            return NodeKind::Link;
        // A file another program holds is still a file; a folder that cannot
        // be held is not walked.
        return (attrs & FILE_ATTRIBUTE_DIRECTORY) ? NodeKind::Unchecked : NodeKind::File;
    }
    FILE_BASIC_INFO info;
    if (listed && !asFolder)
        info.FileAttributes = *listed;
    else if (!GetFileInformationByHandleEx(h.get(), FileBasicInfo, &info, sizeof(info)))
        return NodeKind::Unchecked;
    // That handle is on what the link points to: it goes nowhere.
    if (!isHandleNamed(h.get(), path))
        return NodeKind::FollowedLink;
    NodeKind kind = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? NodeKind::Link
                    : (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)   ? NodeKind::Folder
                                                                         : NodeKind::File;
    if (out) {
        out->handle = std::move(h);
        out->deletable = deletable;
    }
    return kind;
}

bool isSameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool isEqualOrAncestor(const std::wstring& a, const std::wstring& b) {
    if (a.size() > b.size() ||
        CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                             static_cast<int>(a.size()), TRUE) != CSTR_EQUAL)
        return false;
    return a.size() == b.size() || b[a.size()] == L'\\';
}
