#include "uninstall/uninstaller.h"

#include "support/vxhandle.h"
#include "support/vxthread.h"
#include "util/vxutil.h"

#include <cstring>
#include <cwchar>

namespace {

using Step = tagRunStep;

// Local fixed, removable and RAM drives: a share or an optical drive is
// never something this machine's uninstaller removes.
bool isLocalDrive(const std::wstring& resolved) {
    if (resolved.size() < 2 || resolved[1] != L':')
        return false;
    const wchar_t root[] = {resolved[0], L':', L'\\', L'\0'};
    UINT type = GetDriveTypeW(root);
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_RAMDISK;
}

std::wstring ResolvedOrAsIs(const std::wstring& path) {
    std::wstring resolved;
    return ResolvePath(path.c_str(), resolved) ? resolved : path;
}

std::wstring RunningExe() {
    wchar_t exe[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return n > 0 && n < MAX_PATH ? ResolvedOrAsIs(exe) : L"";
}

// The record's file name: the product's key when it can be one.
std::wstring RecordName(const tagUninstallHeader& h) {
    const wchar_t* key = FieldText(h.szUninstallKey);
    if (isOneName(key) && !wcspbrk(key, L"<>\"|?*") && wcslen(key) < 100)
        return key;
    return L"vxUninstall";
}

} // namespace

CVxUninstaller::CVxUninstaller()
    : m_hNotify(nullptr), m_bExit(false), m_nTotal(0), m_nDone(0), m_bRunning(false) {
    memset(&m_header, 0, sizeof(m_header));
    GetCurPath(m_szOwnDir);
    // Only a directory will do: without one no manifest is found and
    // nothing is walked.
    size_t n = wcslen(m_szOwnDir);
    if (n == 0 || m_szOwnDir[n - 1] != L'\\')
        m_szOwnDir[0] = L'\0';
    m_self = RunningExe();
}

CVxUninstaller::~CVxUninstaller() {
    m_bExit = true;
}

CVxUninstaller::CVxUninstaller(const CVxUninstaller& o)
    : m_hNotify(o.m_hNotify), m_bExit(o.m_bExit), m_nTotal(o.m_nTotal), m_nDone(o.m_nDone),
      m_header(o.m_header), m_entries(o.m_entries), m_shortcuts(o.m_shortcuts), m_bRunning(false),
      m_guard(o.m_guard), m_record(o.m_record), m_result(o.m_result), m_self(o.m_self) {
    memcpy(m_szOwnDir, o.m_szOwnDir, sizeof(m_szOwnDir));
}

CVxUninstaller& CVxUninstaller::operator=(const CVxUninstaller& o) {
    if (this != &o) {
        m_hNotify = o.m_hNotify;
        m_bExit = o.m_bExit;
        m_nTotal = o.m_nTotal;
        m_nDone = o.m_nDone;
        m_header = o.m_header;
        m_entries = o.m_entries;
        m_shortcuts = o.m_shortcuts;
        m_guard = o.m_guard;
        m_record = o.m_record;
        m_result = o.m_result;
        m_self = o.m_self;
        memcpy(m_szOwnDir, o.m_szOwnDir, sizeof(m_szOwnDir));
    }
    return *this;
}

void CVxUninstaller::SetOwnDir(const wchar_t* lpszDir) {
    m_szOwnDir[0] = L'\0';
    if (!lpszDir || !*lpszDir)
        return;
    size_t n = wcslen(lpszDir);
    if (!JoinPath(m_szOwnDir, lpszDir, lpszDir[n - 1] == L'\\' ? nullptr : L"\\"))
        m_szOwnDir[0] = L'\0';
}

void CVxUninstaller::StartUninstall(HWND hWnd, int nThread) {
    // Two runs at once would share the lists and counters.
    if (m_bRunning.exchange(true))
        return;
    m_hNotify = hWnd;
    m_sink = &m_remover;
    m_self = RunningExe();
    if (nThread == 0) {
        UninstallFunc();
        m_bRunning = false;
        return;
    }
    // Detached, but the handle is taken and closed here rather than by the
    // detach flag, so a thread that could not start ends the run at once.
    vx::unique_handle worker(GetVxThread().StartThread(UninstallThread, this, 0));
    if (worker)
        return;
    m_record.clear();
    EndRun(tagRunResult::StartFailed, L"the uninstall could not be started: nothing was removed");
    m_bRunning = false;
    PostMessageW(hWnd, WM_UNINSTALL_PROGRESS, 100, 0);
}

unsigned __stdcall CVxUninstaller::UninstallThread(void* lpParam) {
    auto* self = static_cast<CVxUninstaller*>(lpParam);
    if (!self)
        return 0;
    Sleep(300);
    self->UninstallFunc();
    // Cleared before the final message, so a window that begins self-removal
    // on it finds the run over; from then on the engine may be gone, so the
    // window handle is read first.
    HWND notify = self->m_hNotify;
    self->m_bRunning = false;
    PostMessageW(notify, WM_UNINSTALL_PROGRESS, 100, 0);
    return 0;
}

bool CVxUninstaller::Plan(std::vector<tagRunStep>& steps) {
    if (m_bRunning.exchange(true))
        return false;
    // A dry run tells no window about its progress.
    HWND notify = m_hNotify;
    m_hNotify = nullptr;
    CVxPlanSink plan;
    m_sink = &plan;
    // A plan is made for the uninstaller beside the manifest.
    m_self = ResolvedOrAsIs(std::wstring(m_szOwnDir) + L"vxUninstall.exe");
    UninstallFunc();
    m_sink = &m_remover;
    m_hNotify = notify;
    steps = m_record;
    m_bRunning = false;
    return true;
}

const tagRunResult& CVxUninstaller::CheckManifest() {
    if (m_bRunning.exchange(true))
        return m_result;
    CVxPlanSink plan;
    m_sink = &plan;
    m_record.clear();
    // Built by the first path judged: a manifest that lists its entries has
    // none to judge before the run, so the check costs it no shell folders.
    m_guard.reset();
    if (TakeManifest())
        EndRun(tagRunResult::NotRun, L"");
    m_record.clear();
    m_scriptDir.clear();
    m_sink = &m_remover;
    m_bRunning = false;
    return m_result;
}

bool CVxUninstaller::UninstallFunc() {
    m_nTotal = 0;
    m_nDone = 0;
    m_record.clear();
    m_scriptDir.clear();
    m_leftToScript.clear();
    m_linkLeft.clear();
    m_script.clear();
    m_guard.emplace();
    if (!TakeManifest()) {
        PostMessageW(m_hNotify, WM_UNINSTALL_PROGRESS, 100, 0);
        m_sink->Finished(m_record, RecordName(m_header).c_str());
        return false;
    }
    m_sink->Started(m_header);

    m_part = Step::Entries;
    if (isDirectoryMode(m_header)) {
        std::wstring own;
        JudgePath(m_szOwnDir, own);
        m_nTotal = CountTree(own);
        Walk(own);
    } else {
        RemoveEntries();
    }
    if (const wchar_t* key = FieldText(m_header.szUninstallKey))
        ClearReg(key);
    DelShortcut();
    DecideScript();

    bool restart = false;
    for (const Step& s : m_record)
        restart = restart || s.verdict == Step::AtRestart;
    EndRun(restart ? tagRunResult::RestartNeeded : tagRunResult::Completed, L"");
    m_sink->Finished(m_record, RecordName(m_header).c_str());
    return true;
}

// Reads the manifest and decides whether anything may be removed at all:
// not when it is missing or damaged, nor in directory mode when the folder
// walked or the folder the script removes is one the guards refuse.
bool CVxUninstaller::TakeManifest() {
    m_part = Step::Manifest;
    memset(&m_header, 0, sizeof(m_header));
    std::wstring manifest = std::wstring(m_szOwnDir) + VX_MANIFEST_NAME;
    std::wstring damage;
    if (!m_szOwnDir[0] ||
        !ReadManifestFile(manifest.c_str(), m_header, m_entries, m_shortcuts, &damage)) {
        memset(&m_header, 0, sizeof(m_header));
        m_entries.clear();
        m_shortcuts.clear();
        AddStep(Step::ReadManifest, Step::Missing, manifest, L"nothing was removed");
        EndRun(tagRunResult::ManifestMissing, L"the uninstall information file is missing");
        return false;
    }
    if (!damage.empty()) {
        AddStep(Step::ReadManifest, Step::Failed, manifest,
                (damage + L": nothing was removed").c_str());
        EndRun(tagRunResult::ManifestDamaged,
               L"the uninstall information file is damaged: " + damage);
        return false;
    }
    if (!isDirectoryMode(m_header))
        return true;
    std::wstring own, install;
    const wchar_t* why = JudgePath(m_szOwnDir, own);
    std::wstring what = L"the uninstaller's folder " + std::wstring(m_szOwnDir);
    if (!why) {
        why = JudgePath(m_header.szInstallDir, install);
        what = L"the install folder " + std::wstring(m_header.szInstallDir);
    }
    if (why) {
        std::wstring reason = what + L" is refused: " + why + L"; nothing was removed";
        AddStep(Step::ReadManifest, Step::Refused, manifest, reason.c_str());
        EndRun(tagRunResult::ManifestRefused, reason);
        return false;
    }
    m_scriptDir = install;
    return true;
}

void CVxUninstaller::RemoveEntries() {
    for (const tagUninstallItem& item : m_entries)
        m_nTotal += item.nKind == 0 ? CountFiles(item.szPath) : 1;
    for (const tagUninstallItem& item : m_entries) {
        if (item.nKind == 0)
            DelDir(item.szPath);
        else
            RemoveNamedFile(item.szPath);
    }
}

void CVxUninstaller::EndRun(tagRunResult::Outcome outcome, const std::wstring& reason) {
    m_result.outcome = outcome;
    m_result.reason = reason;
}

const ProtectedFolders& CVxUninstaller::Guard() {
    if (!m_guard)
        m_guard.emplace();
    return *m_guard;
}

// Every path is judged by what it resolves to: a full path on a local
// drive, neither a protected folder nor one that holds one. Why it is
// refused, or nullptr.
const wchar_t* CVxUninstaller::JudgePath(const wchar_t* path, std::wstring& resolved) {
    if (!path || !*path)
        return L"no path";
    if (!isFullyQualified(path) || !ResolvePath(path, resolved))
        return L"not a full path, or one whose folder cannot be told";
    if (!isLocalDrive(resolved))
        return L"not on a local drive";
    if (Guard().CoversResolved(resolved))
        return L"a protected folder, a drive root, or a folder holding one";
    return nullptr;
}

Step::Verdict CVxUninstaller::AddStep(Step::Action action, Step::Verdict verdict,
                                      const std::wstring& target, const wchar_t* reason,
                                      REGSAM view, HANDLE handle) {
    tagRunStep s = {m_part, action, verdict, target, reason ? reason : L"", view, handle};
    if (verdict == Step::Removed || verdict == Step::AtRestart)
        s.verdict = m_sink->Carry(s, s.reason);
    // The handle is the engine's and closed by it: the record keeps none.
    s.handle = nullptr;
    m_record.push_back(s);
    return s.verdict;
}

CVxUninstaller::Fate CVxUninstaller::FateOf(Step::Verdict verdict) {
    if (verdict == Step::Removed || verdict == Step::Missing)
        return Fate::Gone;
    return verdict == Step::AtRestart ? Fate::AtRestart : Fate::Stays;
}

int CVxUninstaller::CountFiles(const wchar_t* lpszDir) {
    std::wstring dir;
    return !JudgePath(lpszDir, dir) ? CountTree(dir) : 0;
}

bool CVxUninstaller::DelDir(const wchar_t* lpszDir) {
    std::wstring dir;
    if (const wchar_t* why = JudgePath(lpszDir, dir)) {
        AddStep(Step::RemoveFolder, Step::Refused, lpszDir ? lpszDir : L"", why);
        return false;
    }
    Walk(dir);
    return true;
}

void CVxUninstaller::RemoveNamedFile(const wchar_t* path) {
    std::wstring resolved;
    if (const wchar_t* why = JudgePath(path, resolved))
        AddStep(Step::DeleteFile, Step::Refused, path ? path : L"", why);
    else
        RemoveFile(resolved);
}

void CVxUninstaller::ReportProgress() {
    ++m_nDone;
    // With nothing counted there is no percentage to give: a total of 0
    // sends no message, and the run's final 100 ends the display.
    if (m_nTotal <= 0)
        return;
    long long percent = static_cast<long long>(m_nDone) * 100 / m_nTotal;
    long long before = static_cast<long long>(m_nDone - 1) * 100 / m_nTotal;
    // Each message is a round trip to the window's thread; a file that leaves
    // the whole percentage where it was would only repeat the last target.
    if (percent != before && percent >= 0 && percent <= 100)
        SendMessageW(m_hNotify, WM_UNINSTALL_PROGRESS, static_cast<WPARAM>(percent), 0);
}

bool CVxUninstaller::isRunEnded() const {
    return !m_bRunning.load();
}

void CVxUninstaller::WaitRunEnd() {
    while (m_bRunning.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
