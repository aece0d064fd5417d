#include "tests/support/testutil.h"

#include "uninstall/uninstaller.h"

#include <shlobj.h>
#include <winioctl.h>
#include <cwchar>

namespace vxtest {

namespace {

bool UnderScratchRoot(const std::wstring& p) {
    size_t n = wcslen(kScratchRoot);
    return p.size() > n && _wcsnicmp(p.c_str(), kScratchRoot, n) == 0 &&
           p.find(L"..") == std::wstring::npos;
}

} // namespace

ScratchDir::ScratchDir(const std::wstring& name) {
    static std::atomic<int> counter{0};
    wchar_t buf[MAX_PATH];
    _snwprintf(buf, MAX_PATH, L"%ls%ls-%lu-%d\\", kScratchRoot, name.c_str(), GetCurrentProcessId(),
               counter++);
    buf[MAX_PATH - 1] = L'\0';
    m_path = buf;
    RemoveScratchTree(m_path);
    MakeDirs(m_path);
}

ScratchDir::~ScratchDir() {
    RemoveScratchTree(m_path);
}

void RemoveScratchTree(const std::wstring& dirIn) {
    // Extended-length names, for trees deeper than MAX_PATH.
    const bool isLong = dirIn.compare(0, 4, L"\\\\?\\") == 0;
    if (!UnderScratchRoot(isLong ? dirIn.substr(4) : dirIn))
        return;
    std::wstring dir = (isLong ? L"" : L"\\\\?\\") + dirIn;
    if (dir.back() != L'\\')
        dir += L'\\';
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find(FindFirstFileW((dir + L"*").c_str(), &fd));
    if (find) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    RemoveDirectoryW(full.c_str());
                else
                    RemoveScratchTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find.get(), &fd));
    }
    find.reset();
    SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(dir.c_str());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    vx::unique_hfile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return false;
    DWORD written = 0;
    return WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    // Under Wine a child's handles can outlive it for a moment: read beside them.
    vx::unique_hfile f(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    std::string out;
    if (!f)
        return out;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof(buf), &got, nullptr) && got > 0)
        out.append(buf, got);
    return out;
}

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirs(const std::wstring& path) {
    for (size_t i = 3; i < path.size(); ++i)
        if (path[i] == L'\\')
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    return DirExists(path.substr(0, path.find_last_of(L'\\') + 1));
}

bool MakeFile(const std::wstring& path, const std::string& bytes) {
    return MakeDirs(path) && WriteFileBytes(path, bytes);
}

ScopedRegKey::ScopedRegKey(HKEY root, const std::wstring& subkey, REGSAM view)
    : m_root(root), m_subkey(subkey), m_view(view) {
    Remove();
}

ScopedRegKey::~ScopedRegKey() {
    Remove();
}

void ScopedRegKey::Remove() {
    vx::unique_hkey h;
    if (RegOpenKeyExW(m_root, m_subkey.c_str(), 0, KEY_ALL_ACCESS | m_view, h.put()) !=
        ERROR_SUCCESS)
        return;
    RegDeleteTreeW(h.get(), nullptr);
    h.reset();
    RegDeleteKeyExW(m_root, m_subkey.c_str(), m_view, 0);
}

bool ScopedRegKey::Create(const std::wstring& rel) {
    std::wstring k = rel.empty() ? m_subkey : m_subkey + L"\\" + rel;
    vx::unique_hkey h;
    return RegCreateKeyExW(m_root, k.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr, h.put(),
                           nullptr) == ERROR_SUCCESS;
}

bool ScopedRegKey::Exists(const std::wstring& rel) const {
    std::wstring k = rel.empty() ? m_subkey : m_subkey + L"\\" + rel;
    vx::unique_hkey h;
    return RegOpenKeyExW(m_root, k.c_str(), 0, KEY_READ | m_view, h.put()) == ERROR_SUCCESS;
}

bool ScopedRegKey::SetText(const std::wstring& name, const std::wstring& value) {
    vx::unique_hkey h;
    return RegCreateKeyExW(m_root, m_subkey.c_str(), 0, nullptr, 0, KEY_WRITE | m_view, nullptr,
                           h.put(), nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(
               h.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int RunProcess(const std::wstring& cmdline, DWORD timeoutMs, const wchar_t* cwd) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = cmdline;
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, cwd ? cwd : L"C:\\",
                        &si, &pi))
        return -1;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

std::wstring ExeDir() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    // Wine gives a program started from outside its drives the path
    // "unix\..." without the "\\?\" that makes it usable.
    if (p.compare(0, 5, L"unix\\") == 0)
        p = L"\\\\?\\" + p;
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

bool RunningOnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring ShellFolder(int csidl) {
    wchar_t buf[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, buf, csidl, FALSE);
    return buf;
}

std::wstring BuiltUninstaller() {
    // A "\\?\" path does not resolve "..": cut the last folder instead.
    std::wstring tests = ExeDir();
    return tests.substr(0, tests.find_last_of(L'\\', tests.size() - 2) + 1) + L"vxUninstall.exe";
}

namespace {

// A directory junction from link to target, made the way mklink /J does.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
    if (!CreateDirectoryW(link.c_str(), nullptr))
        return false;
    vx::unique_hfile h(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr));
    if (!h)
        return false;
    std::wstring subst = L"\\??\\" + target;
    size_t substBytes = subst.size() * sizeof(wchar_t);
    size_t printBytes = target.size() * sizeof(wchar_t);
    std::vector<BYTE> buf(8 + 8 + substBytes + 2 + printBytes + 2);
    auto put16 = [&](size_t at, size_t v) {
        buf[at] = BYTE(v);
        buf[at + 1] = BYTE(v >> 8);
    };
    DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    memcpy(&buf[0], &tag, 4);
    put16(4, buf.size() - 8);
    put16(8, 0);
    put16(10, substBytes);
    put16(12, substBytes + 2);
    put16(14, printBytes);
    memcpy(&buf[16], subst.c_str(), substBytes);
    memcpy(&buf[16 + substBytes + 2], target.c_str(), printBytes);
    DWORD ret = 0;
    return DeviceIoControl(h.get(), FSCTL_SET_REPARSE_POINT, buf.data(), DWORD(buf.size()), nullptr,
                           0, &ret, nullptr) != FALSE;
}

// Wine cannot make junctions, but shows a Unix symbolic link as a directory
// reparse point, which is what the walk must not enter; such a link is made
// with the host's ln, reached through Wine's Unix path namespace.
std::string UnixPath(const std::wstring& path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* p = toUnix ? toUnix(path.c_str()) : nullptr;
    std::string r = p ? p : "";
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
    return r;
}

// Starts /bin/<cmd> and waits until done() holds (a Unix child's handle
// cannot be waited on).
template <typename P> bool RunUnix(const std::string& cmd, P done) {
    std::wstring w = L"\\\\?\\unix\\bin\\" + std::wstring(cmd.begin(), cmd.end());
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &w[0], nullptr, nullptr, FALSE, 0, nullptr, L"C:\\", &si, &pi))
        return false;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    return WaitFor(done, 5000);
}

bool LinkExists(const std::wstring& link) {
    return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeUnixLink(const std::wstring& link, const std::wstring& target) {
    std::string l = UnixPath(link), t = UnixPath(target);
    return !l.empty() && !t.empty() &&
           RunUnix("ln -s \"" + t + "\" \"" + l + "\"", [&] { return LinkExists(link); });
}

} // namespace

void RemoveUnixLink(const std::wstring& link) {
    std::string l = UnixPath(link);
    if (!l.empty())
        RunUnix("rm \"" + l + "\"", [&] { return !LinkExists(link); });
}

bool MakeDirLink(const std::wstring& link, const std::wstring& target, bool& unixLink) {
    unixLink = false;
    if (MakeJunction(link, target))
        return true;
    RemoveDirectoryW(link.c_str());
    unixLink = MakeUnixLink(link, target);
    return unixLink;
}

bool MakeFileLink(const std::wstring& link, const std::wstring& target, bool& unixLink) {
    unixLink = false;
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), 0))
        return true;
    unixLink = MakeUnixLink(link, target);
    return unixLink;
}

ProgressRecorder::ProgressRecorder()
    : m_window(
          [this](UINT msg, WPARAM wp, LPARAM) {
              if (msg != WM_UNINSTALL_PROGRESS)
                  return false;
              Record(static_cast<int>(wp));
              return true;
          },
          MessageWindow::kOwnThread) {}

void ProgressRecorder::Record(int percent) {
    bool sent = InSendMessage() != FALSE;
    {
        std::lock_guard<std::mutex> lock(m_mu);
        m_entries.push_back({percent, sent});
    }
    if (sent && onSent)
        onSent(percent);
}

std::vector<ProgressRecorder::Entry> ProgressRecorder::Entries() const {
    std::lock_guard<std::mutex> lock(m_mu);
    return m_entries;
}

std::vector<int> ProgressRecorder::Percents() const {
    std::vector<int> r;
    for (const Entry& e : Entries())
        r.push_back(e.percent);
    return r;
}

bool ProgressRecorder::WaitPosted(size_t n, DWORD timeoutMs) {
    return WaitFor(
        [&] {
            size_t posted = 0;
            for (const Entry& e : Entries())
                posted += e.sent ? 0 : 1;
            return posted >= n;
        },
        timeoutMs);
}

} // namespace vxtest
