// The shell folders and shortcut targets.
#include "util/vxutil.h"

#include "support/vxhandle.h"

#include <objbase.h>
#include <shlobj.h>
#include <cwchar>

namespace {

using vx::com_ptr;

int shellFolder(wchar_t* out, int csidl) {
    if (!out)
        return 0;
    out[0] = L'\0';
    return SHGetSpecialFolderPathW(nullptr, out, csidl, FALSE) ? 1 : 0;
}

} // namespace

int GetProgramsPath(wchar_t* out) {
    return shellFolder(out, CSIDL_PROGRAMS);
}

int GetStartMenuPath(wchar_t* out) {
    return shellFolder(out, CSIDL_STARTMENU);
}

int GetDesktopPath(wchar_t* out) {
    return shellFolder(out, CSIDL_COMMON_DESKTOPDIRECTORY);
}

int GetProgramFilePath(wchar_t* out) {
    return shellFolder(out, CSIDL_PROGRAM_FILES);
}

int GetQuickLaunchPath(wchar_t* out, int pinned) {
    if (!out)
        return 0;
    out[0] = L'\0';
    wchar_t appData[MAX_PATH];
    if (!shellFolder(appData, CSIDL_APPDATA))
        return 0;
    const wchar_t* tail =
        pinned ? L"\\Microsoft\\Internet Explorer\\Quick Launch\\User Pinned\\TaskBar"
               : L"\\Microsoft\\Internet Explorer\\Quick Launch";
    int n = _snwprintf(out, MAX_PATH, L"%ls%ls", appData, tail);
    // A cut-off path would name some other folder.
    if (n < 0 || n >= MAX_PATH) {
        out[0] = L'\0';
        return 0;
    }
    return 1;
}

void ExtractPath(wchar_t* text) {
    if (!text || !text[0])
        return;
    wchar_t* slash = wcsrchr(text + 1, L'\\');
    if (!slash)
        return;
    slash[1] = L'\0';
    wchar_t* to = text;
    for (const wchar_t* from = text; *from; ++from)
        if (*from != L'"')
            *to++ = *from;
    *to = L'\0';
}

HRESULT LnkToRealPath(const wchar_t* lnk, wchar_t* out) {
    if (!lnk || !out)
        return E_POINTER;
    out[0] = L'\0';
    HRESULT init = CoInitialize(nullptr);
    auto uninit = vx::scope_exit([init] {
        if (SUCCEEDED(init))
            CoUninitialize();
    });
    // The interfaces go before COM does.
    com_ptr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()));
    if (FAILED(hr))
        return hr;
    com_ptr<IPersistFile> file;
    hr = link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()));
    if (FAILED(hr))
        return hr;
    hr = file.get()->Load(lnk, STGM_READ);
    if (FAILED(hr))
        return hr;
    hr = link.get()->GetPath(out, MAX_PATH, nullptr, SLGP_RAWPATH);
    out[MAX_PATH - 1] = L'\0';
    return hr;
}
