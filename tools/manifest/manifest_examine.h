// A manifest file taken apart byte by byte, as the uninstaller's reader
// walks it, with everything that is outside the format named: fields
// without a terminator, records with an empty path, truncation, bytes after
// the last record.
#pragma once

#include "uninstall/manifest.h"

#include <string>
#include <vector>

struct tagShownItem {
    int nKind;
    std::wstring path; // up to its terminator or the field's end
};

struct tagManifestView {
    size_t size = 0;
    std::wstring key, product, group, installDir;
    bool directoryMode = false;
    bool hasEntryCount = false;
    int entryCount = 0;
    int shortcutCount = 0;
    std::vector<tagShownItem> entries, shortcuts;
    // Each finding with where it is ("entry 3: ..."); none for a sound file.
    std::vector<std::wstring> problems;
};

tagManifestView InspectManifest(const std::vector<unsigned char>& bytes);

// "directory", "file", or "file (kind 7)".
std::wstring KindName(int kind);
