// What an uninstall run does, step by step: each step is decided once by the
// engine (its action, its target as resolved, the verdict and why), then a
// sink either carries it out (a run) or leaves it be (a plan). Both yield
// the same record, in the same words.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

struct tagRunStep {
    enum Part { Manifest, Entries, Registry, Group, Desktop, Shortcuts, SelfRemoval };
    enum Action {
        ReadManifest,  // the manifest itself: why nothing is removed
        DeleteFile,    // a file
        RemoveFolder,  // a folder, once everything in it has gone
        RemoveLink,    // a file or folder link, removed as a link, its target untouched
        DeleteKey,     // the product's Uninstall key
        ScriptRemoves, // what the self-removal script deletes after the process ends
        ReadSwitches   // the command line: why nothing is removed
    };
    enum Verdict {
        Removed,   // done (planned: would be done)
        AtRestart, // held: removed when Windows restarts
        ByScript,  // left to the self-removal script
        Kept,      // left on purpose, reason says why
        Refused,   // a path or name the guards refuse
        Missing,   // not there
        Failed     // tried and could not be done
    };
    Part part;
    Action action;
    Verdict verdict;
    std::wstring target;
    std::wstring reason;
    REGSAM view = 0; // DeleteKey: the registry view, 0 for the process's own
    // The target, opened with delete access by the engine that judged it on
    // this very handle; nullptr when the sink must open it itself.
    HANDLE handle = nullptr;
};

// The words a record and a plan use.
const wchar_t* PartWord(tagRunStep::Part part);
const wchar_t* ActionWord(tagRunStep::Action action);
const wchar_t* VerdictWord(tagRunStep::Verdict verdict);
// The same as keys of a JSON document ("delete-file", "at-restart").
const wchar_t* PartKey(tagRunStep::Part part);
const wchar_t* ActionKey(tagRunStep::Action action);
const wchar_t* VerdictKey(tagRunStep::Verdict verdict);

// "removed     delete file     C:\App\a.txt" with "  [reason]" when there is one.
std::wstring FormatStep(const tagRunStep& step);

// How many steps had each verdict.
struct tagRunTotals {
    int count[tagRunStep::Failed + 1] = {};
    // Anything the run leaves that the manifest named: kept, refused, failed.
    int Left() const;
};
tagRunTotals CountVerdicts(const std::vector<tagRunStep>& steps);
// "total: 12 removed, 0 at restart, 2 by script, 1 kept, 0 refused, 0 not there, 0 failed"
std::wstring FormatTotals(const tagRunTotals& totals);

// One line a step, then the totals, each ending in "\r\n", as UTF-8.
std::string FormatRecord(const std::vector<tagRunStep>& steps);

// The exit codes deployment tools read.
enum : int { kExitRemoved = 0, kExitRestartNeeded = 3010, kExitNothingRemoved = 1603 };

// How a run ended, for the window and the exit code.
struct tagRunResult {
    enum Outcome {
        NotRun,          // no run yet
        Completed,       // everything the manifest named was dealt with
        RestartNeeded,   // as Completed, and something goes at the next restart
        ManifestMissing, // nothing removed: no manifest beside the uninstaller
        ManifestDamaged, // nothing removed: the manifest is not whole
        ManifestRefused, // nothing removed: what it names must not be removed
        StartFailed      // nothing removed: the run could not start
    };
    Outcome outcome = NotRun;
    std::wstring reason;
    // The run removed what it could, and the uninstaller may remove itself.
    bool isRemoved() const { return outcome == Completed || outcome == RestartNeeded; }
};
