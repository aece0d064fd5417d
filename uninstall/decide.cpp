#include "uninstall/decide.h"

#include <cwchar>

using Step = tagRunStep;

tagDecision DecideNode(NodeKind kind, bool namedAsFolder) {
    const Step::Action own = namedAsFolder ? Step::RemoveFolder : Step::DeleteFile;
    switch (kind) {
    case NodeKind::Missing:
        return {own, Step::Missing, L""};
    case NodeKind::Link:
        return {Step::RemoveLink, Step::Removed, L"a link: what it points to is not touched"};
    case NodeKind::FollowedLink:
        return {Step::RemoveLink, Step::Kept,
                L"a link this system opens only as what it points to: left, so that is not "
                L"touched"};
    case NodeKind::Unchecked:
        // A file is checked again on the handle that deletes it.
        return namedAsFolder ? tagDecision{own, Step::Kept, L"could not be opened to be checked"}
                             : tagDecision{own, Step::Removed, L""};
    case NodeKind::File:
        return namedAsFolder ? tagDecision{own, Step::Kept, L"a file, named as a folder"}
                             : tagDecision{own, Step::Removed, L""};
    case NodeKind::Folder:
        return namedAsFolder ? tagDecision{own, Step::Removed, L""}
                             : tagDecision{own, Step::Kept, L"a folder, named as a file"};
    }
    return {own, Step::Kept, L""};
}

tagDecision FolderAfterWalk(int stays, int atRestart) {
    if (stays > 0)
        return {Step::RemoveFolder, Step::Kept, L"something in it stays"};
    if (atRestart > 0)
        return {Step::RemoveFolder, Step::AtRestart, L"holds what goes at the next restart"};
    return {Step::RemoveFolder, Step::Removed, L""};
}

tagDecision DotFolder(bool insideScriptFolder) {
    if (insideScriptFolder)
        return {Step::RemoveFolder, Step::ByScript,
                L"its name begins with a dot: the walk leaves it, the script removes it with "
                L"the install folder"};
    return {Step::RemoveFolder, Step::Kept, L"its name begins with a dot: not entered"};
}

bool isOneName(const wchar_t* name) {
    return name && *name && !wcspbrk(name, L"\\/:") && !wcsstr(name, L"..") &&
           wcscmp(name, L".") != 0;
}
