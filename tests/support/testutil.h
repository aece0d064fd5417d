// Shared test helpers: scratch folders on drive C: of the test prefix, files,
// registry keys the test owns, child processes and a window that records the
// uninstall engine's progress messages.
#pragma once

#include "support/vxhandle.h"
#include "tests/support/msgwindow.h"

#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vxtest {

// The root every deleting test works under.
const wchar_t kScratchRoot[] = L"C:\\vxtest\\";

// A fresh folder C:\vxtest\<name>-<pid>-<n>\ removed with its contents at the end.
class ScratchDir {
public:
    explicit ScratchDir(const std::wstring& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder, ending in '\'.
    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const std::wstring& rel) const { return m_path + rel; }

private:
    std::wstring m_path;
};

// Removes a tree below C:\vxtest\ (refuses anything else).
void RemoveScratchTree(const std::wstring& dir);

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
// Creates every missing folder of path (which ends in '\' for a folder).
bool MakeDirs(const std::wstring& path);
// Writes a small file, creating its folders.
bool MakeFile(const std::wstring& path, const std::string& bytes = "x");

// A key under HKEY_LOCAL_MACHINE (or another root) that the test owns, in
// one registry view (0: the process's own, or KEY_WOW64_32KEY/64KEY):
// removed before and after.
class ScopedRegKey {
public:
    ScopedRegKey(HKEY root, const std::wstring& subkey, REGSAM view = 0);
    ~ScopedRegKey();
    bool Create(const std::wstring& rel = L"");
    bool Exists(const std::wstring& rel = L"") const;
    // Creates the key if needed and sets a REG_SZ value in it.
    bool SetText(const std::wstring& name, const std::wstring& value);

private:
    void Remove();
    HKEY m_root;
    std::wstring m_subkey;
    REGSAM m_view;
};

// Runs a command line, waits at most timeoutMs; the exit code, or -1.
int RunProcess(const std::wstring& cmdline, DWORD timeoutMs = 30000, const wchar_t* cwd = nullptr);

// The full path of the running test executable's folder, ending in '\'.
std::wstring ExeDir();

// A shell folder's path, looked up without creating it ("" when unknown).
std::wstring ShellFolder(int csidl);

// Whether the tests run under Wine, for the few places it differs from Windows.
bool RunningOnWine();

// The built vxUninstall.exe, one folder above the test executables.
std::wstring BuiltUninstaller();

// A directory link from link to target: a junction where the system can
// make one, else (under Wine) a Unix symbolic link, which Wine shows as a
// directory reparse point; unixLink says which. False when neither works.
bool MakeDirLink(const std::wstring& link, const std::wstring& target, bool& unixLink);
// The same for a file: a symbolic link where the system makes one, else a
// Unix symbolic link (which Wine opens only as its target).
bool MakeFileLink(const std::wstring& link, const std::wstring& target, bool& unixLink);
// Removes a Unix symbolic link made above (Wine's RemoveDirectoryW cannot).
void RemoveUnixLink(const std::wstring& link);

// Waits until pred() holds or timeoutMs passes; the last value of pred().
template <typename P> bool WaitFor(P pred, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs)
            return pred();
        Sleep(10);
    }
    return true;
}

// A message-only window on a thread of its own that records every
// WM_UNINSTALL_PROGRESS it gets, and whether it was sent or posted.
class ProgressRecorder {
public:
    struct Entry {
        int percent;
        bool sent;
    };
    ProgressRecorder();
    HWND hwnd() const { return m_window.hwnd(); }
    std::vector<Entry> Entries() const;
    std::vector<int> Percents() const;
    // Waits until n posted messages have arrived.
    bool WaitPosted(size_t n, DWORD timeoutMs);
    // Runs on the window's thread for each sent message, while the sender
    // waits: the moment between two files of a walk.
    std::function<void(int percent)> onSent;

private:
    void Record(int percent);
    mutable std::mutex m_mu;
    std::vector<Entry> m_entries;
    // Last: gone, with its thread, before what it records into.
    MessageWindow m_window;
};

} // namespace vxtest
