// Shortcuts, the icon cache, starting programs and sounds.
#include "util/vxutil.h"

#include "support/vxhandle.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <intshcut.h>
#include <mmsystem.h>
#include <cwchar>

namespace {

using vx::com_ptr;

template <typename T> HRESULT query(IUnknown* from, REFIID iid, com_ptr<T>& to) {
    return from->QueryInterface(iid, reinterpret_cast<void**>(to.put()));
}

// A broadcast waits at most this long for each window.
const UINT kBroadcastTimeoutMs = 500;

void setShellIconSize(HKEY key, int size) {
    wchar_t text[16];
    int n = _snwprintf(text, 16, L"%d", size);
    if (n <= 0 || n >= 16)
        return;
    // The count leaves the terminator out; the system adds back the one
    // that follows the digits.
    RegSetValueExW(key, L"Shell Icon Size", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(n) * sizeof(wchar_t));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, SPI_SETNONCLIENTMETRICS, 0,
                        SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &ignored);
}

} // namespace

int CreateShortcut(const wchar_t* folder, const wchar_t* name, const wchar_t* target,
                   const wchar_t* icon, WORD hotkey, const wchar_t* description, int showCmd) {
    if (!folder || !name)
        return 0;
    wchar_t lnk[MAX_PATH];
    int n = _snwprintf(lnk, MAX_PATH, L"%ls\\%ls.lnk", folder, name);
    if (n < 0 || n >= MAX_PATH)
        return 0;

    wchar_t path[MAX_PATH];
    wchar_t workDir[MAX_PATH] = {};
    if (target) {
        if (wcslen(target) >= MAX_PATH)
            return 0;
        wcscpy(path, target);
        wcscpy(workDir, target);
        wchar_t* slash = wcsrchr(workDir, L'\\');
        *(slash ? slash : workDir) = L'\0';
    } else {
        DWORD len = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (len == 0 || len >= MAX_PATH)
            return 0;
        GetCurPath(workDir);
    }

    com_ptr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put()))))
        return 0;
    IShellLinkW* l = link.get();
    l->SetPath(path);
    if (workDir[0])
        l->SetWorkingDirectory(workDir);
    if (icon)
        l->SetIconLocation(icon, 0);
    if (hotkey != 0)
        l->SetHotkey(hotkey);
    if (description)
        l->SetDescription(description);
    l->SetShowCmd(showCmd);

    com_ptr<IPersistFile> file;
    if (FAILED(query(l, IID_IPersistFile, file)))
        return 0;
    return SUCCEEDED(file.get()->Save(lnk, TRUE)) ? 1 : 0;
}

int SetShortcutIcon(const wchar_t* lnk, const wchar_t* icon) {
    if (!lnk)
        return 0;
    com_ptr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put()))))
        return 0;
    com_ptr<IPersistFile> file;
    // Saving a link that did not load would replace the file with an empty one.
    if (FAILED(query(link.get(), IID_IPersistFile, file)) ||
        FAILED(file.get()->Load(lnk, STGM_READWRITE)))
        return 0;
    if (icon)
        link.get()->SetIconLocation(icon, 0);
    return SUCCEEDED(file.get()->Save(lnk, TRUE)) ? 1 : 0;
}

int CreateUrlShortcut(const wchar_t* path, const wchar_t* url) {
    if (!path || !url)
        return 0;
    com_ptr<IUniformResourceLocatorW> locator;
    if (FAILED(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IUniformResourceLocatorW,
                                reinterpret_cast<void**>(locator.put()))) ||
        FAILED(locator.get()->SetURL(url, 0)))
        return 0;
    com_ptr<IPersistFile> file;
    if (FAILED(query(locator.get(), IID_IPersistFile, file)))
        return 0;
    file.get()->Save(path, TRUE);
    return 1;
}

void RefreshIconCache(void) {
    int width = GetSystemMetrics(SM_CXICON);
    vx::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop\\WindowMetrics", 0, KEY_SET_VALUE,
                      key.put()) != ERROR_SUCCESS)
        return;
    // A different size and back again makes the shell rebuild its icons.
    setShellIconSize(key.get(), width - 1);
    setShellIconSize(key.get(), width);
}

int DoRun(const wchar_t* file, const wchar_t* params, int wait, int showCmd) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = wait ? SEE_MASK_NOCLOSEPROCESS : 0;
    info.lpVerb = nullptr;
    info.lpFile = file;
    info.lpParameters = params;
    info.nShow = showCmd;
    if (!file || !ShellExecuteExW(&info))
        return 0;
    vx::unique_handle process(info.hProcess);
    if (wait && process)
        WaitForSingleObject(process.get(), INFINITE);
    return 1;
}

int PlayWav(const wchar_t* sound, int fromResource) {
    if (fromResource)
        return PlaySoundW(sound, GetModuleHandleW(nullptr), SND_RESOURCE | SND_ASYNC) ? 1 : 0;
    PlaySoundW(sound, nullptr, SND_FILENAME | SND_ASYNC);
    return 0;
}
