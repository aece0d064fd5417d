// The uninstall engine: reads the manifest, counts and deletes what it lists
// with progress messages to a window, removes the product's registry entry
// and shortcuts, and finally removes the uninstaller itself.
#pragma once

#include "support/vxapi.h"
#include "uninstall/manifest.h"
#include "uninstall/pathguard.h"

#include <windows.h>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

// Worker to window: wParam the percentage 0..100 (100 ends the run), lParam 0.
#define WM_UNINSTALL_PROGRESS (WM_USER + 1001)
static_assert(WM_UNINSTALL_PROGRESS == 2025, "progress message number");

// One thing a run would do, or would leave alone, as CVxUninstaller::Plan
// records it instead of doing it.
struct tagRunStep {
    enum Part { Entries, Registry, Group, Desktop, Shortcuts, SelfRemoval };
    enum Action {
        DeleteFile,   // a file (or a link to a file)
        RemoveFolder, // a folder, once what it holds has gone
        RemoveLink,   // a folder link, removed as a link and never entered
        Missing,      // a walk start that is not there or not a folder
        Refused,      // a path the guards keep, note says why
        Skipped,      // a folder the walk does not enter (its name begins with a dot)
        DeleteKey,    // a registry key, note names the view
        ScriptDeletes // a path the self-removal script deletes, note says how
    };
    Part part;
    Action action;
    std::wstring path;
    std::wstring note;
};

class VX_API CVxUninstaller {
public:
    CVxUninstaller();
    ~CVxUninstaller();
    CVxUninstaller(const CVxUninstaller& o);
    CVxUninstaller& operator=(const CVxUninstaller& o);

    // Stores the notify window; with a thread flag runs on a detached worker
    // (which posts a final 100 when done), otherwise inline on this thread.
    // Does nothing while a run is going on.
    void StartUninstall(HWND hWnd, int nThread);

    // Deletes HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<name>
    // (a key with subkeys stays). Always 1.
    int ClearReg(const wchar_t* lpszKey);
    // The program group, the desktop shortcut and the listed shortcut files.
    void DelShortcut();
    // Writes and launches "c:\clear.bat" and ends the process; returns only
    // when the script cannot be written. Waits for a running uninstall first.
    void DeleteSelf();

    // A dry run: what StartUninstall and then DeleteSelf would do on this
    // machine, through the same steps and guards, recorded in run order
    // instead of done. Nothing is deleted and no report is sent. False when
    // the manifest cannot be opened or a run is going on.
    bool Plan(std::vector<tagRunStep>& steps);

    // True once a started run has finished all its steps (or none was started).
    bool isRunEnded() const;

    // The directory the manifest is read from and, in directory mode, walked;
    // the executable's own directory (ending in '\') unless set otherwise.
    void SetOwnDir(const wchar_t* lpszDir);
    const wchar_t* GetOwnDir() const { return m_szOwnDir; }

    int GetTotal() const { return m_nTotal; }
    int GetDone() const { return m_nDone; }
    const tagUninstallHeader& GetHeader() const { return m_header; }
    const std::vector<tagUninstallItem>& GetEntries() const { return m_entries; }
    const std::vector<tagUninstallItem>& GetShortcuts() const { return m_shortcuts; }

private:
    static unsigned __stdcall UninstallThread(void* lpParam);
    bool UninstallFunc();
    int CountFiles(const wchar_t* lpszDir);
    bool DelDir(const wchar_t* lpszDir);
    int CountTree(const std::wstring& dir);
    bool DelTree(const std::wstring& dir);
    const wchar_t* WalkRefusal(const wchar_t* lpszDir, std::wstring& dir);
    bool Planned(tagRunStep::Action action, const std::wstring& path, const wchar_t* note = L"");
    LONG DeleteUninstallKey(const wchar_t* key, REGSAM view);
    bool ExePath(wchar_t (&exe)[MAX_PATH + 1]) const;
    const ProtectedFolders& Guard();
    void ReportProgress();

    HWND m_hNotify;
    bool m_bExit;
    int m_nTotal;
    int m_nDone;
    tagUninstallHeader m_header;
    std::vector<tagUninstallItem> m_entries;
    std::vector<tagUninstallItem> m_shortcuts;
    wchar_t m_szOwnDir[MAX_PATH + 1];
    std::atomic<bool> m_bRunning;
    // Gathered when a run starts, so the run judges every path by one set.
    std::optional<ProtectedFolders> m_guard;
    // Set only while Plan runs: steps are recorded there instead of done.
    std::vector<tagRunStep>* m_plan = nullptr;
    tagRunStep::Part m_part = tagRunStep::Entries;
};
