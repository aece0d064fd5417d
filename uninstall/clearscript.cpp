#include "uninstall/clearscript.h"

#include "support/vxhandle.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Exact conversion or nothing: a best-fit or default character would name
// another file.
bool ToCodePage(const std::wstring& w, UINT cp, std::string& out) {
    out.clear();
    if (w.empty())
        return true;
    BOOL usedDefault = FALSE;
    BOOL* pUsed = (cp == CP_UTF8 || cp == CP_UTF7) ? nullptr : &usedDefault;
    DWORD flags = pUsed ? WC_NO_BEST_FIT_CHARS : 0;
    int n = WideCharToMultiByte(cp, flags, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, pUsed);
    if (n <= 0 || usedDefault)
        return false;
    out.resize(n);
    WideCharToMultiByte(cp, flags, w.c_str(), static_cast<int>(w.size()), &out[0], n, nullptr,
                        pUsed);
    // Round trip: some code pages map without reporting a default character.
    std::vector<wchar_t> back(w.size() + 1);
    int m = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, out.data(), n, back.data(),
                                static_cast<int>(back.size()));
    return m == static_cast<int>(w.size()) && w.compare(0, w.size(), back.data(), m) == 0;
}

std::wstring DoublePercent(const std::wstring& s) {
    std::wstring r;
    r.reserve(s.size() + 4);
    for (wchar_t c : s) {
        r += c;
        if (c == L'%')
            r += L'%';
    }
    return r;
}

} // namespace

bool FormatClearScript(const char* exePath, const char* installDir, unsigned long pid, char* out,
                       size_t cap) {
    if (!exePath || !out || cap == 0)
        return false;
    // The exe can be deleted only once its process has gone: the delete is
    // retried, a second apart (ping waits without a console), ten times.
    // The system's own formatting: it returns -1 or cap when out is too small.
    int n = _snprintf(out, cap,
                      "@ echo off\r\ntaskkill /pid %lu /f >nul 2>nul\r\nset vxn=0\r\n:vxwait\r\n"
                      "del \"%s\" >nul 2>nul\r\nif not exist \"%s\" goto vxgone\r\n"
                      "set /a vxn+=1\r\nif %%vxn%% geq 10 goto vxgone\r\n"
                      "ping -n 2 127.0.0.1 >nul\r\ngoto vxwait\r\n:vxgone\r\n%s%s%sdel %%0",
                      pid, exePath, exePath, installDir ? "rd /S /Q \"" : "",
                      installDir ? installDir : "", installDir ? "\"\r\n" : "");
    if (n < 0 || static_cast<size_t>(n) >= cap) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool BatchPath(const wchar_t* path, UINT cp, const wchar_t* envName, std::string& out) {
    out.clear();
    if (!path || !*path)
        return false;
    std::wstring longPath(path);
    if (ToCodePage(DoublePercent(longPath), cp, out))
        return true;

    wchar_t shortPath[MAX_PATH];
    DWORD n = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (n > 0 && n < MAX_PATH && ToCodePage(DoublePercent(shortPath), cp, out))
        return true;

    // Expanded values are not expanded again, so the name may hold anything.
    std::string name;
    if (!envName || !SetEnvironmentVariableW(envName, path) || !ToCodePage(envName, cp, name))
        return false;
    out = "%" + name + "%";
    return true;
}

namespace {

vx::unique_hfile CreateExclusive(const wchar_t* path) {
    // CREATE_NEW fails on any existing name, a link included; the link flag
    // keeps a link that appears meanwhile from being followed.
    return vx::unique_hfile(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
}

} // namespace

vx::unique_hfile CreateClearScript(std::wstring& path) {
    path = VX_CLEAR_SCRIPT;
    vx::unique_hfile f = CreateExclusive(path.c_str());
    for (unsigned n = 0; !f && GetLastError() == ERROR_FILE_EXISTS && n < 100; ++n) {
        wchar_t name[MAX_PATH];
        _snwprintf(name, MAX_PATH, L"c:\\clear-%lu-%u.bat", GetCurrentProcessId(), n);
        name[MAX_PATH - 1] = L'\0';
        path = name;
        f = CreateExclusive(name);
    }
    if (!f)
        path.clear();
    return f;
}

bool WriteClearScript(HANDLE file, const char* text) {
    std::string bytes;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            bytes += '\r';
        bytes += *p;
    }
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool LaunchClearScript(const std::wstring& path) {
    wchar_t sys[MAX_PATH];
    UINT n = GetSystemDirectoryW(sys, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    std::wstring cmd = std::wstring(sys) + L"\\cmd.exe";
    // /d skips AutoRun, /v:off delayed expansion (a "!" in a path stays a
    // "!"), /s takes the quoted script path as it stands.
    std::wstring line = L"\"" + cmd + L"\" /d /v:off /s /c \"\"" + path + L"\"\"";

    HANDLE raw = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &raw,
                         SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0))
        return false;
    vx::unique_handle self(raw);
    // Only that handle is inherited.
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<BYTE> listBytes(size);
    auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
        return false;
    auto cleanup = vx::scope_exit([&] { DeleteProcThreadAttributeList(list); });
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &raw, sizeof(raw),
                                   nullptr, nullptr))
        return false;

    STARTUPINFOEXW si = {};
    si.StartupInfo.cb = sizeof(si);
    si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    si.StartupInfo.wShowWindow = SW_HIDE;
    si.lpAttributeList = list;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(cmd.c_str(), &line[0], nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, L"c:\\",
                        &si.StartupInfo, &pi))
        return false;
    vx::unique_handle process(pi.hProcess), thread(pi.hThread);
    return true;
}
