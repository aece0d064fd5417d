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

// Findings, joined into one text.
class Damage {
public:
    explicit Damage(std::wstring* out) : m_out(out) {
        if (m_out)
            m_out->clear();
    }
    void Add(const std::wstring& finding) {
        if (m_out)
            *m_out += (m_out->empty() ? L"" : L"; ") + finding;
    }

private:
    std::wstring* m_out;
};

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

void ReadItem(FILE* f, tagUninstallItem& item, const std::wstring& where, Damage& damage) {
    memset(&item, 0, sizeof(item));
    size_t got = fread(&item, 1, sizeof(item), f);
    bool whole = ClearCutField(&item, offsetof(tagUninstallItem, szPath), sizeof(item.szPath), got);
    if (got < sizeof(item))
        damage.Add(where + L" is cut off by the end of the file");
    else if (!whole)
        damage.Add(where + L": the path has no terminator");
}

void ReadHeader(FILE* f, tagUninstallHeader& h, Damage& damage) {
    size_t got = fread(&h, 1, sizeof(h), f);
    if (got < sizeof(h))
        damage.Add(L"the header is cut off by the end of the file");
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
            damage.Add(std::wstring(L"the ") + field.name + L" has no terminator");
}

int ReadCount(FILE* f, const wchar_t* what, Damage& damage) {
    int count = 0;
    if (!ReadInt(f, count))
        damage.Add(std::wstring(L"the ") + what + L" count is missing");
    else if (count < 0)
        damage.Add(std::wstring(L"the ") + what + L" count is negative");
    return count;
}

} // namespace

void ReadManifestStream(FILE* f, tagUninstallHeader& header, std::vector<tagUninstallItem>& entries,
                        std::vector<tagUninstallItem>& shortcuts, std::wstring* damageText) {
    Damage damage(damageText);
    ReadHeader(f, header, damage);

    entries.clear();
    if (!isDirectoryMode(header) && !feof(f)) {
        int count = ReadCount(f, L"entry", damage);
        // Records that the file does not supply read as empty and are dropped,
        // so a huge count costs at most one pass to the end of the file.
        for (int i = 0; i < count && !feof(f); ++i) {
            tagUninstallItem item;
            ReadItem(f, item, Where(L"entry", i), damage);
            if (item.szPath[0] != L'\0' && FieldText(item.szPath))
                entries.push_back(item);
        }
    }

    int shortcutCount = 0;
    if (!feof(f))
        shortcutCount = ReadCount(f, L"shortcut", damage);
    shortcuts.clear();
    for (int i = 0; i < shortcutCount && !feof(f); ++i) {
        tagUninstallItem item;
        ReadItem(f, item, Where(L"shortcut", i), damage);
        if (!FieldText(item.szPath))
            memset(item.szPath, 0, sizeof(item.szPath));
        shortcuts.push_back(item);
    }
}

bool ReadManifestFile(const wchar_t* path, tagUninstallHeader& header,
                      std::vector<tagUninstallItem>& entries,
                      std::vector<tagUninstallItem>& shortcuts, std::wstring* damage) {
    vx::unique_file f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    ReadManifestStream(f.get(), header, entries, shortcuts, damage);
    return true;
}

bool ReadManifestHeader(const wchar_t* path, tagUninstallHeader& header) {
    memset(&header, 0, sizeof(header));
    vx::unique_file f(_wfopen(path, L"rb"));
    if (!f)
        return false;
    Damage none(nullptr);
    ReadHeader(f.get(), header, none);
    return true;
}
