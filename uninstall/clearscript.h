// The self-removal script: its text, its file, how it is started, and paths
// written so that the command interpreter reads back exactly the same name.
#pragma once

#include "support/vxhandle.h"

#include <windows.h>
#include <string>

#define VX_CLEAR_SCRIPT L"c:\\clear.bat"

// The script text in bytes: end the process pid if it still runs, delete
// exePath (retrying for about ten seconds while it cannot be deleted),
// remove installDir with its contents when given (may be nullptr), delete
// the script. Both paths are already in batch form (see BatchPath). Lines end
// in "\r\n"; no break after the last line. False if it exceeds cap - 1 bytes.
bool FormatClearScript(const char* exePath, const char* installDir, unsigned long pid, char* out,
                       size_t cap);

// Creates the script file exclusively, never through a link: "c:\clear.bat",
// or, when that name is taken (by a file, a folder, a link or another run's
// script), a fresh name beside it. The name goes to path.
vx::unique_hfile CreateClearScript(std::wstring& path);

// Writes the script bytes as a text-mode stream would, each "\n" as "\r\n"
// (so lines end in CR CR LF, read as plain line ends).
bool WriteClearScript(HANDLE file, const char* text);

// Runs the script hidden with the system's own command interpreter, no
// AutoRun and no delayed expansion, in "c:\". The interpreter inherits a
// handle to this process, so the process id the script ends cannot pass to
// another process while the script runs.
bool LaunchClearScript(const std::wstring& path);

// A path as the script must spell it in code page cp (the command
// interpreter reads batch files in the console's, that is the OEM, code
// page): every '%' doubled so that nothing expands; a name the code page
// cannot represent is replaced by its short 8.3 form. When neither spells
// the name exactly, the path is put in the environment variable envName of
// this process, which the launched script inherits, and written as a
// reference to it. False only if even that is impossible.
bool BatchPath(const wchar_t* path, UINT cp, const wchar_t* envName, std::string& out);
