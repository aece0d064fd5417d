// The uninstall engine: reads the manifest, counts and deletes what it lists
// with progress messages to a window, removes the product's registry entry
// and shortcuts, and finally removes the uninstaller itself.
#pragma once

#include "support/vxapi.h"
#include "uninstall/manifest.h"
#include "uninstall/pathguard.h"
#include "uninstall/runstep.h"
#include "uninstall/stepsink.h"
#include "uninstall/decide.h"

#include <windows.h>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

// Worker to window: wParam the percentage 0..100 (100 ends the run), lParam 0.
#define WM_UNINSTALL_PROGRESS (WM_USER + 1001)
static_assert(WM_UNINSTALL_PROGRESS == 2025, "progress message number");

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
    // Writes and launches the self-removal script the run decided on and
    // ends the process. Waits for a running uninstall first; returns when
    // the run removed nothing (no manifest, a damaged or refused one, no
    // run at all) or the script cannot be written, and the uninstaller
    // then stays.
    void DeleteSelf();

    // A dry run: the steps StartUninstall and DeleteSelf would take on this
    // machine, decided exactly as a run decides them, none carried out, no
    // report sent. False when a run is going on.
    bool Plan(std::vector<tagRunStep>& steps);

    // Reads and judges the manifest as a run would, and removes nothing:
    // NotRun when a run could go ahead, otherwise why it could not (a
    // missing, damaged or refused manifest). A window asks only after this.
    const tagRunResult& CheckManifest();

    // True once a started run has finished all its steps (or none was started).
    bool isRunEnded() const;
    // Returns once the run has ended. Messages sent to this thread meanwhile
    // are handled, so a window thread waiting here cannot block a worker that
    // is sending it progress.
    void WaitRunEnd();
    // How the run ended, and its steps in order; read once it has ended.
    const tagRunResult& GetResult() const { return m_result; }
    const std::vector<tagRunStep>& GetRecord() const { return m_record; }
    // A second file the run's record is written to ("" for none).
    void SetRecordCopy(const std::wstring& path) { m_remover.SetCopyPath(path); }
    // Where the run's record was written ("" if nowhere).
    const std::wstring& GetRecordPath() const { return m_remover.RecordPath(); }

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
    // What became of a path for the folder that holds it.
    enum class Fate { Gone, AtRestart, Stays };

    static unsigned __stdcall UninstallThread(void* lpParam);
    bool UninstallFunc();
    bool TakeManifest();
    void RemoveEntries();
    int CountFiles(const wchar_t* lpszDir);
    bool DelDir(const wchar_t* lpszDir);
    // uninstall/walk.cpp
    int CountTree(const std::wstring& dir);
    Fate Walk(const std::wstring& dir);
    Fate RemoveFile(const std::wstring& path, const DWORD* listed = nullptr);
    void SweepLinks(const std::wstring& dir, const std::wstring& skip, const tagDecision* asFolder);
    void NoteLink(const std::wstring& path, tagRunStep::Verdict verdict);
    void RemoveNamedFile(const wchar_t* path);
    // uninstall/cleanup.cpp
    void DecideScript();
    bool isRegKey(const wchar_t* key, REGSAM view, bool& subkeys) const;

    const wchar_t* JudgePath(const wchar_t* path, std::wstring& resolved);
    const wchar_t* JudgeInShellFolder(int (*lookup)(wchar_t*), const wchar_t* name,
                                      const wchar_t* suffix, std::wstring& resolved);
    tagRunStep::Verdict AddStep(tagRunStep::Action action, tagRunStep::Verdict verdict,
                                const std::wstring& target, const wchar_t* reason, REGSAM view = 0,
                                HANDLE handle = nullptr);
    // A decision about target, judged on open (if given), whose handle the
    // sink may delete through.
    tagRunStep::Verdict AddStep(const tagDecision& d, const std::wstring& target,
                                const tagNodeHandle* open = nullptr) {
        return AddStep(d.action, d.verdict, target, d.reason, 0,
                       open && open->deletable ? open->handle.get() : nullptr);
    }
    static Fate FateOf(tagRunStep::Verdict verdict);
    void EndRun(tagRunResult::Outcome outcome, const std::wstring& reason);
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

    // The run's decisions go to m_sink: the remover in a run, a plan sink
    // while planning.
    CVxRemover m_remover;
    CVxStepSink* m_sink = &m_remover;
    tagRunStep::Part m_part = tagRunStep::Manifest;
    std::vector<tagRunStep> m_record;
    tagRunResult m_result;
    // This uninstaller, as resolved: the script deletes it, the walk never.
    std::wstring m_self;
    // The install folder the script removes whole ("" for none), and the
    // steps that left a dot-folder inside it to the script.
    std::wstring m_scriptDir;
    std::vector<size_t> m_leftToScript;
    // A link inside the install folder that could not be removed: the
    // script must not get the folder then.
    std::wstring m_linkLeft;
    std::string m_script;
};
