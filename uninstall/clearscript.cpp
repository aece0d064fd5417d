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

bool FormatClearScript(const char* exePath, const char* installDir, char* out, size_t cap) {
    if (!exePath || !out || cap == 0)
        return false;
    int n = installDir
                ? snprintf(out, cap,
                           "@ echo off\r\ntaskkill /im vxUninstall.exe /f\r\ndel \"%s\"\r\n"
                           "rd /S /Q \"%s\"\r\ndel %%0",
                           exePath, installDir)
                : snprintf(out, cap,
                           "@ echo off\r\ntaskkill /im vxUninstall.exe /f\r\ndel \"%s\"\r\ndel %%0",
                           exePath);
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

bool WriteClearScript(const char* text, const wchar_t* path) {
    vx::unique_file f(_wfopen(path, L"wt"));
    if (!f)
        return false;
    size_t len = strlen(text);
    return fwrite(text, 1, len, f.get()) == len && fclose(f.release()) == 0;
}
