#include "tools/manifest/manifest_examine.h"

#include "tools/manifest/mkman_text.h"
#include "uninstall/pathresolve.h"

#include <windows.h>

namespace {

std::wstring Quoted(const std::wstring& s) {
    return L"\"" + s + L"\"";
}

// Paths the reader kept that a run refuses or misreads as written; an empty
// one the reader has named already.
void CheckPaths(const wchar_t* list, const std::vector<tagUninstallItem>& items, bool kinds,
                std::vector<std::wstring>& problems) {
    for (const tagUninstallItem& item : items) {
        const std::wstring path = FieldString(item.szPath), where = list + Quoted(path);
        if (path.empty())
            continue;
        if (!isFullyQualified(item.szPath))
            problems.push_back(where +
                               L": not a full path (\"X:\\...\" or \"\\\\server\\share\\...\")");
        else if (kinds && item.nKind == 0 && path.back() != L'\\')
            problems.push_back(where + L": a directory path without its trailing backslash");
    }
}

} // namespace

bool ExamineManifest(const std::wstring& path, tagManifestView& v) {
    v = tagManifestView();
    tagUninstallHeader h = {};
    if (!ReadManifestFile(path.c_str(), h, v.entries, v.shortcuts, v.findings))
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        v.size = static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    v.key = FieldString(h.szUninstallKey);
    v.product = FieldString(h.szProductName);
    v.group = FieldString(h.szProgramGroup);
    v.installDir = FieldString(h.szInstallDir);
    v.directoryMode = isDirectoryMode(h);

    v.problems = v.findings.damage;
    v.problems.insert(v.problems.end(), v.findings.notes.begin(), v.findings.notes.end());
    if (v.directoryMode && FieldText(h.szInstallDir) && !isFullyQualified(h.szInstallDir))
        v.problems.push_back(L"the install directory is not a full path");
    CheckPaths(L"entry ", v.entries, true, v.problems);
    CheckPaths(L"shortcut ", v.shortcuts, false, v.problems);
    return true;
}

std::wstring KindName(int kind) {
    if (kind == 0)
        return L"directory";
    return kind == 1 ? L"file" : L"file (kind " + std::to_wstring(kind) + L")";
}
