// The uninstall manifest "vxUninstall.dat" that the product's installer
// leaves beside the uninstaller: a fixed header, an optional entry list and a
// shortcut list, UTF-16LE strings in fixed fields, 32-bit little-endian counts.
#pragma once

#include "support/vxtext.h"

#include <cstdio>
#include <cstddef>
#include <string>
#include <vector>

#define VX_MANIFEST_NAME L"vxUninstall.dat"

struct tagUninstallHeader {
    wchar_t szUninstallKey[100]; // subkey under ...\CurrentVersion\Uninstall\ of HKLM
    wchar_t szProductName[50];   // prompt text, desktop shortcut name, report value
    wchar_t szProgramGroup[30];  // folder inside the user's Start-menu Programs
    wchar_t szInstallDir[200];   // empty: entry-list mode; else directory mode
};

struct tagUninstallItem {
    int nKind; // 0 directory (path ends in '\'), anything else a file
    wchar_t szPath[260];
};

static_assert(sizeof(wchar_t) == 2, "the manifest stores UTF-16 code units");
static_assert(sizeof(tagUninstallHeader) == 760, "manifest header layout");
static_assert(sizeof(tagUninstallItem) == 524, "manifest item layout");
static_assert(offsetof(tagUninstallHeader, szProductName) == 200, "manifest header layout");
static_assert(offsetof(tagUninstallHeader, szProgramGroup) == 300, "manifest header layout");
static_assert(offsetof(tagUninstallHeader, szInstallDir) == 360, "manifest header layout");
static_assert(offsetof(tagUninstallItem, szPath) == 4, "manifest item layout");

// A fixed field is only usable when its terminator lies inside it: a field
// that runs to its end names nothing (cutting it short could name another
// file or key). Returns the text, or nullptr.
template <size_t N> const wchar_t* FieldText(const wchar_t (&field)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (field[i] == L'\0')
            return field;
    return nullptr;
}

// Copies a field into out (capacity cap), cut at the field's end and always
// terminated; for display only.
template <size_t N> void CopyFieldForDisplay(const wchar_t (&field)[N], wchar_t* out, size_t cap) {
    if (cap > 0)
        vx::CopyBounded(out, field, cap - 1 < N ? cap - 1 : N);
}

inline bool isDirectoryMode(const tagUninstallHeader& h) {
    return h.szInstallDir[0] != L'\0';
}

// What a read met, each finding saying where it is ("entry 3 ..."). Damage
// makes the file not whole: a header or record cut off by the end of the
// file, a missing or negative count, a field without its terminator. Notes
// are what the format allows and the reader passes over: an entry with an
// empty path, dropped, and bytes after the last record, never read.
struct tagManifestFindings {
    std::vector<std::wstring> damage, notes;
    bool hasEntryCount = false; // entry-list mode, with the count read
    int entryCount = 0;
    int shortcutCount = 0;
};

// Reads a whole manifest from an open binary stream into header (bytes the
// stream does not supply keep their previous contents) and the two lists
// (emptied first). Entry records with an empty or unterminated path are
// dropped; shortcut records are all kept, an unterminated path zeroed.
// When damage is given, it receives the damage findings joined by "; " (""
// for a whole file).
void ReadManifestStream(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
                        std::vector<tagUninstallItem>& shortcuts, std::wstring* damage = nullptr);
// The same read, with everything it met (the stream is then left at its end).
void ReadManifestStream(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
                        std::vector<tagUninstallItem>& shortcuts, tagManifestFindings& findings);

// Opens path with "rb" and reads it as above; false when it cannot be opened.
bool ReadManifestFile(const wchar_t* path, tagUninstallHeader& header,
                      std::vector<tagUninstallItem>& entries,
                      std::vector<tagUninstallItem>& shortcuts, std::wstring* damage = nullptr);
bool ReadManifestFile(const wchar_t* path, tagUninstallHeader& header,
                      std::vector<tagUninstallItem>& entries,
                      std::vector<tagUninstallItem>& shortcuts, tagManifestFindings& findings);

// The header alone, into a zero-filled block; false when the file cannot be
// opened (the block stays zero).
bool ReadManifestHeader(const wchar_t* path, tagUninstallHeader& header);
