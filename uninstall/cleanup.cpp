// The end of an uninstall: the registry entry, the shortcuts, and the
// uninstaller itself.
#include "uninstall/uninstaller.h"

#include "support/vxhandle.h"
#include "uninstall/clearscript.h"
#include "uninstall/pathguard.h"
#include "util/vxutil.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <cwchar>
#include <string>

namespace {

const wchar_t kUninstallKeyPrefix[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A file name, not a path: the desktop step deletes one file in one folder.
bool isPlainName(const wchar_t* name) {
    return name && *name && !wcspbrk(name, L"\\/:") && wcscmp(name, L".") != 0 &&
           wcscmp(name, L"..") != 0;
}

} // namespace

int CVxUninstaller::ClearReg(const wchar_t* lpszKey) {
    wchar_t key[MAX_PATH];
    // An empty name would name the Uninstall key itself.
    if (lpszKey && *lpszKey && JoinPath(key, kUninstallKeyPrefix, lpszKey))
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    return 1;
}

void CVxUninstaller::DelShortcut() {
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH];

    // The group must be a folder inside Programs: an empty name or a failed
    // lookup would otherwise name Programs itself or a folder at a root.
    const wchar_t* group = FieldText(m_header.szProgramGroup);
    if (group && *group && GetProgramsPath(folder) && folder[0] &&
        JoinPath(path, folder, L"\\", group) && isStrictlyInside(path, folder)) {
        wchar_t dir[MAX_PATH];
        if (JoinPath(dir, path, L"\\"))
            DelDir(dir);
    }

    folder[0] = L'\0';
    const wchar_t* product = FieldText(m_header.szProductName);
    if (isPlainName(product) && GetDesktopPath(folder) && folder[0]) {
        int n = _snwprintf(path, MAX_PATH, L"%s\\%s.lnk", folder, product);
        if (n > 0 && n < MAX_PATH)
            DeleteFileW(path);
    }

    for (const tagUninstallItem& item : m_shortcuts)
        if (item.szPath[0])
            DeleteFileW(item.szPath);
}

void CVxUninstaller::DeleteSelf() {
    // The registry and shortcut steps must be over before the process ends;
    // messages sent to this thread meanwhile are still handled, so waiting
    // here cannot block a worker that is sending progress.
    while (m_bRunning.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }

    wchar_t exe[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;

    const UINT cp = GetOEMCP();
    std::string exeText, dirText;
    if (!BatchPath(exe, cp, L"VX_CLEAR_EXE", exeText))
        return;
    // The install directory is removed whole, so it must exist and must not
    // be a folder that holds more than this product.
    const wchar_t* dir = FieldText(m_header.szInstallDir);
    bool withDir = dir && *dir && PathFileExistsW(dir) && !isProtectedDir(dir) &&
                   BatchPath(dir, cp, L"VX_CLEAR_DIR", dirText);

    char script[1024];
    if (!FormatClearScript(exeText.c_str(), withDir ? dirText.c_str() : nullptr, script,
                           sizeof(script)))
        return;

    if (!WriteClearScript(script, VX_CLEAR_SCRIPT))
        return;
    ShellExecuteW(nullptr, L"open", VX_CLEAR_SCRIPT, nullptr, L"c:\\", SW_HIDE);
    ExitProcess(0);
}
