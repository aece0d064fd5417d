#include "tools/manifest/manifest_examine.h"

#include "tools/manifest/mkman_text.h"
#include "uninstall/pathresolve.h"

#include <cstring>

namespace {

// Reads the bytes in order as the reader's stream does: a short read fills
// what is there and marks the end as reached.
class Cursor {
public:
    explicit Cursor(const std::vector<unsigned char>& b) : m_bytes(b) {}
    size_t Take(void* out, size_t n) {
        size_t got = n < Left() ? n : Left();
        memcpy(out, m_bytes.data() + m_at, got);
        m_at += got;
        m_end = m_end || got < n;
        return got;
    }
    size_t Left() const { return m_bytes.size() - m_at; }
    bool AtEnd() const { return m_end; }

private:
    const std::vector<unsigned char>& m_bytes;
    size_t m_at = 0;
    bool m_end = false;
};

std::wstring Num(long long n) {
    return std::to_wstring(n);
}

// A field the file gave in full must hold its terminator; one the file cut
// short is read as empty.
template <size_t N>
void CheckField(const wchar_t (&field)[N], size_t offset, size_t supplied, const wchar_t* name,
                std::vector<std::wstring>& problems) {
    size_t have = supplied > offset ? (supplied - offset) / sizeof(wchar_t) : 0;
    bool terminated = false;
    for (size_t i = 0; i < (have < N ? have : N) && !terminated; ++i)
        terminated = field[i] == L'\0';
    if (terminated)
        return;
    if (have >= N)
        problems.push_back(std::wstring(L"header: the ") + name + L" has no terminator in its " +
                           Num(N) + L" characters; the uninstaller ignores it");
    else if (supplied > offset)
        problems.push_back(
            std::wstring(L"header: the ") + name +
            L" is cut off by the end of the file; the uninstaller reads it as empty");
}

void ReadItems(Cursor& in, int count, bool entries, tagManifestView& v) {
    const wchar_t* list = entries ? L"entry " : L"shortcut ";
    std::vector<tagShownItem>& out = entries ? v.entries : v.shortcuts;
    for (int i = 0; i < count && !in.AtEnd(); ++i) {
        tagUninstallItem item;
        memset(&item, 0, sizeof(item));
        size_t got = in.Take(&item, sizeof(item));
        std::wstring where = list + Num(i + 1) + L": ";
        if (got == 0) {
            v.problems.push_back(where + L"missing: the file ends before it");
            break;
        }
        tagShownItem shown = {item.nKind, FieldString(item.szPath)};
        out.push_back(shown);
        const wchar_t* fate = entries ? L"the uninstaller skips it" : L"nothing is deleted for it";
        if (got < sizeof(item)) {
            // The reader keeps a cut path only when its terminator made it in.
            size_t have = got > 4 ? (got - 4) / sizeof(wchar_t) : 0;
            bool whole = shown.path.size() < have && !shown.path.empty();
            v.problems.push_back(where + L"cut off after " + Num(got) + L" of its " +
                                 Num(sizeof(item)) + L" bytes; " +
                                 (whole ? L"its path is whole and is used" : fate));
        } else if (!FieldText(item.szPath))
            v.problems.push_back(where + L"the path has no terminator in its 260 characters; " +
                                 fate);
        else if (item.szPath[0] == L'\0')
            v.problems.push_back(where + L"the path is empty; " + fate);
        else if (!isFullyQualified(item.szPath))
            v.problems.push_back(where +
                                 L"not a full path (\"X:\\...\" or \"\\\\server\\share\\...\")");
        else if (entries && item.nKind == 0 && shown.path.back() != L'\\')
            v.problems.push_back(where + L"a directory path without its trailing backslash");
    }
}

int ReadCount(Cursor& in, const wchar_t* what, tagManifestView& v) {
    unsigned char b[4] = {};
    size_t got = in.Take(b, sizeof(b));
    if (got < sizeof(b)) {
        v.problems.push_back(std::wstring(L"the ") + what +
                             L" count is missing: the file ends before it");
        return 0;
    }
    int n = static_cast<int>(static_cast<unsigned>(b[0]) | static_cast<unsigned>(b[1]) << 8 |
                             static_cast<unsigned>(b[2]) << 16 | static_cast<unsigned>(b[3]) << 24);
    if (n < 0)
        v.problems.push_back(std::wstring(L"the ") + what + L" count is negative (" + Num(n) +
                             L"): the list is read as empty");
    return n;
}

} // namespace

tagManifestView InspectManifest(const std::vector<unsigned char>& bytes) {
    tagManifestView v;
    v.size = bytes.size();
    Cursor in(bytes);

    tagUninstallHeader h;
    memset(&h, 0, sizeof(h));
    size_t got = in.Take(&h, sizeof(h));
    if (got < sizeof(h))
        v.problems.push_back(L"header: cut off after " + Num(got) + L" of its 760 bytes");
    CheckField(h.szUninstallKey, offsetof(tagUninstallHeader, szUninstallKey), got,
               L"uninstall key name", v.problems);
    CheckField(h.szProductName, offsetof(tagUninstallHeader, szProductName), got, L"product name",
               v.problems);
    CheckField(h.szProgramGroup, offsetof(tagUninstallHeader, szProgramGroup), got,
               L"program group", v.problems);
    CheckField(h.szInstallDir, offsetof(tagUninstallHeader, szInstallDir), got,
               L"install directory", v.problems);
    v.key = FieldString(h.szUninstallKey);
    v.product = FieldString(h.szProductName);
    v.group = FieldString(h.szProgramGroup);
    v.installDir = FieldString(h.szInstallDir);
    v.directoryMode = isDirectoryMode(h);
    if (v.directoryMode && got == sizeof(h) && !isFullyQualified(h.szInstallDir))
        v.problems.push_back(L"header: the install directory is not a full path");

    if (!v.directoryMode && !in.AtEnd()) {
        v.hasEntryCount = true;
        v.entryCount = ReadCount(in, L"entry", v);
        ReadItems(in, v.entryCount, true, v);
    }
    if (!in.AtEnd()) {
        v.shortcutCount = ReadCount(in, L"shortcut", v);
        ReadItems(in, v.shortcutCount, false, v);
    }
    if (!in.AtEnd() && in.Left() > 0)
        v.problems.push_back(Num(in.Left()) + L" bytes after the last record, which the "
                                              L"uninstaller never reads");
    return v;
}

std::wstring KindName(int kind) {
    if (kind == 0)
        return L"directory";
    return kind == 1 ? L"file" : L"file (kind " + Num(kind) + L")";
}
