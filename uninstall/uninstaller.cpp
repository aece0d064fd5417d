#include "uninstall/uninstaller.h"

#include "support/vxhandle.h"
#include "support/vxthread.h"
#include "uninstall/pathguard.h"
#include "uninstall/report.h"
#include "util/vxutil.h"

#include <cstring>
#include <cwchar>

namespace {

bool isDotName(const wchar_t* name) {
    return name[0] == L'.';
}

bool isDirEntry(const WIN32_FIND_DATAW& fd) {
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A junction, directory symbolic link or mount point: never entered, since
// what it points to lies outside the tree being removed.
bool isLinkedDir(const WIN32_FIND_DATAW& fd) {
    return isDirEntry(fd) && (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

vx::unique_hfind FindAll(const std::wstring& dir, WIN32_FIND_DATAW& fd) {
    std::wstring pattern = dir + L"\\*.*";
    return vx::unique_hfind(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
}

// Paths are walked in MAX_PATH buffers: a folder whose search pattern would
// not fit is beyond what the walk handles.
bool isWalkable(const std::wstring& dir) {
    return dir.size() + 4 < MAX_PATH;
}

// The walks take directories ending in '\'; a manifest entry without one
// would otherwise match its siblings through "*.*".
template <size_t N> bool DirWithSlash(const wchar_t* in, wchar_t (&out)[N]) {
    size_t n = wcslen(in);
    if (n > 0 && in[n - 1] == L'\\')
        return JoinPath(out, in);
    return JoinPath(out, in, L"\\");
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
}

CVxUninstaller::~CVxUninstaller() {
    m_bExit = true;
}

CVxUninstaller::CVxUninstaller(const CVxUninstaller& o)
    : m_hNotify(o.m_hNotify), m_bExit(o.m_bExit), m_nTotal(o.m_nTotal), m_nDone(o.m_nDone),
      m_header(o.m_header), m_entries(o.m_entries), m_shortcuts(o.m_shortcuts), m_bRunning(false),
      m_guard(o.m_guard) {
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
        memcpy(m_szOwnDir, o.m_szOwnDir, sizeof(m_szOwnDir));
    }
    return *this;
}

void CVxUninstaller::SetOwnDir(const wchar_t* lpszDir) {
    if (!lpszDir || !DirWithSlash(lpszDir, m_szOwnDir))
        m_szOwnDir[0] = L'\0';
}

void CVxUninstaller::StartUninstall(HWND hWnd, int nThread) {
    // Two runs at once would share the lists and counters.
    if (m_bRunning.exchange(true))
        return;
    m_hNotify = hWnd;
    if (nThread == 0) {
        UninstallFunc();
        m_bRunning = false;
        return;
    }
    // Detached, but the handle is taken and closed here rather than by the
    // detach flag, so a thread that could not start ends the run at once.
    vx::unique_handle worker(GetVxThread().StartThread(UninstallThread, this, 0));
    if (!worker)
        m_bRunning = false;
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

bool CVxUninstaller::UninstallFunc() {
    wchar_t manifest[MAX_PATH];
    m_nTotal = 0;
    m_nDone = 0;
    if (!m_szOwnDir[0] || !JoinPath(manifest, m_szOwnDir, VX_MANIFEST_NAME) ||
        !ReadManifestFile(manifest, m_header, m_entries, m_shortcuts)) {
        PostMessageW(m_hNotify, WM_UNINSTALL_PROGRESS, 100, 0);
        return false;
    }
    m_guard.emplace();
    m_part = tagRunStep::Entries;
    // On a thread of its own; the run does not wait for it.
    if (!m_plan)
        DoReport(VX_REPORT_URL, L"uninstall", FieldText(m_header.szProductName));

    if (isDirectoryMode(m_header)) {
        m_nDone = 0;
        m_nTotal = CountFiles(m_szOwnDir);
        DelDir(m_szOwnDir);
    } else {
        for (const tagUninstallItem& item : m_entries)
            m_nTotal += item.nKind == 0 ? CountFiles(item.szPath) : 1;
        for (const tagUninstallItem& item : m_entries) {
            if (item.nKind == 0)
                DelDir(item.szPath);
            else if (!Planned(tagRunStep::DeleteFile, item.szPath))
                DeleteFileW(item.szPath);
        }
    }

    if (const wchar_t* key = FieldText(m_header.szUninstallKey))
        ClearReg(key);
    DelShortcut();
    return true;
}

const ProtectedFolders& CVxUninstaller::Guard() {
    if (!m_guard)
        m_guard.emplace();
    return *m_guard;
}

// A walk starts at the folder the path resolves to, never at a protected
// one. Why a start is refused, or nullptr.
const wchar_t* CVxUninstaller::WalkRefusal(const wchar_t* lpszDir, std::wstring& dir) {
    if (!lpszDir || !ResolvePath(lpszDir, dir))
        return L"not a full path, or one whose folder cannot be told";
    if (Guard().CoversResolved(dir))
        return L"a protected folder, a drive root, or a folder holding one";
    if (!isWalkable(dir))
        return L"too long for the walk";
    return nullptr;
}

int CVxUninstaller::CountFiles(const wchar_t* lpszDir) {
    std::wstring dir;
    return !WalkRefusal(lpszDir, dir) ? CountTree(dir) : 0;
}

bool CVxUninstaller::DelDir(const wchar_t* lpszDir) {
    std::wstring dir;
    if (const wchar_t* why = WalkRefusal(lpszDir, dir)) {
        Planned(tagRunStep::Refused, lpszDir ? lpszDir : L"", why);
        return false;
    }
    return DelTree(dir);
}

// While planning, records the step and returns true: the caller then leaves
// the step undone. Otherwise false.
bool CVxUninstaller::Planned(tagRunStep::Action action, const std::wstring& path,
                             const wchar_t* note) {
    if (!m_plan)
        return false;
    m_plan->push_back({m_part, action, path, note});
    return true;
}

bool CVxUninstaller::Plan(std::vector<tagRunStep>& steps) {
    if (m_bRunning.exchange(true))
        return false;
    // A dry run tells no window about its progress.
    HWND notify = m_hNotify;
    m_hNotify = nullptr;
    m_plan = &steps;
    bool read = UninstallFunc();
    m_bRunning = false;
    if (read)
        DeleteSelf();
    m_plan = nullptr;
    m_hNotify = notify;
    return read;
}

int CVxUninstaller::CountTree(const std::wstring& dir) {
    vx::unique_hfile held;
    if (OpenFolder(dir, held) != FolderKind::Folder)
        return 0;
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    if (!find)
        return 0;
    int count = 0;
    do {
        if (!isDirEntry(fd)) {
            ++count;
        } else if (!isDotName(fd.cFileName) && !isLinkedDir(fd)) {
            std::wstring sub = dir + L"\\" + fd.cFileName;
            if (isWalkable(sub))
                count += CountTree(sub);
        }
    } while (FindNextFileW(find.get(), &fd));
    return count;
}

// The folder is judged on an open handle right before it is entered, and
// held while its contents go: a link, or a folder swapped for one since it
// was listed, is removed as a link and never entered.
bool CVxUninstaller::DelTree(const std::wstring& dir) {
    vx::unique_hfile held;
    switch (OpenFolder(dir, held)) {
    case FolderKind::Folder:
        break;
    case FolderKind::Link:
        if (!Planned(tagRunStep::RemoveLink, dir))
            RemoveDirectoryW(dir.c_str());
        return true;
    default:
        Planned(tagRunStep::Missing, dir);
        return false;
    }
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    if (!find)
        return false;
    do {
        std::wstring path = dir + L"\\" + fd.cFileName;
        if (!isDirEntry(fd)) {
            if (!Planned(tagRunStep::DeleteFile, path))
                DeleteFileW(path.c_str());
            ReportProgress();
        } else if (isDotName(fd.cFileName)) {
            if (fd.cFileName[1] && wcscmp(fd.cFileName, L".."))
                Planned(tagRunStep::Skipped, path, L"its name begins with a dot");
            continue;
        } else if (isLinkedDir(fd)) {
            if (!Planned(tagRunStep::RemoveLink, path))
                RemoveDirectoryW(path.c_str());
        } else if (isWalkable(path)) {
            DelTree(path);
        } else {
            Planned(tagRunStep::Refused, path, L"too long for the walk");
        }
    } while (FindNextFileW(find.get(), &fd));
    find.reset();
    held.reset();
    if (!Planned(tagRunStep::RemoveFolder, dir))
        RemoveDirectoryW(dir.c_str());
    return true;
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

bool CVxUninstaller::ExePath(wchar_t (&exe)[MAX_PATH + 1]) const {
    // A plan is made for the uninstaller beside the manifest, not this program.
    if (m_plan)
        return JoinPath(exe, MAX_PATH, m_szOwnDir, L"vxUninstall.exe");
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return n > 0 && n < MAX_PATH;
}

bool CVxUninstaller::isRunEnded() const {
    return !m_bRunning.load();
}
