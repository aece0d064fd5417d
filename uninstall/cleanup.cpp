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

// The program an UninstallString starts: the quoted path, or the text up to
// and including its first ".exe", or the whole text.
std::wstring CommandProgram(const std::wstring& cmd) {
    if (!cmd.empty() && cmd[0] == L'"') {
        size_t end = cmd.find(L'"', 1);
        return end == std::wstring::npos ? L"" : cmd.substr(1, end - 1);
    }
    for (size_t at = 0; at + 4 <= cmd.size(); ++at)
        if (CompareStringOrdinal(cmd.c_str() + at, 4, L".exe", 4, TRUE) == CSTR_EQUAL &&
            (at + 4 == cmd.size() || cmd[at + 4] == L' '))
            return cmd.substr(0, at + 4);
    return cmd;
}

const wchar_t* ViewName(REGSAM view) {
    if (view == 0)
        return sizeof(void*) == 4 ? L"32-bit view (the uninstaller's own)"
                                  : L"64-bit view (the uninstaller's own)";
    return view == KEY_WOW64_32KEY ? L"32-bit view (named there as this uninstaller)"
                                   : L"64-bit view (named there as this uninstaller)";
}

} // namespace

// The plain deletion in the own view, the view's own call in another; while
// planning, whether the key is there to delete.
LONG CVxUninstaller::DeleteUninstallKey(const wchar_t* key, REGSAM view) {
    if (!m_plan)
        return view ? RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, view, 0)
                    : RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    vx::unique_hkey h;
    LONG r = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, h.put());
    if (r != ERROR_SUCCESS)
        return r;
    DWORD subkeys = 0;
    RegQueryInfoKeyW(h.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    if (subkeys)
        Planned(tagRunStep::Refused, std::wstring(L"HKLM\\") + key,
                L"has subkeys: the plain deletion leaves it");
    else
        Planned(tagRunStep::DeleteKey, std::wstring(L"HKLM\\") + key, ViewName(view));
    return ERROR_SUCCESS;
}

int CVxUninstaller::ClearReg(const wchar_t* lpszKey) {
    wchar_t key[MAX_PATH];
    m_part = tagRunStep::Registry;
    // An empty name would name the Uninstall key itself.
    if (!lpszKey || !*lpszKey || !JoinPath(key, kUninstallKeyPrefix, lpszKey))
        return 1;
    if (DeleteUninstallKey(key, 0) != ERROR_FILE_NOT_FOUND)
        return 1;
    // An installer of the other bitness wrote the entry in its own registry
    // view. It goes only when it names this very uninstaller, so another
    // product's entry of the same name is never touched.
    const REGSAM other = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    wchar_t exe[MAX_PATH + 1];
    // An empty or relative program resolves to nothing and matches nothing.
    if (ExePath(exe) &&
        isSamePath(
            CommandProgram(RegText(HKEY_LOCAL_MACHINE, key, L"UninstallString", other)).c_str(),
            exe))
        DeleteUninstallKey(key, other);
    return 1;
}

void CVxUninstaller::DelShortcut() {
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH];

    // The group must be a folder inside Programs: an empty name or a failed
    // lookup would otherwise name Programs itself or a folder at a root.
    m_part = tagRunStep::Group;
    const wchar_t* group = FieldText(m_header.szProgramGroup);
    if (group && *group && GetProgramsPath(folder) && folder[0] &&
        JoinPath(path, folder, L"\\", group) && isStrictlyInside(path, folder)) {
        wchar_t dir[MAX_PATH];
        if (JoinPath(dir, path, L"\\"))
            DelDir(dir);
    } else if (group && *group) {
        Planned(tagRunStep::Refused, group, L"not a folder inside the Start-menu Programs folder");
    }

    m_part = tagRunStep::Desktop;
    folder[0] = L'\0';
    const wchar_t* product = FieldText(m_header.szProductName);
    if (isPlainName(product) && GetDesktopPath(folder) && folder[0]) {
        int n = _snwprintf(path, MAX_PATH, L"%s\\%s.lnk", folder, product);
        if (n > 0 && n < MAX_PATH && !Planned(tagRunStep::DeleteFile, path))
            DeleteFileW(path);
    } else if (product && *product) {
        Planned(tagRunStep::Refused, product, L"not a plain file name");
    }

    m_part = tagRunStep::Shortcuts;
    for (const tagUninstallItem& item : m_shortcuts)
        if (item.szPath[0] && !Planned(tagRunStep::DeleteFile, item.szPath))
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

    m_part = tagRunStep::SelfRemoval;
    wchar_t exe[MAX_PATH + 1];
    if (!ExePath(exe))
        return;

    const UINT cp = GetOEMCP();
    std::string exeText, dirText;
    if (!BatchPath(exe, cp, L"VX_CLEAR_EXE", exeText))
        return;
    // The install directory is removed whole, so it must be a real folder,
    // judged by what it resolves to right before it is handed over, and not
    // one that holds more than this product. A link there goes as a link.
    bool withDir = false;
    const wchar_t* dir = FieldText(m_header.szInstallDir);
    std::wstring resolved;
    if (dir && *dir && ResolvePath(dir, resolved) && !Guard().CoversResolved(resolved)) {
        vx::unique_hfile held;
        FolderKind kind = OpenFolder(resolved, held);
        if (kind == FolderKind::Link && !Planned(tagRunStep::RemoveLink, resolved))
            RemoveDirectoryW(resolved.c_str());
        if (kind == FolderKind::Missing || kind == FolderKind::NotFolder)
            Planned(tagRunStep::Missing, resolved);
        withDir =
            kind == FolderKind::Folder && BatchPath(resolved.c_str(), cp, L"VX_CLEAR_DIR", dirText);
    } else if (dir && *dir) {
        Planned(tagRunStep::Refused, dir, L"a protected folder, or one that cannot be told");
    }

    char script[1024];
    if (!FormatClearScript(exeText.c_str(), withDir ? dirText.c_str() : nullptr,
                           GetCurrentProcessId(), script, sizeof(script))) {
        Planned(tagRunStep::Refused, exe, L"the script does not fit: nothing is removed");
        return;
    }
    if (Planned(tagRunStep::ScriptDeletes, exe, L"the uninstaller")) {
        if (withDir)
            Planned(tagRunStep::ScriptDeletes, resolved, L"the install folder, with all it holds");
        return;
    }
    std::wstring path;
    vx::unique_hfile file = CreateClearScript(path);
    if (!file)
        return;
    bool written = WriteClearScript(file.get(), script);
    file.reset();
    if (!written) {
        DeleteFileW(path.c_str());
        return;
    }
    LaunchClearScript(path);
    ExitProcess(0);
}
