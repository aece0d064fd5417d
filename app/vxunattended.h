// The parts of a run that need no window: one run per install folder, the
// silent run, and what an unknown switch gets.
#pragma once

#include <windows.h>
#include <string>

// The exit codes of the cases a run does not even start.
enum : int { kExitBadSwitch = 87, kExitAlreadyRunning = 1618 };

// Claims the install folder of the uninstaller in folder for this process,
// until it ends; false when another copy holds it.
bool ClaimInstallFolder(const wchar_t* folder);

// The whole uninstall without a window or a question, as a confirmed
// interactive run does it; ends the process through self-removal with 0
// or 3010, or returns the exit code when it cannot (1603 when nothing was
// removed). logPath ("" for none) gets a copy of the record.
int RunSilent(const std::wstring& logPath);

// The record of a run refused for a switch it does not know, written to
// logPath when there is one.
void RecordUnknownSwitch(const std::wstring& logPath, const std::wstring& arg);
