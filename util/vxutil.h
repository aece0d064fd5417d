// The system utility functions: thin, stateless wrappers over system
// services, exported under their own names. Text is UTF-16; output buffers
// are the caller's and hold 260 characters (MAX_PATH) unless a size is
// passed; every output is bounded by that size and always terminated.
// Integer results are 1 for success and 0 for failure unless stated.
#pragma once

#include "support/vxapi.h"
// GetCurPath, isWow64 and the shared memory functions belong to this family
// too; the services below it use them, so they are declared there.
#include "support/vxprocess.h"
#include "support/vxsharemem.h"

#include <windows.h>

// Paths and shell folders. Shell-folder lookups never create the folder.
VX_CAPI int GetProgramsPath(wchar_t* out);
VX_CAPI int GetStartMenuPath(wchar_t* out);
VX_CAPI int GetDesktopPath(wchar_t* out);
VX_CAPI int GetProgramFilePath(wchar_t* out);
VX_CAPI int GetQuickLaunchPath(wchar_t* out, int pinned);
VX_CAPI void ExtractPath(wchar_t* text);
VX_CAPI HRESULT LnkToRealPath(const wchar_t* lnk, wchar_t* out);

// Files and folders.
VX_CAPI int isDir(const wchar_t* path);
VX_CAPI long long FileSize(const wchar_t* path);
VX_CAPI int FileTime(const wchar_t* path, SYSTEMTIME* created, SYSTEMTIME* written,
                     SYSTEMTIME* accessed);
VX_CAPI int CreateFolder(const wchar_t* path);
VX_CAPI int CreateDirTree(const wchar_t* path);
VX_CAPI unsigned long long GetPathUseSpace(const wchar_t* path);
VX_CAPI int GetFileVer(const wchar_t* path, wchar_t* out);
VX_CAPI int CompVersion(const wchar_t* a, const wchar_t* b);
VX_CAPI long long StrToIntSize(const wchar_t* text);
VX_CAPI void IntToStrSize(long long size, wchar_t* out);

// Shortcuts, shell and dialogs. The shortcut functions expect the caller
// to have initialised COM.
VX_CAPI int CreateShortcut(const wchar_t* folder, const wchar_t* name, const wchar_t* target,
                           const wchar_t* icon, WORD hotkey, const wchar_t* description,
                           int showCmd);
VX_CAPI int SetShortcutIcon(const wchar_t* lnk, const wchar_t* icon);
VX_CAPI int CreateUrlShortcut(const wchar_t* path, const wchar_t* url);
VX_CAPI void RefreshIconCache(void);
VX_CAPI int DoRun(const wchar_t* file, const wchar_t* params, int wait, int showCmd);
VX_CAPI int PlayWav(const wchar_t* sound, int fromResource);
VX_CAPI int ShowSaveFileDlg(wchar_t* out, HWND owner, const wchar_t* defExt, const wchar_t* filter);
VX_CAPI int ShowOpenFileDlg(wchar_t* out, DWORD size, HWND owner, const wchar_t* filter,
                            const wchar_t* defExt, int multi);
VX_CAPI int ShowSelDir(wchar_t* out, HWND owner);

// The notification-area icon of a window (icon id 0).
VX_CAPI int ShowTray(HWND hwnd, HICON icon, const wchar_t* tip, UINT callbackMsg);
VX_CAPI int SetIcon(HWND hwnd, HICON icon);
VX_CAPI int SetTip(HWND hwnd, const wchar_t* tip);
VX_CAPI int ShowBalloon(HWND hwnd, const wchar_t* title, const wchar_t* text, UINT timeoutMs);
VX_CAPI int DelTray(HWND hwnd);

// Clipboard, single instance.
VX_CAPI int GetClipboard(wchar_t* out, int maximum);
VX_CAPI int SetClipboard(const wchar_t* text);
VX_CAPI int CheckOneInstance(const wchar_t* name, const wchar_t* text);

// Process privileges and kernel drivers.
VX_CAPI int SetPrivilege(const wchar_t* privilege, int enable);
VX_CAPI int LoadDrv(const wchar_t* service, const wchar_t* driverPath);
VX_CAPI int UnLoadDrv(const wchar_t* service);

// System information.
VX_CAPI int GetOsName(wchar_t* out);
VX_CAPI int isWin7(void);
VX_CAPI int isWin8(void);
VX_CAPI void DisableFsRedirection(void** saved);
VX_CAPI void RevertFsRedirection(void** saved);
VX_CAPI int isEnableUAC(void);
VX_CAPI int isNotebook(void);
VX_CAPI void GetCPUID(char* out);

// Certificates and signatures.
VX_CAPI int VerifySignature(const wchar_t* path);
VX_CAPI int CertExists(const wchar_t* subject);
VX_CAPI int ImportCACert(const BYTE* der, DWORD length);
VX_CAPI int ImportCertFile(const wchar_t* path);

// Registry associations and installed programs.
VX_CAPI void RegFileRelation(const wchar_t* ext, const wchar_t* program, const wchar_t* typeName,
                             const wchar_t* icon, const wchar_t* description);
VX_CAPI void RegProtocol(const wchar_t* scheme, const wchar_t* programFile);
VX_CAPI int CheckInstalled(const wchar_t* name);

// The vendor's reports: the per-user machine identifier and the escaping of
// a query value.
// "VX", the tick count (up to 11 characters with a sign) and two five-digit
// numbers, with the terminator.
const size_t kUidChars = 24;
// The longest escaped value, terminator included.
const size_t kReportValueChars = 1024;
// The machine identifier into out (kUidChars at least). With persist the one
// kept under HKCU\SOFTWARE\Tarnvel "UID" when it has exactly 20 characters,
// else a fresh one, which is stored there.
VX_CAPI void CreateUID(wchar_t* out, int persist);
// Escapes the text in place for a query, byte by byte of its UTF-8 form.
// Non-zero when escaped; 0 (text unchanged) when the result with its
// terminator would not fit kReportValueChars or the buffer's chars.
VX_CAPI int URLEncode(wchar_t* text, size_t chars);

// Icons in executables.
VX_CAPI int ReplaceExeIco(const wchar_t* exePath, const wchar_t* icoPath, int groupId);
