// A manifest as the uninstaller's own reader sees it: the header, the lists
// it keeps and everything it met on the way, with the kept paths a run
// would refuse as they are written.
#pragma once

#include "uninstall/manifest.h"

#include <string>
#include <vector>

struct tagManifestView {
    unsigned long long size = 0;
    std::wstring key, product, group, installDir; // each up to its terminator
    bool directoryMode = false;
    std::vector<tagUninstallItem> entries, shortcuts;
    tagManifestFindings findings;
    // The reader's damage, then its notes, then the paths that are not full
    // paths or a directory entry without its trailing backslash; none for a
    // sound file.
    std::vector<std::wstring> problems;
};

// False when the file cannot be opened.
bool ExamineManifest(const std::wstring& path, tagManifestView& view);

// "directory", "file", or "file (kind 7)".
std::wstring KindName(int kind);
