// vxmkman write: a manifest from the command line, a folder or a list file,
// every field checked against its width before anything is written.
#include "tools/manifest/manifest_writer.h"
#include "tools/manifest/mkman_text.h"
#include "tools/manifest/mkman_verbs.h"
#include "uninstall/pathresolve.h"

#include <windows.h>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cwchar>

namespace {

const wchar_t kUsage[] =
    L"usage: vxmkman write OUT.dat [--key K] [--name N] [--group G]\n"
    L"           [--dir D | --from-dir DIR | --entry KIND PATH... | --entries-from FILE...]\n"
    L"           [--shortcut PATH]...\n"
    L"  --key K             the product's key under HKLM\\...\\CurrentVersion\\Uninstall\\ "
    L"(at most 99 characters)\n"
    L"  --name N            the product name, also the desktop shortcut's name "
    L"(at most 49)\n"
    L"  --group G           the Start-menu program group (at most 29)\n"
    L"  --dir D             directory mode: the run removes the folder the uninstaller lies\n"
    L"                      in, the self-removal script removes D (at most 199)\n"
    L"  --from-dir DIR      directory mode for DIR, which must exist\n"
    L"  --entry KIND PATH   entry-list mode: KIND is dir, file or a number (0 = directory)\n"
    L"  --entries-from FILE one \"KIND PATH\" a line, UTF-8, the path quoted or not; blank\n"
    L"                      lines and # comments skipped\n"
    L"  --shortcut PATH     a further file to delete\n"
    L"Paths must be full paths; a directory gets its trailing backslash if it lacks one.\n"
    L"Exit codes: 0 written, 1 the file could not be written, 2 bad usage.\n";

struct Options {
    std::wstring key, name, group, dir;
    bool fromDir = false;
    std::vector<tagUninstallItem> entries, shortcuts;
};

// KIND as written: a word or a whole number.
bool ParseKind(const std::wstring& text, int& kind) {
    if (text == L"dir" || text == L"directory")
        return (kind = 0), true;
    if (text == L"file")
        return (kind = 1), true;
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    errno = 0;
    long v = wcstol(text.c_str(), &end, 10);
    if (*end || errno || v < INT_MIN || v > INT_MAX)
        return false;
    kind = static_cast<int>(v);
    return true;
}

// Checks a text against a field of cap characters (terminator included).
bool Fits(const wchar_t* what, const std::wstring& text, size_t cap, std::wstring& error) {
    if (text.size() < cap)
        return true;
    error = std::wstring(what) + L" is " + std::to_wstring(text.size()) +
            L" characters; its field holds at most " + std::to_wstring(cap - 1) + L": " + text;
    return false;
}

// A full path, with the trailing backslash a directory needs (said on stderr
// when added), fitting its field.
bool CheckPath(const wchar_t* what, std::wstring& path, bool directory, size_t cap,
               std::wstring& error) {
    if (!isFullyQualified(path.c_str())) {
        error = std::wstring(what) +
                L" is not a full path (\"X:\\...\" or "
                L"\"\\\\server\\share\\...\"): " +
                path;
        return false;
    }
    if (directory && path.back() != L'\\') {
        if (path.back() == L'/')
            path.pop_back();
        path += L'\\';
        Print(stderr, L"vxmkman write: note: added the trailing backslash a directory needs: " +
                          path + L"\n");
    }
    return Fits(what, path, cap, error);
}

bool AddEntry(Options& o, int kind, std::wstring path, const std::wstring& where,
              std::wstring& error) {
    if (!CheckPath((where + L"the entry path").c_str(), path, kind == 0, 260, error))
        return false;
    o.entries.push_back(MakeManifestItem(kind, path));
    return true;
}

bool ReadEntries(Options& o, const std::wstring& file, std::wstring& error) {
    std::vector<unsigned char> raw;
    if (!ReadWholeFile(file, raw)) {
        error = L"cannot read " + file;
        return false;
    }
    std::string bytes(raw.begin(), raw.end());
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::wstring text;
    if (!FromUtf8(bytes, text)) {
        error = file + L" is not UTF-8 text";
        return false;
    }
    size_t lineNo = 0;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        while (!line.empty() && iswspace(line.back()))
            line.pop_back();
        size_t first = line.find_first_not_of(L" \t");
        if (first == std::wstring::npos || line[first] == L'#')
            continue;
        std::wstring where = file + L":" + std::to_wstring(lineNo) + L": ";
        size_t gap = line.find_first_of(L" \t", first);
        size_t pathAt = gap == std::wstring::npos ? gap : line.find_first_not_of(L" \t", gap);
        int kind = 0;
        if (pathAt == std::wstring::npos || !ParseKind(line.substr(first, gap - first), kind)) {
            error = where + L"expected \"KIND PATH\" (KIND dir, file or a number): " + line;
            return false;
        }
        // A path may be quoted, as it would be on a command line.
        std::wstring path = line.substr(pathAt);
        if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
            path = path.substr(1, path.size() - 2);
        if (!AddEntry(o, kind, path, where, error))
            return false;
    }
    return true;
}

bool SetDir(Options& o, std::wstring dir, bool fromDir, std::wstring& error) {
    if (!o.dir.empty()) {
        error = L"--dir and --from-dir name one folder; give one of them once";
        return false;
    }
    if (!CheckPath(fromDir ? L"--from-dir" : L"--dir", dir, true, 200, error))
        return false;
    DWORD attrs = GetFileAttributesW(dir.c_str());
    if (fromDir && (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY))) {
        error = L"--from-dir names no folder: " + dir;
        return false;
    }
    o.dir = dir;
    o.fromDir = fromDir;
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& o, std::wstring& error) {
    const wchar_t* const known[] = {L"--key",      L"--name",         L"--group",    L"--dir",
                                    L"--from-dir", L"--entries-from", L"--shortcut", L"--entry"};
    for (int i = 1; i < argc; ++i) {
        std::wstring opt = argv[i];
        if (std::find(std::begin(known), std::end(known), opt) == std::end(known)) {
            error = L"unknown option " + opt;
            return false;
        }
        int values = opt == L"--entry" ? 2 : 1;
        if (i + values >= argc) {
            error = opt + (values == 2 ? L" needs KIND and PATH" : L" needs a value");
            return false;
        }
        std::wstring value = argv[i + 1];
        i += values;
        if (opt == L"--key") {
            if (value.find_first_of(L"\\/") != std::wstring::npos) {
                error = L"--key is a key name, not a path: " + value;
                return false;
            }
            o.key = value;
        } else if (opt == L"--name") {
            o.name = value;
        } else if (opt == L"--group") {
            o.group = value;
        } else if (opt == L"--dir" || opt == L"--from-dir") {
            if (!SetDir(o, value, opt == L"--from-dir", error))
                return false;
        } else if (opt == L"--entry") {
            int kind = 0;
            if (!ParseKind(value, kind)) {
                error = L"--entry KIND is dir, file or a number: " + value;
                return false;
            }
            if (!AddEntry(o, kind, argv[i], L"--entry: ", error))
                return false;
        } else if (opt == L"--entries-from") {
            if (!ReadEntries(o, value, error))
                return false;
        } else {
            if (!CheckPath(L"--shortcut", value, false, 260, error))
                return false;
            o.shortcuts.push_back(MakeManifestItem(1, value));
        }
    }
    if (!o.dir.empty() && !o.entries.empty()) {
        error = L"directory mode (--dir, --from-dir) has no entry list (--entry, --entries-from)";
        return false;
    }
    return Fits(L"--key", o.key, 100, error) && Fits(L"--name", o.name, 50, error) &&
           Fits(L"--group", o.group, 30, error);
}

// What a maker may not expect, said but not refused.
void Notes(const Options& o, const std::wstring& out) {
    if (o.name.find_first_of(L"\\/:") != std::wstring::npos)
        Print(stderr, L"vxmkman write: note: the product name is not a plain file name; no "
                      L"desktop shortcut will be deleted\n");
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(out.c_str(), MAX_PATH, full, nullptr);
    std::wstring folder = n > 0 && n < MAX_PATH ? std::wstring(full) : out;
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    if (!o.dir.empty() && !isSamePath(folder.c_str(), o.dir.c_str()))
        Print(stderr, L"vxmkman write: note: a directory-mode run removes the folder the "
                      L"uninstaller and this manifest lie in (" +
                          folder + L"), not " + o.dir + L"\n");
}

} // namespace

int RunWrite(int argc, wchar_t** argv) {
    for (int i = 0; i < argc; ++i)
        if (isHelpArg(argv[i]))
            return Print(stdout, kUsage), kExitFine;
    if (argc < 1 || argv[0][0] == L'-')
        return UsageError(L"write", L"give the file to write first\n" + std::wstring(kUsage));
    Options o;
    std::wstring error;
    if (!ParseOptions(argc, argv, o, error))
        return UsageError(L"write", error);
    Notes(o, argv[0]);
    auto bytes =
        BuildManifest(MakeManifestHeader(o.key, o.name, o.group, o.dir), o.entries, o.shortcuts);
    if (!WriteManifest(argv[0], bytes)) {
        Print(stderr, std::wstring(L"vxmkman write: cannot write ") + argv[0] + L"\n");
        return kExitRefused;
    }
    Print(stdout, std::wstring(L"wrote ") + argv[0] + L": " + std::to_wstring(bytes.size()) +
                      L" bytes, " + (o.dir.empty() ? L"entry-list mode, " : L"directory mode, ") +
                      std::to_wstring(o.entries.size()) + L" entries, " +
                      std::to_wstring(o.shortcuts.size()) + L" shortcuts\n");
    return kExitFine;
}
