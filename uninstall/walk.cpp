// The engine's walks: counting a tree, removing it, and clearing the links
// out of a folder the self-removal script will remove whole.
#include "support/vxhandle.h"
#include "uninstall/uninstaller.h"

#include <cwchar>

namespace {

using Step = tagRunStep;

bool isDirEntry(const WIN32_FIND_DATAW& fd) {
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isSelfOrParent(const wchar_t* name) {
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

bool isLinkKind(NodeKind kind) {
    return kind == NodeKind::Link || kind == NodeKind::FollowedLink;
}

vx::unique_hfind FindAll(const std::wstring& dir, WIN32_FIND_DATAW& fd) {
    std::wstring pattern = LongPath(dir) + L"\\*";
    return vx::unique_hfind(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd,
                                             FindExSearchNameMatch, nullptr,
                                             FIND_FIRST_EX_LARGE_FETCH));
}

} // namespace

int CVxUninstaller::CountTree(const std::wstring& dir) {
    tagNodeHandle held;
    if (OpenNode(dir, &held) != NodeKind::Folder)
        return 0;
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    if (!find)
        return 0;
    int count = 0;
    do {
        if (!isDirEntry(fd))
            ++count;
        else if (fd.cFileName[0] != L'.')
            count += CountTree(dir + L"\\" + fd.cFileName);
    } while (FindNextFileW(find.get(), &fd));
    return count;
}

// The folder is judged on an open handle right before it is entered, and
// held while its contents go: a link, or a folder swapped for one since it
// was listed, is removed as a link and never entered.
CVxUninstaller::Fate CVxUninstaller::Walk(const std::wstring& dir) {
    tagNodeHandle held;
    NodeKind kind = OpenNode(dir, &held);
    if (kind != NodeKind::Folder) {
        Step::Verdict v = AddStep(DecideNode(kind, true), dir, &held);
        if (isLinkKind(kind))
            NoteLink(dir, v);
        return FateOf(v);
    }
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    if (!find) {
        AddStep(Step::RemoveFolder, Step::Kept, dir, L"what it holds could not be listed");
        return Fate::Stays;
    }
    int stays = 0, atRestart = 0;
    do {
        if (isSelfOrParent(fd.cFileName))
            continue;
        const std::wstring path = dir + L"\\" + fd.cFileName;
        Fate fate = Fate::Stays;
        if (!isDirEntry(fd)) {
            fate = RemoveFile(path, &fd.dwFileAttributes);
            ReportProgress();
        } else if (fd.cFileName[0] != L'.') {
            fate = Walk(path);
        } else if (!m_scriptDir.empty() && isEqualOrAncestor(m_scriptDir, path)) {
            const tagDecision left = DotFolder(true);
            SweepLinks(path, L"", &left);
        } else {
            AddStep(DotFolder(false), path);
        }
        stays += fate == Fate::Stays;
        atRestart += fate == Fate::AtRestart;
    } while (FindNextFileW(find.get(), &fd));
    find.reset();
    held = tagNodeHandle();
    return FateOf(AddStep(FolderAfterWalk(stays, atRestart), dir));
}

CVxUninstaller::Fate CVxUninstaller::RemoveFile(const std::wstring& path, const DWORD* listed) {
    // The uninstaller itself is left to the self-removal script.
    if (isSameText(path, m_self))
        return Fate::Stays;
    tagNodeHandle open;
    NodeKind kind = OpenNode(path, &open, false, listed);
    Step::Verdict v = AddStep(DecideNode(kind, false), path, &open);
    if (isLinkKind(kind))
        NoteLink(path, v);
    return FateOf(v);
}

// Removes every link inside dir, at any depth and in folders whose names
// begin with a dot too, and touches nothing else: what the command
// interpreter's removal of the folder would otherwise follow. skip is a
// folder inside that has been dealt with already; asFolder, when given, is
// recorded for dir itself.
void CVxUninstaller::SweepLinks(const std::wstring& dir, const std::wstring& skip,
                                const tagDecision* asFolder) {
    tagNodeHandle held;
    NodeKind kind = OpenNode(dir, &held);
    if (kind != NodeKind::Folder) {
        if (isLinkKind(kind))
            NoteLink(dir, AddStep(DecideNode(kind, true), dir, &held));
        return;
    }
    if (asFolder) {
        m_leftToScript.push_back(m_record.size());
        AddStep(*asFolder, dir);
    }
    WIN32_FIND_DATAW fd;
    vx::unique_hfind find = FindAll(dir, fd);
    if (!find)
        return;
    do {
        if (isSelfOrParent(fd.cFileName))
            continue;
        const std::wstring path = dir + L"\\" + fd.cFileName;
        if (!skip.empty() && isSameText(path, skip))
            continue;
        if (isDirEntry(fd)) {
            SweepLinks(path, skip, nullptr);
            continue;
        }
        // A link to a file need not say so in its folder's listing.
        tagNodeHandle open;
        NodeKind file = OpenNode(path, &open, false);
        if (isLinkKind(file))
            NoteLink(path, AddStep(DecideNode(file, false), path, &open));
    } while (FindNextFileW(find.get(), &fd));
}

// A link that stays inside the install folder would be followed by the
// script's removal of the folder.
void CVxUninstaller::NoteLink(const std::wstring& path, Step::Verdict verdict) {
    if (verdict != Step::Removed && verdict != Step::Missing && m_linkLeft.empty() &&
        !m_scriptDir.empty() && isEqualOrAncestor(m_scriptDir, path))
        m_linkLeft = path;
}
