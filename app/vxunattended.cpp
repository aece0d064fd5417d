#include "app/vxunattended.h"

#include "uninstall/pathresolve.h"
#include "uninstall/report.h"
#include "uninstall/uninstaller.h"

#include <cwchar>

bool ClaimInstallFolder(const wchar_t* folder) {
    // The folder as the file system names it: two spellings of one folder
    // are one claim.
    std::wstring name;
    if (!ResolvePath(folder, name))
        name = folder;
    CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    unsigned long long hash = 1469598103934665603ull;
    for (wchar_t c : name)
        hash = (hash ^ c) * 1099511628211ull;
    wchar_t mutexName[64];
    for (const wchar_t* scope : {L"Global", L"Local"}) {
        _snwprintf(mutexName, 64, L"%ls\\vxUninstall-%016llx", scope, hash);
        mutexName[63] = L'\0';
        // Held until the process ends, whatever way it ends.
        HANDLE claim = CreateMutexW(nullptr, FALSE, mutexName);
        if (claim)
            return GetLastError() != ERROR_ALREADY_EXISTS;
    }
    return true;
}

int RunSilent(const std::wstring& logPath) {
    CVxUninstaller engine;
    engine.SetRecordCopy(logPath);
    engine.StartUninstall(nullptr, 0);
    const tagRunResult& result = engine.GetResult();
    if (!result.isRemoved())
        return kExitNothingRemoved;
    // The "uninstall" report goes out before the process ends, as it does
    // while a window shows the progress.
    WaitForReports(3000);
    engine.DeleteSelf();
    return result.outcome == tagRunResult::RestartNeeded ? kExitRestartNeeded : kExitRemoved;
}

void RecordUnknownSwitch(const std::wstring& logPath, const std::wstring& arg) {
    if (logPath.empty())
        return;
    tagRunStep step = {tagRunStep::Manifest, tagRunStep::ReadSwitches, tagRunStep::Refused, arg,
                       L"an unknown switch: nothing was removed"};
    WriteRunRecordTo({step}, logPath);
}
