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

// The path in its extended-length form ("\\?\C:\..."), so that trees deeper
// than MAX_PATH can be walked; path must already be resolved.
std::wstring LongPath(const std::wstring& path);

// What a path turns out to be on a handle opened on it.
enum class NodeKind {
    Missing,
    File,
    Folder,
    Link,         // a junction or symbolic link, opened as itself
    FollowedLink, // a link the system followed although asked not to
    Unchecked     // there, but no handle could be had to tell what it is
};

// A handle OpenNode leaves open: on the path itself (never on a link's
// target), with delete access where that could be had.
struct tagNodeHandle {
    vx::unique_hfile handle;
    bool deletable = false;
};

// Opens path (resolved, no trailing backslash) without following a link
// and tells what it is: a handle that does not name exactly path is a link
// the system followed. The handle goes to out when given. A folder
// (asFolder) is opened without delete sharing, so nothing can rename it or
// put a link in its place while it is held, and without delete access; a
// file shares everything and is opened for deletion where it can be.
// listed, when given, are the attributes the folder's listing showed for a
// file: they tell a link from a file without asking the handle again (a
// file swapped for a link since is still opened as the link, and a link
// the system follows still shows in the handle's name).
NodeKind OpenNode(const std::wstring& path, tagNodeHandle* out = nullptr, bool asFolder = true,
                  const DWORD* listed = nullptr);

// The name the open handle's object has ("C:\a\b", no trailing backslash).
bool HandlePath(HANDLE h, std::wstring& out);
// Whether the open handle's object is named path (resolved) and not, say,
// the target of a link the system followed.
bool isHandleNamed(HANDLE h, const std::wstring& path);

// Case-insensitive equality of whole strings.
bool isSameText(const std::wstring& a, const std::wstring& b);

// True when a equals b or contains it (a is b or one of b's ancestors); both
// resolved, without trailing backslashes.
bool isEqualOrAncestor(const std::wstring& a, const std::wstring& b);
