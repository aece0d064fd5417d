// What a path names: the one spelling the file system itself gives a folder
// or file, so that short names, "..", trailing dots, shares of this machine
// and the 32-bit view of the system folder cannot pass for something else.
#pragma once

#include "support/vxhandle.h"

#include <windows.h>
#include <string>

// "X:\..." or "\\server\share\..."; relative, drive-relative and device
// ("\\?\", "\\.\") paths are not.
bool isFullyQualified(const wchar_t* path);

// The path as the file system names it, without a trailing backslash ("C:"
// for a drive root): absolute, each existing ancestor resolved through an
// open handle (long names, links in ancestors followed), the last component
// spelled as its folder lists it but never followed, so a link is judged as
// the link. An administrative share of this machine ("\\localhost\c$\x")
// becomes its local drive and "Sysnative" the system folder. False when the
// path is not fully qualified or names a share of this machine that is not
// an administrative one (what it names cannot be told).
bool ResolvePath(const wchar_t* path, std::wstring& out);

// A and b name the same thing once both are resolved.
bool isSamePath(const wchar_t* a, const wchar_t* b);

// What a folder path turns out to be when it is opened.
enum class FolderKind { Missing, NotFolder, Link, Folder };

// Opens the folder at path (already resolved, no trailing backslash) for a
// walk. A folder is kept open in held without delete sharing, so nothing can
// rename it or put a link in its place while it is walked. A junction or
// symbolic link is reported as Link, as is any handle that does not name
// exactly path (a link the system followed although asked not to).
FolderKind OpenFolder(const std::wstring& path, vx::unique_hfile& held);

// Case-insensitive equality of whole strings.
bool isSameText(const std::wstring& a, const std::wstring& b);

// True when a equals b or contains it (a is b or one of b's ancestors); both
// resolved, without trailing backslashes.
bool isEqualOrAncestor(const std::wstring& a, const std::wstring& b);
