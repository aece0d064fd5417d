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

using Step = tagRunStep;

bool CVxUninstaller::isRegKey(const wchar_t* key, REGSAM view, bool& subkeys) const {
    vx::unique_hkey h;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, h.put()) != ERROR_SUCCESS)
        return false;
    DWORD count = 0;
    RegQueryInfoKeyW(h.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    subkeys = count != 0;
    return true;
}

int CVxUninstaller::ClearReg(const wchar_t* lpszKey) {
    wchar_t key[MAX_PATH];
    m_part = Step::Registry;
    // An empty name would name the Uninstall key itself.
    if (!lpszKey || !*lpszKey)
        return 1;
    if (!isOneName(lpszKey)) {
        AddStep(Step::DeleteKey, Step::Refused, lpszKey, L"not one key name");
        return 1;
    }
    if (!JoinPath(key, kUninstallKeyPrefix, lpszKey)) {
        AddStep(Step::DeleteKey, Step::Refused, lpszKey, L"too long for a key name");
        return 1;
    }
    const std::wstring target = std::wstring(L"HKLM\\") + key;
    bool subkeys = false;
    REGSAM view = 0;
    if (!isRegKey(key, 0, subkeys)) {
        // An installer of the other bitness wrote the entry in its own
        // registry view. It goes only when it names this very uninstaller,
        // so another product's entry of the same name is never touched.
        const REGSAM other = sizeof(void*) == 4 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
        if (m_self.empty() || !isRegKey(key, other, subkeys) ||
            !isSamePath(
                CommandProgram(RegText(HKEY_LOCAL_MACHINE, key, L"UninstallString", other)).c_str(),
                m_self.c_str())) {
            AddStep(Step::DeleteKey, Step::Missing, target, L"");
            return 1;
        }
        view = other;
    }
    if (subkeys)
        AddStep(Step::DeleteKey, Step::Kept, target, L"has subkeys: the plain deletion leaves it");
    else
        AddStep(Step::DeleteKey, Step::Removed, target, ViewName(view), view);
    return 1;
}

// The program group and the desktop shortcut are each one name inside
// their shell folder; the folder is looked up, never created.
void CVxUninstaller::DelShortcut() {
    std::wstring resolved;

    m_part = Step::Group;
    const wchar_t* group = FieldText(m_header.szProgramGroup);
    if (group && *group) {
        if (const wchar_t* why = JudgeInShellFolder(GetProgramsPath, group, L"", resolved))
            AddStep(Step::RemoveFolder, Step::Refused, group, why);
        else
            Walk(resolved);
    }

    m_part = Step::Desktop;
    const wchar_t* product = FieldText(m_header.szProductName);
    if (product && *product) {
        if (const wchar_t* why = JudgeInShellFolder(GetDesktopPath, product, L".lnk", resolved))
            AddStep(Step::DeleteFile, Step::Refused, product, why);
        else
            RemoveFile(resolved);
    }

    m_part = Step::Shortcuts;
    for (const tagUninstallItem& item : m_shortcuts)
        if (item.szPath[0])
            RemoveNamedFile(item.szPath);
}

// name + suffix inside the shell folder lookup finds: one name, the folder
// there, and the joined path judged and strictly inside it. Why not, or
// nullptr with the path in resolved.
const wchar_t* CVxUninstaller::JudgeInShellFolder(int (*lookup)(wchar_t*), const wchar_t* name,
                                                  const wchar_t* suffix, std::wstring& resolved) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH];
    if (!isOneName(name))
        return L"not one name";
    if (!lookup(folder) || !folder[0] ||
        !JoinPath(path, folder, L"\\", (std::wstring(name) + suffix).c_str()))
        return L"its shell folder cannot be found";
    if (const wchar_t* why = JudgePath(path, resolved))
        return why;
    return isStrictlyInside(path, folder) ? nullptr : L"not inside its shell folder";
}

// The script deletes this uninstaller and, in directory mode, the install
// folder whole, which the command interpreter would follow a link out of:
// the folder goes to the script only when it is still a folder with no
// link left anywhere inside it.
void CVxUninstaller::DecideScript() {
    m_part = Step::SelfRemoval;
    const UINT cp = GetOEMCP();
    std::string exeText, dirText;
    if (m_self.empty() || !BatchPath(m_self.c_str(), cp, L"VX_CLEAR_EXE", exeText)) {
        AddStep(Step::ScriptRemoves, Step::Failed, m_self,
                L"this uninstaller's path cannot be written in a script: it stays");
        m_scriptDir.clear();
    }
    if (!m_scriptDir.empty()) {
        NodeKind kind = OpenNode(m_scriptDir);
        // The walk has seen the own folder already, except for folders it
        // does not enter on the way down to the install folder.
        std::wstring own;
        JudgePath(m_szOwnDir, own);
        bool walked = isEqualOrAncestor(own, m_scriptDir) &&
                      m_scriptDir.find(L"\\.", own.size()) == std::wstring::npos;
        if (kind == NodeKind::Folder && !walked)
            SweepLinks(m_scriptDir, isEqualOrAncestor(m_scriptDir, own) ? own : L"", nullptr);
        if (kind != NodeKind::Folder)
            AddStep(DecideNode(kind, true), m_scriptDir);
        else if (!m_linkLeft.empty())
            AddStep(Step::ScriptRemoves, Step::Kept, m_scriptDir,
                    (L"a link inside could not be removed, which the script would follow: " +
                     m_linkLeft)
                        .c_str());
        else if (!BatchPath(m_scriptDir.c_str(), cp, L"VX_CLEAR_DIR", dirText))
            AddStep(Step::ScriptRemoves, Step::Kept, m_scriptDir,
                    L"its path cannot be written in a script");
        if (kind != NodeKind::Folder || !m_linkLeft.empty() || dirText.empty())
            m_scriptDir.clear();
    }
    char script[1024];
    if (!exeText.empty() &&
        !FormatClearScript(exeText.c_str(), m_scriptDir.empty() ? nullptr : dirText.c_str(),
                           GetCurrentProcessId(), script, sizeof(script))) {
        AddStep(Step::ScriptRemoves, Step::Failed, m_self,
                L"the script would be too long: it removes nothing, the uninstaller stays");
        exeText.clear();
        m_scriptDir.clear();
    }
    if (!exeText.empty()) {
        m_script = script;
        // A plan may be made where no uninstaller lies beside the manifest.
        if (GetFileAttributesW(LongPath(m_self).c_str()) == INVALID_FILE_ATTRIBUTES)
            AddStep(Step::ScriptRemoves, Step::Missing, m_self, L"this uninstaller");
        else
            AddStep(Step::ScriptRemoves, Step::ByScript, m_self, L"this uninstaller");
        if (!m_scriptDir.empty())
            AddStep(Step::ScriptRemoves, Step::ByScript, m_scriptDir,
                    L"the install folder, with all it holds");
    }
    // Dot-folders the walk left for the script stay when the script does not
    // get their folder.
    if (m_scriptDir.empty())
        for (size_t i : m_leftToScript) {
            m_record[i].verdict = Step::Kept;
            m_record[i].reason = DotFolder(false).reason;
        }
}

void CVxUninstaller::DeleteSelf() {
    // The registry and shortcut steps must be over before the process ends.
    WaitRunEnd();
    // Nothing was removed: the uninstaller stays to be run again.
    if (!m_result.isRemoved() || m_script.empty())
        return;
    std::wstring path;
    vx::unique_hfile file = CreateClearScript(path);
    bool written = file && WriteClearScript(file.get(), m_script.c_str());
    file.reset();
    // The code deployment tools read: 3010 asks for the restart that
    // finishes the removal.
    if (written && LaunchClearScript(path))
        ExitProcess(m_result.outcome == tagRunResult::RestartNeeded ? kExitRestartNeeded
                                                                    : kExitRemoved);
    if (!path.empty())
        DeleteFileW(path.c_str());
    m_part = Step::SelfRemoval;
    AddStep(Step::ScriptRemoves, Step::Failed, path.empty() ? VX_CLEAR_SCRIPT : path,
            L"the self-removal script could not be written or started: the uninstaller stays");
    m_sink->Finished(m_record, L"vxUninstall");
}
