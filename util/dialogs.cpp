// The common file and folder dialogs.
#include "util/vxutil.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

namespace {

// "Please choose a folder", the product's own wording.
const wchar_t kSelectFolderTitle[] = L"\u8BF7\u9009\u62E9\u6587\u4EF6\u5939";

} // namespace

int ShowSaveFileDlg(wchar_t* out, HWND owner, const wchar_t* defExt, const wchar_t* filter) {
    if (!out)
        return 0;
    out[0] = L'\0';
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = out;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = defExt;
    return GetSaveFileNameW(&ofn) ? 1 : 0;
}

int ShowOpenFileDlg(wchar_t* out, DWORD size, HWND owner, const wchar_t* filter,
                    const wchar_t* defExt, int multi) {
    if (!out || size == 0)
        return 0;
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = out;
    ofn.nMaxFile = size;
    ofn.lpstrDefExt = defExt;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_READONLY |
                (multi ? OFN_ALLOWMULTISELECT : 0);
    return GetOpenFileNameW(&ofn);
}

int ShowSelDir(wchar_t* out, HWND owner) {
    if (!out)
        return 0;
    out[0] = L'\0';
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = kSelectFolderTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&info);
    if (!pidl)
        return 0;
    BOOL found = SHGetPathFromIDListW(pidl, out);
    CoTaskMemFree(pidl);
    if (!found)
        out[0] = L'\0';
    return found ? 1 : 0;
}
