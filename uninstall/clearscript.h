// The self-removal script "c:\clear.bat": its text, and paths written so that
// the command interpreter reads back exactly the same file name.
#pragma once

#include <windows.h>
#include <string>

#define VX_CLEAR_SCRIPT L"c:\\clear.bat"

// The script text in bytes: kill every vxUninstall.exe, delete exePath,
// remove installDir with its contents when given (may be nullptr), delete
// the script. Both paths are already in batch form (see BatchPath). Lines end
// in "\r\n"; no break after the last line. False if it exceeds cap - 1 bytes.
bool FormatClearScript(const char* exePath, const char* installDir, char* out, size_t cap);

// Writes the script bytes through a text-mode stream, so each "\n" reaches
// the disk as "\r\n" and lines end in CR CR LF (read as plain line ends).
bool WriteClearScript(const char* text, const wchar_t* path);

// A path as the script must spell it in code page cp (the command
// interpreter reads batch files in the console's, that is the OEM, code
// page): every '%' doubled so that nothing expands; a name the code page
// cannot represent is replaced by its short 8.3 form. When neither spells
// the name exactly, the path is put in the environment variable envName of
// this process, which the launched script inherits, and written as a
// reference to it. False only if even that is impossible.
bool BatchPath(const wchar_t* path, UINT cp, const wchar_t* envName, std::string& out);
