#include "uninstall/manifest.h"

#include "support/vxhandle.h"
#include "support/vxtext.h"

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
// record, supplied is how many bytes of the record the file gave. True when
// the field holds its terminator.
bool ClearCutField(void* record, size_t fieldOffset, size_t fieldBytes, size_t supplied) {
    wchar_t* field = reinterpret_cast<wchar_t*>(static_cast<char*>(record) + fieldOffset);
    size_t have = supplied > fieldOffset ? (supplied - fieldOffset) / sizeof(wchar_t) : 0;
    size_t chars = fieldBytes / sizeof(wchar_t);
    for (size_t i = 0; i < have && i < chars; ++i)
        if (field[i] == L'\0')
            return true;
    if (have < chars)
        memset(field, 0, fieldBytes);
    return false;
}

std::wstring Where(const wchar_t* list, int index) {
    return std::wstring(list) + L" " + vx::DecimalText(index + 1);
}

// True when the file gave the whole record.
bool ReadItem(FILE* f, tagUninstallItem& item, const std::wstring& where,
              tagManifestFindings& found) {
    memset(&item, 0, sizeof(item));
    size_t got = fread(&item, 1, sizeof(item), f);
    bool whole = ClearCutField(&item, offsetof(tagUninstallItem, szPath), sizeof(item.szPath), got);
    if (got < sizeof(item))
        found.damage.push_back(where + L" is cut off by the end of the file");
    else if (!whole)
        found.damage.push_back(where + L": the path has no terminator");
    return got == sizeof(item);
}

void ReadHeader(FILE* f, tagUninstallHeader& h, tagManifestFindings& found) {
    size_t got = fread(&h, 1, sizeof(h), f);
    if (got < sizeof(h))
        found.damage.push_back(L"the header is cut off by the end of the file");
    const struct {
        size_t offset, bytes;
        const wchar_t* name;
    } fields[] = {
        {offsetof(tagUninstallHeader, szUninstallKey), sizeof(h.szUninstallKey), L"key name"},
        {offsetof(tagUninstallHeader, szProductName), sizeof(h.szProductName), L"product name"},
        {offsetof(tagUninstallHeader, szProgramGroup), sizeof(h.szProgramGroup), L"program group"},
        {offsetof(tagUninstallHeader, szInstallDir), sizeof(h.szInstallDir), L"install folder"},
    };
    for (const auto& field : fields)
        if (!ClearCutField(&h, field.offset, field.bytes, got) && got == sizeof(h))
            found.damage.push_back(std::wstring(L"the ") + field.name + L" has no terminator");
}

int ReadCount(FILE* f, const wchar_t* what, tagManifestFindings& found) {
    int count = 0;
    if (!ReadInt(f, count))
        found.damage.push_back(std::wstring(L"the ") + what + L" count is missing");
    else if (count < 0)
        found.damage.push_back(std::wstring(L"the ") + what + L" count is negative");
    return count;
}

void ReadAll(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
             std::vector<tagUninstallItem>& shortcuts, tagManifestFindings& found) {
    ReadHeader(f, header, found);

    entries.clear();
    if (!isDirectoryMode(header) && !feof(f)) {
        found.hasEntryCount = true;
        found.entryCount = ReadCount(f, L"entry", found);
        // Records that the file does not supply read as empty and are dropped,
        // so a huge count costs at most one pass to the end of the file.
        for (int i = 0; i < found.entryCount && !feof(f); ++i) {
            tagUninstallItem item;
            bool whole = ReadItem(f, item, Where(L"entry", i), found);
            if (item.szPath[0] != L'\0' && FieldText(item.szPath))
                entries.push_back(item);
            else if (whole && item.szPath[0] == L'\0')
                found.notes.push_back(Where(L"entry", i) +
                                      L": the path is empty; the uninstaller skips it");
        }
    }

    if (!feof(f))
        found.shortcutCount = ReadCount(f, L"shortcut", found);
    shortcuts.clear();
    for (int i = 0; i < found.shortcutCount && !feof(f); ++i) {
        tagUninstallItem item;
        ReadItem(f, item, Where(L"shortcut", i), found);
        if (!FieldText(item.szPath))
            memset(item.szPath, 0, sizeof(item.szPath));
        shortcuts.push_back(item);
    }
}

} // namespace

void ReadManifestStream(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
                        std::vector<tagUninstallItem>& shortcuts, std::wstring* damage) {
    tagManifestFindings found;
    ReadAll(f, header, entries, shortcuts, found);
    if (!damage)
        return;
    damage->clear();
    for (const std::wstring& finding : found.damage)
        *damage += (damage->empty() ? L"" : L"; ") + finding;
}

void ReadManifestStream(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
                        std::vector<tagUninstallItem>& shortcuts, tagManifestFindings& findings) {
    findings = tagManifestFindings();
    ReadAll(f, header, entries, shortcuts, findings);
    if (feof(f))
        return;
    long long at = _ftelli64(f);
    if (_fseeki64(f, 0, SEEK_END) == 0 && _ftelli64(f) > at)
        findings.notes.push_back(vx::DecimalText(_ftelli64(f) - at) +
                                 L" bytes after the last record, which the uninstaller never "
                                 L"reads");
}

namespace {

// Out is where the findings go: a damage text or all of them.
template <typename Out>
bool OpenAndRead(const wchar_t* path, tagUninstallHeader& header,
                 std::vector<tagUninstallItem>& entries, std::vector<tagUninstallItem>& shortcuts,
                 Out out) {
    vx::unique_file f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    ReadManifestStream(f.get(), header, entries, shortcuts, out);
    return true;
}

} // namespace

bool ReadManifestFile(const wchar_t* path, tagUninstallHeader& header,
                      std::vector<tagUninstallItem>& entries,
                      std::vector<tagUninstallItem>& shortcuts, std::wstring* damage) {
    return OpenAndRead<std::wstring*>(path, header, entries, shortcuts, damage);
}

bool ReadManifestFile(const wchar_t* path, tagUninstallHeader& header,
                      std::vector<tagUninstallItem>& entries,
                      std::vector<tagUninstallItem>& shortcuts, tagManifestFindings& findings) {
    return OpenAndRead<tagManifestFindings&>(path, header, entries, shortcuts, findings);
}

bool ReadManifestHeader(const wchar_t* path, tagUninstallHeader& header) {
    memset(&header, 0, sizeof(header));
    vx::unique_file f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    tagManifestFindings unused;
    ReadHeader(f.get(), header, unused);
    return true;
}
