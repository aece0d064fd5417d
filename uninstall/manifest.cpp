#include "uninstall/manifest.h"

#include "support/vxhandle.h"

#include <cstring>

namespace {

// The end-of-file indicator is set by a read that asked for more than was
// left, not by one that ended exactly at the end; the format's rules hang on it.
bool ReadInt(FILE* f, int& value) {
    value = 0;
    return fread(&value, 1, sizeof(value), f) == sizeof(value);
}

// A string field that a short read cut off before its terminator is a prefix
// of what the installer wrote, and could name another file, folder or key:
// such a field is cleared. fieldOffset and fieldBytes locate it in the
// record, supplied is how many bytes of the record the file gave.
void ClearCutField(void* record, size_t fieldOffset, size_t fieldBytes, size_t supplied) {
    wchar_t* field = reinterpret_cast<wchar_t*>(static_cast<char*>(record) + fieldOffset);
    size_t have = supplied > fieldOffset ? (supplied - fieldOffset) / sizeof(wchar_t) : 0;
    size_t chars = fieldBytes / sizeof(wchar_t);
    if (have >= chars)
        return;
    for (size_t i = 0; i < have; ++i)
        if (field[i] == L'\0')
            return;
    memset(field, 0, fieldBytes);
}

void ReadItem(FILE* f, tagUninstallItem& item) {
    memset(&item, 0, sizeof(item));
    size_t got = fread(&item, 1, sizeof(item), f);
    ClearCutField(&item, offsetof(tagUninstallItem, szPath), sizeof(item.szPath), got);
}

void ReadHeader(FILE* f, tagUninstallHeader& h) {
    size_t got = fread(&h, 1, sizeof(h), f);
    ClearCutField(&h, offsetof(tagUninstallHeader, szUninstallKey), sizeof(h.szUninstallKey), got);
    ClearCutField(&h, offsetof(tagUninstallHeader, szProductName), sizeof(h.szProductName), got);
    ClearCutField(&h, offsetof(tagUninstallHeader, szProgramGroup), sizeof(h.szProgramGroup), got);
    ClearCutField(&h, offsetof(tagUninstallHeader, szInstallDir), sizeof(h.szInstallDir), got);
}

} // namespace

void ReadManifestStream(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
                        std::vector<tagUninstallItem>& shortcuts) {
    ReadHeader(f, header);

    entries.clear();
    if (!isDirectoryMode(header)) {
        int count = 0;
        ReadInt(f, count);
        // Records that the file does not supply read as empty and are dropped,
        // so a huge count costs at most one pass to the end of the file.
        for (int i = 0; i < count && !feof(f); ++i) {
            tagUninstallItem item;
            ReadItem(f, item);
            if (item.szPath[0] != L'\0' && FieldText(item.szPath))
                entries.push_back(item);
        }
    }

    int shortcutCount = 0;
    if (!feof(f))
        ReadInt(f, shortcutCount);
    shortcuts.clear();
    for (int i = 0; i < shortcutCount && !feof(f); ++i) {
        tagUninstallItem item;
        ReadItem(f, item);
        if (!FieldText(item.szPath))
            memset(item.szPath, 0, sizeof(item.szPath));
        shortcuts.push_back(item);
    }
}

bool ReadManifestFile(const wchar_t* path, tagUninstallHeader& header,
                      std::vector<tagUninstallItem>& entries,
                      std::vector<tagUninstallItem>& shortcuts) {
    vx::unique_file f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    ReadManifestStream(f.get(), header, entries, shortcuts);
    return true;
}

bool ReadManifestHeader(const wchar_t* path, tagUninstallHeader& header) {
    memset(&header, 0, sizeof(header));
    vx::unique_file f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    ReadHeader(f.get(), header);
    return true;
}
